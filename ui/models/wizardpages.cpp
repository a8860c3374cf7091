// The pages of the new-model wizard.
#include "ui/models/wizardpages.h"

#include "models/model.h"
#include "ui/models/editmodelwidget.h"
#include "ui/models/settingsrowsmodel.h"
#include "ui/models/settingsrowsview.h"
#include "ui/navigation/page.h"

#include <QLabel>
#include <QVBoxLayout>

WizardFirstPage::WizardFirstPage(QWidget *parent)
    : QWizardPage(parent)
    , m_editWidget(new EditModelWidget(this))
    , m_settingsLabel(new QLabel(tr("&Settings:"), this))
    , m_settingsView(new SettingsRowsView(this))
{
    setObjectName(QStringLiteral("editModelPage"));
    setTitle(tr("Choose a name and image"));
    m_settingsLabel->setBuddy(m_settingsView);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_editWidget, 1);
    layout->addWidget(m_settingsLabel);
    layout->addWidget(m_settingsView);
    connect(m_editWidget, &EditModelWidget::editsChanged, this, &QWizardPage::completeChanged);
    connect(m_editWidget, &EditModelWidget::modelChanged, this, &WizardFirstPage::showSettingsOf);
    showSettingsOf(m_editWidget->model());
}

void WizardFirstPage::showSettingsOf(const std::shared_ptr<Model> &model)
{
    // The wizard's model is new and not in the library yet: its settings change in place, as
    // on the set-up pages that follow.
    m_settingsView->showModel(model, true);
    const bool hasRows = m_settingsView->rowsModel()->rowCount() > 0;
    m_settingsLabel->setVisible(hasRows);
    m_settingsView->setVisible(hasRows);
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
