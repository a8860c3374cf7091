// NavigationList: keyboard and mouse rules of the navigation rows.
#include "ui/navigation/navigationlist.h"

NavigationList::NavigationList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

bool NavigationList::isRowChoosable(int row) const
{
    const QListWidgetItem *rowItem = item(row);
    if (!rowItem || rowItem->isHidden())
        return false;
    const Qt::ItemFlags flags = rowItem->flags();
    return flags.testFlag(Qt::ItemIsEnabled) && flags.testFlag(Qt::ItemIsSelectable);
}

int NavigationList::choosableFrom(int from, int step) const
{
    for (int row = from; row >= 0 && row < count(); row += step) {
        if (isRowChoosable(row))
            return row;
    }
    return -1;
}

QModelIndex NavigationList::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int current = currentRow();
    int target = -1;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        target = current < 0 ? choosableFrom(count() - 1, -1) : choosableFrom(current - 1, -1);
        break;
    case MoveDown:
    case MoveNext:
        target = choosableFrom(current + 1, 1);
        break;
    case MoveHome:
        target = choosableFrom(0, 1);
        break;
    case MoveEnd:
        target = choosableFrom(count() - 1, -1);
        break;
    default: {
        // A page step lands wherever the view says; from there take the nearest row that can
        // be chosen, in the direction of the step first.
        const int landed = QListWidget::moveCursor(cursorAction, modifiers).row();
        const int step = cursorAction == MovePageUp ? -1 : 1;
        target = choosableFrom(landed, step);
        if (target < 0)
            target = choosableFrom(landed, -step);
        break;
    }
    }
    if (target < 0)
        return currentIndex();
    return model()->index(target, 0);
}

QItemSelectionModel::SelectionFlags NavigationList::selectionCommand(const QModelIndex &index,
                                                                     const QEvent *event) const
{
    if (!isRowChoosable(index.row()))
        return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    if (command.testFlag(QItemSelectionModel::Deselect) ||
        command.testFlag(QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return command;
}
