#pragma once

class ModelListModel;
class ModelListView;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;

// The widgets and actions of the models page, laid out on the page: the title and search
// field, the list, the row buttons ("Select", "Edit..." and "More", a menu with the rest) and
// the library buttons. Every row operation is an action, so the buttons, the context
// menu and the keyboard reach the same one.
struct ModelsPageForm
{
    // Lays the form out on `page`; `model` is shown in the list.
    ModelsPageForm(QWidget *page, ModelListModel *model);

    QLineEdit *search = nullptr;
    ModelListView *list = nullptr;

    QAction *selectAction = nullptr;
    QAction *editAction = nullptr;
    QAction *exportAction = nullptr;
    QAction *duplicateAction = nullptr;
    QAction *resetAction = nullptr;
    QAction *upgradeAction = nullptr;
    QAction *deleteAction = nullptr;
    // Shift+F10 on the list: the row menu, as the context-menu key gives it.
    QAction *rowMenuAction = nullptr;
    QAction *findAction = nullptr;
    QAction *importAction = nullptr;

    QMenu *rowMenu = nullptr;
    QMenu *moreMenu = nullptr;

    QPushButton *selectButton = nullptr;
    QPushButton *editButton = nullptr;
    QPushButton *moreButton = nullptr;
    QPushButton *addNewButton = nullptr;
    QPushButton *importButton = nullptr;
    QPushButton *trashButton = nullptr;
    QPushButton *presetsButton = nullptr;

private:
    void createActions(QWidget *page);
    void createButtons(QWidget *page);
    void layOut(QWidget *page);
};
