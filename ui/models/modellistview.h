#pragma once

#include <QList>
#include <QListView>
#include <QUrl>

#include <functional>

class QDrag;

// The list of a ModelListModel with its delegate. Takes files dropped from outside the
// program, and drags a model row out as a file: the file comes from the drag-file provider,
// lives while the drag runs and is deleted when it ends.
class ModelListView : public QListView
{
    Q_OBJECT

public:
    // The file offered for the row; empty offers nothing.
    using DragFileProvider = std::function<QString(const QModelIndex &)>;
    // Runs the drag; QDrag::exec unless a test replaces it.
    using DragRunner = std::function<Qt::DropAction(QDrag &)>;

    explicit ModelListView(QWidget *parent = nullptr);

    void setDragFileProvider(DragFileProvider provider);
    void setDragRunner(DragRunner runner);
    // Shown in place of the rows while there are none.
    void setEmptyText(const QString &text);

signals:
    // Files dropped from outside the program, in the drop's order.
    void urlsDropped(const QList<QUrl> &urls);
    // Enter or Return on a row (the view has no editing to give these keys to).
    void activatedByKey(const QModelIndex &index);
    // The context menu of a row: the row under the pointer, or the current row when the
    // keyboard asked.
    void rowMenuRequested(const QModelIndex &index, const QPoint &globalPos);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] static bool acceptsDrop(const QDropEvent &event);

    DragFileProvider m_dragFileProvider;
    DragRunner m_dragRunner;
    QString m_emptyText;
};
