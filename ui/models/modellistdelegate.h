#pragma once

#include <QStyledItemDelegate>

// Draws the rows of a ModelListModel: a model with its picture, name, product and serial
// number (the current model's name in bold, with a check mark), the group headings as plain
// captions with a rule, and the "New Model" row with an empty picture frame.
class ModelListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ModelListDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const override;

private:
    void paintHeader(QPainter *painter, const QStyleOptionViewItem &option,
                     const QModelIndex &index) const;
    void paintModel(QPainter *painter, const QStyleOptionViewItem &option,
                    const QModelIndex &index) const;
};
