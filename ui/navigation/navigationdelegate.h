#pragma once

#include <QStyledItemDelegate>

// Draws the navigation rows: headings in bold on the list's background, pages indented on the
// style's item panel, and the notification picture at the right edge of a row that asks for it.
class NavigationDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const override;
};
