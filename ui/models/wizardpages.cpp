// The pages of the new-model wizard.
#include "ui/models/wizardpages.h"

#include "models/model.h"
#include "ui/models/editmodelwidget.h"
#include "ui/navigation/page.h"

#include <QVBoxLayout>

WizardFirstPage::WizardFirstPage(QWidget *parent)
    : QWizardPage(parent)
    , m_editWidget(new EditModelWidget(this))
{
    setObjectName(QStringLiteral("editModelPage"));
    setTitle(tr("Choose a name and image"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_editWidget);
    connect(m_editWidget, &EditModelWidget::editsChanged, this, &QWizardPage::completeChanged);
}

bool WizardFirstPage::isComplete() const
{
    return m_editWidget->model() && m_editWidget->hasName();
}

WizardSetupPage::WizardSetupPage(const PageInfo &info, Page *page, QWidget *parent)
    : QWizardPage(parent)
    , m_info(info)
    , m_page(page)
{
    m_info.page = page;
    setTitle(info.title);
    page->setParent(this);
    // The wizard draws its own frame; the editor's picture would sit under its buttons.
    page->setShowBackground(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
}
