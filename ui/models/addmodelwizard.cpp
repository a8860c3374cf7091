// AddModelWizard: the new-model wizard's pages around WizardSession.
#include "ui/models/addmodelwizard.h"

#include "models/model.h"
#include "ui/models/editmodelwidget.h"
#include "ui/models/wizardpages.h"
#include "ui/navigation/page.h"

AddModelWizard::AddModelWizard(ModelsContext context, QWidget *parent)
    : QWizard(parent)
    , m_firstPage(new WizardFirstPage(this))
    , m_session(std::move(context))
{
    setWindowTitle(tr("Add Model"));
    setObjectName(QStringLiteral("addModelWizard"));
    setOption(QWizard::NoBackButtonOnStartPage);
    resize(kInitialSize);
    m_firstPageId = addPage(m_firstPage);

    EditModelWidget *edit = m_firstPage->editWidget();
    edit->setModelName(m_session.proposedName());
    if (const std::optional<ModelDevice> device = m_session.preselectedDevice())
        edit->selectDevice(*device);

    // Connected only now, so that the preselected device makes its model current once.
    connect(edit, &EditModelWidget::modelChanged, this, &AddModelWizard::onModelChanged);
    connect(this, &QWizard::currentIdChanged, this, &AddModelWizard::onPageChanged);
    connect(this, &QDialog::accepted, this, &AddModelWizard::finishWizard);
    connect(this, &QDialog::rejected, this, [this] { m_session.cancel(); });
    onModelChanged(edit->model());
}

AddModelWizard::~AddModelWizard() = default;

EditModelWidget *AddModelWizard::editWidget() const
{
    return m_firstPage->editWidget();
}

QList<WizardSetupPage *> AddModelWizard::setupPages() const
{
    QList<WizardSetupPage *> pages;
    for (const int id : pageIds()) {
        if (auto *setupPage = qobject_cast<WizardSetupPage *>(page(id)))
            pages.append(setupPage);
    }
    return pages;
}

void AddModelWizard::onPageChanged(int id)
{
    if (auto *setupPage = qobject_cast<WizardSetupPage *>(page(id)))
        setupPage->page()->refresh();
}

void AddModelWizard::onModelChanged(const std::shared_ptr<Model> &model)
{
    for (const int id : pageIds()) {
        if (id == m_firstPageId)
            continue;
        QWizardPage *old = page(id);
        removePage(id);
        delete old;
    }

    const PageInfoList records = m_session.modelChosen(model);
    const PageContext pageContext = m_session.pageContext(this);
    QSize largest(0, 0);
    for (const PageInfo &record : records) {
        auto *setupPage =
            new WizardSetupPage(record, m_session.pages().create(record, pageContext), this);
        addPage(setupPage);
        setupPage->page()->refresh();
        largest = largest.expandedTo(setupPage->sizeHint());
    }
    // Sized for the largest page up front, the wizard keeps its size from page to page.
    m_firstPage->setMinimumSize(largest);
}

void AddModelWizard::finishWizard()
{
    if (Model *model = m_session.model().get())
        editWidget()->applyTo(model->info());
    m_session.finish();
}
