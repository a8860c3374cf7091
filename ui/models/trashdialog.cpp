#include "ui/models/trashdialog.h"

#include "models/libraryoperations.h"
#include "models/modellibrary.h"
#include "ui/models/modellistdelegate.h"
#include "ui/models/modellistmodel.h"
#include "ui/models/modellistview.h"
#include "ui/models/modelspagedialogs.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr QSize kDefaultSize{520, 440};

QPushButton *button(QWidget *parent, const QString &text, const char *objectName)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(QString::fromLatin1(objectName));
    result->setAutoDefault(false);
    return result;
}

} // namespace

const QString TrashDialog::kDeleteTitle = QStringLiteral("Confirm Delete");
const QString TrashDialog::kDeleteQuestion =
    QStringLiteral("Are you sure you want to permanently delete this model?");

TrashDialog::TrashDialog(ModelsContext context, QWidget *parent)
    : QDialog(parent)
    , m_context(std::move(context))
    , m_model(new ModelListModel(m_context.trash, this))
{
    setObjectName(QStringLiteral("trashDialog"));
    setWindowTitle(tr("Trash"));
    buildForm();
    reloadList(0);
    resize(kDefaultSize);
}

void TrashDialog::buildForm()
{
    auto *note = new QLabel(
        tr("Deleted models stay here until you delete them for good or empty the trash."), this);
    note->setWordWrap(true);

    m_list = new ModelListView(this);
    m_list->setObjectName(QStringLiteral("trashList"));
    m_list->setAccessibleName(tr("Deleted models"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new ModelListDelegate(m_list));
    // Restoring is done with the button; dragging would only copy a file of the trash.
    m_list->setDragEnabled(false);
    m_list->setAcceptDrops(false);
    m_list->setEmptyText(tr("The trash is empty."));

    m_restoreButton = button(this, tr("Restore"), "restoreButton");
    m_deleteButton = button(this, tr("Delete"), "deleteButton");
    m_emptyButton = button(this, libraryoperations::kEmptyTrashAcceptButton, "emptyTrashButton");
    m_closeButton = button(this, tr("Close"), "closeButton");
    m_closeButton->setDefault(true);

    auto *deleteAction = new QAction(tr("Delete"), m_list);
    deleteAction->setShortcut(QKeySequence::Delete);
    deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(deleteAction);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_restoreButton);
    buttons->addWidget(m_deleteButton);
    buttons->addStretch();
    buttons->addWidget(m_emptyButton);
    buttons->addWidget(m_closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_restoreButton, &QPushButton::clicked, this, &TrashDialog::restoreRow);
    connect(m_deleteButton, &QPushButton::clicked, this, &TrashDialog::deleteRow);
    connect(deleteAction, &QAction::triggered, this, &TrashDialog::deleteRow);
    connect(m_emptyButton, &QPushButton::clicked, this, &TrashDialog::emptyTrash);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &ModelListView::activatedByKey, this, &TrashDialog::restoreRow);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &TrashDialog::restoreRow);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TrashDialog::updateButtons);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TrashDialog::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TrashDialog::updateButtons);
}

void TrashDialog::reloadList(int preferredRow)
{
    m_model->reload();
    const int rows = m_model->rowCount();
    if (rows > 0)
        m_list->setCurrentIndex(m_model->index(std::clamp(preferredRow, 0, rows - 1)));
    updateButtons();
}

QString TrashDialog::selectedFileName() const
{
    const QModelIndex index = m_list->currentIndex();
    if (!index.isValid() || !m_list->selectionModel()->isSelected(index))
        return {};
    return index.data(ModelListModel::FileNameRole).toString();
}

void TrashDialog::updateButtons()
{
    const bool selected = !selectedFileName().isEmpty();
    m_restoreButton->setEnabled(selected);
    m_deleteButton->setEnabled(selected);
    m_emptyButton->setEnabled(m_model->rowCount() > 0);
}

void TrashDialog::restoreRow()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty() || !m_context.trash || !m_context.models)
        return;
    const int row = m_list->currentIndex().row();
    if (!libraryoperations::restoreFromTrash(*m_context.trash, *m_context.models, fileName)) {
        showModelError(this, libraryoperations::kImportFailed);
        return;
    }
    reloadList(row);
    emit modelRestored(fileName);
}

void TrashDialog::deleteRow()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty() || !m_context.trash)
        return;
    if (!askModelQuestion(this, kDeleteTitle, kDeleteQuestion,
                          libraryoperations::kDeleteCancelButton,
                          libraryoperations::kDeleteAcceptButton, QMessageBox::DestructiveRole))
        return;
    const int row = m_list->currentIndex().row();
    libraryoperations::deleteFromTrash(*m_context.trash, fileName);
    reloadList(row);
}

void TrashDialog::emptyTrash()
{
    if (!m_context.trash)
        return;
    libraryoperations::emptyTrash(*m_context.trash, [this] {
        return askModelQuestion(
            this, libraryoperations::kEmptyTrashTitle, libraryoperations::kEmptyTrashQuestion,
            libraryoperations::kEmptyTrashCancelButton, libraryoperations::kEmptyTrashAcceptButton,
            QMessageBox::DestructiveRole);
    });
    reloadList(0);
}
