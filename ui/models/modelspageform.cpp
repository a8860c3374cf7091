#include "ui/models/modelspageform.h"

#include "ui/models/modellistdelegate.h"
#include "ui/models/modellistmodel.h"
#include "ui/models/modellistview.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr qreal kTitleScale = 1.5;
constexpr QRgb kTitleColour = qRgb(40, 40, 40);
constexpr int kSearchWidth = 260;
constexpr int kButtonGroupGap = 16;

QAction *rowAction(QWidget *list, const QString &text, const char *objectName,
                   const QList<QKeySequence> &shortcuts = {})
{
    auto *action = new QAction(text, list);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcuts(shortcuts);
    // Only while the list has the focus: Delete in the search field deletes text.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setEnabled(false);
    list->addAction(action);
    return action;
}

QPushButton *button(QWidget *parent, const QString &text, const char *objectName)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(QString::fromLatin1(objectName));
    result->setAutoDefault(false);
    return result;
}

// The button stands for the action: it runs it and is enabled with it.
void bind(QPushButton *button, QAction *action)
{
    button->setEnabled(action->isEnabled());
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
}

} // namespace

ModelsPageForm::ModelsPageForm(QWidget *page, ModelListModel *model)
{
    search = new QLineEdit(page);
    search->setObjectName(QStringLiteral("searchField"));
    search->setPlaceholderText(QObject::tr("Search models"));
    search->setAccessibleName(QObject::tr("Search models by name"));
    search->setClearButtonEnabled(true);
    search->setFixedWidth(kSearchWidth);

    list = new ModelListView(page);
    list->setObjectName(QStringLiteral("modelList"));
    list->setAccessibleName(QObject::tr("Models"));
    list->setModel(model);
    list->setItemDelegate(new ModelListDelegate(list));
    list->setContextMenuPolicy(Qt::DefaultContextMenu);

    createActions(page);
    createButtons(page);
    layOut(page);
}

void ModelsPageForm::createActions(QWidget *page)
{
    selectAction = rowAction(list, QObject::tr("Select"), "selectAction");
    editAction = rowAction(list, QObject::tr("Edit..."), "editAction",
                           {QKeySequence(Qt::Key_F2), QKeySequence(Qt::CTRL | Qt::Key_E)});
    exportAction = rowAction(list, QObject::tr("Export..."), "exportAction");
    duplicateAction = rowAction(list, QObject::tr("Duplicate"), "duplicateAction",
                                {QKeySequence(Qt::CTRL | Qt::Key_D)});
    resetAction = rowAction(list, QObject::tr("Reset..."), "resetAction");
    upgradeAction = rowAction(list, QObject::tr("Upgrade..."), "upgradeAction");
    deleteAction = rowAction(list, QObject::tr("Delete"), "deleteAction", {QKeySequence::Delete});
    rowMenuAction = rowAction(list, QObject::tr("Model Menu"), "rowMenuAction",
                              {QKeySequence(Qt::SHIFT | Qt::Key_F10)});
    rowMenuAction->setEnabled(true);

    findAction = new QAction(QObject::tr("Search"), page);
    findAction->setObjectName(QStringLiteral("findAction"));
    findAction->setShortcut(QKeySequence::Find);
    findAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    page->addAction(findAction);
    QObject::connect(findAction, &QAction::triggered, search, [this] {
        search->setFocus(Qt::ShortcutFocusReason);
        search->selectAll();
    });

    importAction = new QAction(QObject::tr("Import..."), page);
    importAction->setObjectName(QStringLiteral("importAction"));
    importAction->setShortcut(QKeySequence::Open);
    importAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    page->addAction(importAction);

    rowMenu = new QMenu(page);
    rowMenu->setObjectName(QStringLiteral("rowMenu"));
    rowMenu->addAction(selectAction);
    rowMenu->addAction(editAction);
    rowMenu->addSeparator();
    rowMenu->addAction(exportAction);
    rowMenu->addAction(duplicateAction);
    rowMenu->addAction(resetAction);
    rowMenu->addAction(upgradeAction);
    rowMenu->addSeparator();
    rowMenu->addAction(deleteAction);

    moreMenu = new QMenu(page);
    moreMenu->setObjectName(QStringLiteral("moreMenu"));
    moreMenu->addAction(exportAction);
    moreMenu->addAction(duplicateAction);
    moreMenu->addAction(resetAction);
    moreMenu->addAction(upgradeAction);
    moreMenu->addSeparator();
    moreMenu->addAction(deleteAction);
}

void ModelsPageForm::createButtons(QWidget *page)
{
    selectButton = button(page, QObject::tr("Select"), "selectButton");
    bind(selectButton, selectAction);
    editButton = button(page, QObject::tr("Edit..."), "editButton");
    bind(editButton, editAction);

    moreButton = button(page, QObject::tr("More"), "moreButton");
    moreButton->setAccessibleName(QObject::tr("More model operations"));
    moreButton->setMenu(moreMenu);

    addNewButton = button(page, QObject::tr("Add New..."), "addNewButton");
    importButton = button(page, QObject::tr("Import..."), "importButton");
    QObject::connect(importButton, &QPushButton::clicked, importAction, &QAction::trigger);
    trashButton = button(page, QObject::tr("Trash..."), "trashButton");
    presetsButton = button(page, QObject::tr("Download Preset..."), "downloadPresetButton");
}

void ModelsPageForm::layOut(QWidget *page)
{
    auto *title = new QLabel(QObject::tr("Models"), page);
    title->setObjectName(QStringLiteral("modelsTitle"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * kTitleScale);
    titleFont.setBold(true);
    title->setFont(titleFont);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(kTitleColour));
    title->setPalette(titlePalette);

    auto *top = new QHBoxLayout;
    top->addWidget(title);
    top->addStretch();
    top->addWidget(search);

    // The chosen row's operations on the left, the library's on the right.
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(selectButton);
    buttons->addWidget(editButton);
    buttons->addWidget(moreButton);
    buttons->addStretch();
    buttons->addSpacing(kButtonGroupGap);
    buttons->addWidget(addNewButton);
    buttons->addWidget(importButton);
    buttons->addWidget(trashButton);
    buttons->addWidget(presetsButton);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(list, 1);
    layout->addLayout(buttons);

    QWidget::setTabOrder(search, list);
    QWidget::setTabOrder(list, selectButton);
    QWidget::setTabOrder(selectButton, editButton);
    QWidget::setTabOrder(editButton, moreButton);
    QWidget::setTabOrder(moreButton, addNewButton);
    QWidget::setTabOrder(addNewButton, importButton);
    QWidget::setTabOrder(importButton, trashButton);
    QWidget::setTabOrder(trashButton, presetsButton);
}
