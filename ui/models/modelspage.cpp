#include "ui/models/modelspage.h"

#include "devicestate/devicemanager.h"
#include "models/model.h"
#include "ui/models/addmodelwizard.h"
#include "ui/models/modeleditdialog.h"
#include "ui/models/modellistmodel.h"
#include "ui/models/modellistview.h"
#include "ui/models/modelspagedialogs.h"
#include "ui/models/presetsdialog.h"
#include "ui/models/trashdialog.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using libraryoperations::Outcome;

namespace {

// Changes that arrive in a burst (a device identified, a model renamed letter by letter) are
// shown once.
constexpr int kReloadDelayMs = 50;

} // namespace

ModelsPage::ModelsPage(ModelsContext context, QWidget *parent)
    : Page(parent)
    , m_controller(std::move(context))
    , m_fileChooser([this](const ModelsPageController::FileRequest &request) {
        return chooseModelFile(this, request);
    })
    , m_model(new ModelListModel(m_controller.context().models, this))
    , m_form(this, m_model)
    , m_searchTimer(new QTimer(this))
    , m_reloadTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("modelsPage"));
    setShowBackground(true);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(kSearchDelayMs);
    m_reloadTimer->setSingleShot(true);
    m_reloadTimer->setInterval(kReloadDelayMs);

    connectForm();
    addRefresher([this] { reloadList(); });
    reloadList();
}

ModelsPage::~ModelsPage() = default;

void ModelsPage::setFileChooser(FileChooser chooser)
{
    m_fileChooser = std::move(chooser);
}

void ModelsPage::connectForm()
{
    const ModelsPageForm &f = m_form;
    connect(f.search, &QLineEdit::textChanged, m_searchTimer, [this] { m_searchTimer->start(); });
    connect(m_searchTimer, &QTimer::timeout, this, &ModelsPage::applySearch);
    // From the search field straight to the rows it found.
    connect(f.search, &QLineEdit::returnPressed, this, [this] {
        applySearch();
        m_form.list->setFocus(Qt::OtherFocusReason);
    });
    connect(m_reloadTimer, &QTimer::timeout, this, [this] { reloadList(); });

    connect(f.list, &QAbstractItemView::doubleClicked, this, &ModelsPage::selectRow);
    connect(f.list, &ModelListView::activatedByKey, this, &ModelsPage::selectRow);
    connect(f.list, &ModelListView::rowMenuRequested, this,
            [this](const QModelIndex &, const QPoint &globalPos) { showRowMenu(globalPos); });
    connect(f.list, &ModelListView::urlsDropped, this, &ModelsPage::importUrls);
    // Both: choosing the row that is already current (the list makes its first row current
    // when it gets the focus) changes only the selection.
    connect(f.list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ModelsPage::updateActions);
    connect(f.list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ModelsPage::updateActions);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ModelsPage::updateActions);
    connect(m_model, &ModelListModel::loadingFinished, this,
            [this] { reloadList(m_controller.currentFileName()); });
    f.list->setDragFileProvider([this](const QModelIndex &index) { return dragFile(index); });

    connect(f.selectAction, &QAction::triggered, this, &ModelsPage::selectRow);
    connect(f.editAction, &QAction::triggered, this, &ModelsPage::editRow);
    connect(f.exportAction, &QAction::triggered, this, &ModelsPage::exportRow);
    connect(f.duplicateAction, &QAction::triggered, this, &ModelsPage::duplicateRow);
    connect(f.resetAction, &QAction::triggered, this, &ModelsPage::resetRow);
    connect(f.upgradeAction, &QAction::triggered, this, &ModelsPage::upgradeRow);
    connect(f.deleteAction, &QAction::triggered, this, &ModelsPage::deleteRow);
    connect(f.rowMenuAction, &QAction::triggered, this, [this] {
        const QModelIndex index = m_form.list->currentIndex();
        if (index.isValid())
            showRowMenu(
                m_form.list->viewport()->mapToGlobal(m_form.list->visualRect(index).center()));
    });
    connect(f.importAction, &QAction::triggered, this, &ModelsPage::importFile);
    connect(f.addNewButton, &QPushButton::clicked, this, &ModelsPage::openAddNew);
    connect(f.trashButton, &QPushButton::clicked, this, &ModelsPage::openTrash);
    connect(f.presetsButton, &QPushButton::clicked, this, &ModelsPage::openPresets);

    if (DeviceManager *manager = m_controller.context().deviceManager)
        // Queued behind the main window's own handling, which may make another model current.
        connect(manager, &DeviceManager::deviceStateChanged, this, &ModelsPage::scheduleReload);
}

void ModelsPage::scheduleReload()
{
    m_reloadTimer->start();
}

void ModelsPage::reloadList(const QString &fileName)
{
    m_reloadTimer->stop();
    const QString formerFile = selectedFileName();
    const bool wasNewModelRow = newModelRowSelected();
    const int formerRow = m_form.list->currentIndex().row();

    m_model->setDeviceSerialNumber(m_controller.groupingSerialNumber());
    m_model->reload();
    m_model->setCurrentFileName(m_controller.currentFileName());
    watchCurrentModel();
    updateEmptyText();

    if (!fileName.isEmpty())
        restoreSelection(fileName, formerRow);
    else if (wasNewModelRow && m_model->newModelIndex().isValid())
        m_form.list->setCurrentIndex(m_model->newModelIndex());
    else if (formerFile.isEmpty() && formerRow < 0)
        // Nothing chosen yet: start on the current model, so that Enter and the buttons act
        // on it.
        restoreSelection(m_model->currentFileName(), formerRow);
    else
        restoreSelection(formerFile, formerRow);
    updateActions();
}

void ModelsPage::watchCurrentModel()
{
    delete m_currentModelWatch;
    m_currentModelWatch = new QObject(this);
    const std::shared_ptr<Model> current =
        m_controller.context().currentModel ? m_controller.context().currentModel() : nullptr;
    // Its name or picture changes while another screen edits it.
    if (current)
        connect(current.get(), &Model::infoChanged, m_currentModelWatch,
                [this] { scheduleReload(); });
}

void ModelsPage::applySearch()
{
    m_searchTimer->stop();
    const QString formerFile = selectedFileName();
    m_model->setFilterText(m_form.search->text().trimmed());
    updateEmptyText();
    restoreSelection(formerFile, 0);
    updateActions();
}

void ModelsPage::updateEmptyText()
{
    m_form.list->setEmptyText(
        m_model->filterText().isEmpty()
            ? tr("There are no models yet.")
            : tr("No model name contains \"%1\".").arg(m_model->filterText()));
}

void ModelsPage::restoreSelection(const QString &fileName, int formerRow)
{
    ModelListView *list = m_form.list;
    QModelIndex index = m_model->indexOfFile(fileName);
    if (!index.isValid() && formerRow >= 0) {
        // The row's model is gone: the row that took its place, else the one before it.
        const int rows = m_model->rowCount();
        for (int row = std::min(formerRow, rows - 1); row >= 0 && !index.isValid(); --row) {
            if (ModelListModel::kindOf(m_model->index(row)) == ModelListModel::RowKind::Model)
                index = m_model->index(row);
        }
    }
    if (!index.isValid()) {
        list->selectionModel()->clearSelection();
        list->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    list->setCurrentIndex(index);
    list->scrollTo(index);
}

QString ModelsPage::selectedFileName() const
{
    const QModelIndex index = m_form.list->currentIndex();
    if (!index.isValid() || !m_form.list->selectionModel()->isSelected(index))
        return {};
    return index.data(ModelListModel::FileNameRole).toString();
}

QString ModelsPage::selectedRowText() const
{
    return m_form.list->currentIndex().data(Qt::DisplayRole).toString();
}

bool ModelsPage::newModelRowSelected() const
{
    const QModelIndex index = m_form.list->currentIndex();
    return index.isValid() && m_form.list->selectionModel()->isSelected(index) &&
           ModelListModel::kindOf(index) == ModelListModel::RowKind::NewModel;
}

void ModelsPage::updateActions()
{
    const QString fileName = selectedFileName();
    ModelsPageController::RowActions actions;
    if (!fileName.isEmpty() || newModelRowSelected())
        actions = m_controller.actionsFor(fileName);
    const ModelsPageForm &f = m_form;
    f.selectAction->setEnabled(actions.select);
    f.editAction->setEnabled(actions.edit);
    f.exportAction->setEnabled(actions.exportFile);
    f.duplicateAction->setEnabled(actions.duplicate);
    f.resetAction->setEnabled(actions.reset);
    // Offered only where there is something to upgrade to.
    f.upgradeAction->setEnabled(actions.upgrade);
    f.upgradeAction->setVisible(actions.upgrade);
    f.deleteAction->setEnabled(actions.remove);
    f.moreButton->setEnabled(actions.exportFile || actions.duplicate || actions.reset ||
                             actions.upgrade || actions.remove);
}

void ModelsPage::showRowMenu(const QPoint &globalPos)
{
    updateActions();
    if (selectedFileName().isEmpty() && !newModelRowSelected())
        return;
    m_form.rowMenu->popup(globalPos);
}

void ModelsPage::finishOperation(const Outcome &outcome)
{
    if (!outcome.acted)
        return;
    if (!outcome.ok())
        showError(outcome.errorText);
    reloadList(outcome.fileName);
}

void ModelsPage::showError(const QString &text)
{
    showModelError(this, text);
}

void ModelsPage::openDialog(QDialog *dialog, std::function<QString()> madeFile)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this, madeFile](int result) {
        reloadList(result == QDialog::Accepted && madeFile ? madeFile() : QString());
    });
    dialog->open();
}

void ModelsPage::selectRow()
{
    if (newModelRowSelected()) {
        openAddNew();
        return;
    }
    const QString fileName = selectedFileName();
    if (fileName.isEmpty())
        return;
    finishOperation(m_controller.select(fileName));
}

void ModelsPage::editRow()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty())
        return;
    const Outcome outcome = m_controller.edit(fileName);
    if (!outcome.ok()) {
        showError(outcome.errorText);
        return;
    }
    openDialog(new ModelEditDialog(outcome.model, this));
}

void ModelsPage::exportRow()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty())
        return;
    const QString path = m_fileChooser(m_controller.exportRequest(fileName, selectedRowText()));
    const Outcome outcome = m_controller.exportTo(fileName, path);
    if (outcome.acted && !outcome.ok())
        showError(outcome.errorText);
}

void ModelsPage::duplicateRow()
{
    const QString fileName = selectedFileName();
    if (!fileName.isEmpty())
        finishOperation(m_controller.duplicate(fileName));
}

void ModelsPage::resetRow()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty())
        return;
    finishOperation(m_controller.reset(fileName, [this] {
        return QMessageBox::question(this, libraryoperations::kResetTitle,
                                     libraryoperations::kResetQuestion,
                                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
    }));
}

void ModelsPage::upgradeRow()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty() || !m_controller.canUpgrade(fileName))
        return;
    finishOperation(m_controller.upgrade(fileName, [this] {
        return askModelQuestion(this, libraryoperations::kUpgradeTitle,
                                libraryoperations::kUpgradeQuestion,
                                libraryoperations::kUpgradeCancelButton,
                                libraryoperations::kUpgradeAcceptButton, QMessageBox::AcceptRole);
    }));
}

void ModelsPage::deleteRow()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty())
        return;
    finishOperation(m_controller.remove(fileName, [this] {
        return askModelQuestion(
            this, libraryoperations::kDeleteTitle, libraryoperations::kDeletePermanentlyQuestion,
            libraryoperations::kDeleteCancelButton, libraryoperations::kDeleteAcceptButton,
            QMessageBox::DestructiveRole);
    }));
}

void ModelsPage::importFile()
{
    finishOperation(m_controller.importFrom(m_fileChooser(m_controller.importRequest())));
}

void ModelsPage::importUrls(const QList<QUrl> &urls)
{
    finishOperation(m_controller.importDropped(urls));
}

void ModelsPage::openAddNew()
{
    // The wizard's model is the current one by the time it finishes.
    openDialog(new AddModelWizard(m_controller.context(), this),
               [this] { return m_controller.currentFileName(); });
}

void ModelsPage::openTrash()
{
    auto *dialog = new TrashDialog(m_controller.context(), this);
    connect(dialog, &TrashDialog::modelRestored, this, [this] { reloadList(); });
    openDialog(dialog);
}

void ModelsPage::openPresets()
{
    auto *dialog = new PresetsDialog(m_controller.context(), this);
    openDialog(dialog, [dialog] { return dialog->createdFileName(); });
}

QString ModelsPage::dragFile(const QModelIndex &index)
{
    if (!m_dragDirectory || !m_dragDirectory->isValid())
        m_dragDirectory = std::make_unique<QTemporaryDir>(
            QDir::temp().filePath(QStringLiteral("zandorex-programmer-drag-XXXXXX")));
    if (!m_dragDirectory->isValid())
        return {};
    return m_controller.dragCopy(index.data(ModelListModel::FileNameRole).toString(),
                                 index.data(Qt::DisplayRole).toString(), m_dragDirectory->path());
}

Page *createModelsPage(const ModelsContext &context, QWidget *parent)
{
    return new ModelsPage(context, parent);
}
