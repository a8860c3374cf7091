#pragma once

#include <QListWidget>

// The roles under which a navigation row keeps its record's fields for the delegate.
namespace NavigationRole {
inline constexpr int IsHeader = Qt::UserRole + 1;
inline constexpr int Flags = Qt::UserRole + 2;
} // namespace NavigationRole

// The navigation list: the user can only land on rows that open a page. Headings and disabled
// or hidden rows are skipped by the arrow keys and cannot be selected with the mouse, and the
// selected row cannot be deselected, so that a page is always on show while one is selected.
class NavigationList : public QListWidget
{
    Q_OBJECT

public:
    explicit NavigationList(QWidget *parent = nullptr);

    // Whether the row opens a page the user may see now.
    [[nodiscard]] bool isRowChoosable(int row) const;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] QItemSelectionModel::SelectionFlags
    selectionCommand(const QModelIndex &index, const QEvent *event = nullptr) const override;

private:
    // The nearest choosable row from `from` in steps of `step` (from itself included), or -1.
    [[nodiscard]] int choosableFrom(int from, int step) const;
};
