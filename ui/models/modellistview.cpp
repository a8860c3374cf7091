#include "ui/models/modellistview.h"

#include "ui/models/modellistmodel.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

ModelListView::ModelListView(QWidget *parent)
    : QListView(parent)
    , m_dragRunner([](QDrag &drag) { return drag.exec(Qt::CopyAction, Qt::CopyAction); })
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
}

void ModelListView::setDragFileProvider(DragFileProvider provider)
{
    m_dragFileProvider = std::move(provider);
}

void ModelListView::setDragRunner(DragRunner runner)
{
    m_dragRunner = std::move(runner);
}

void ModelListView::setEmptyText(const QString &text)
{
    m_emptyText = text;
    viewport()->update();
}

void ModelListView::startDrag(Qt::DropActions supportedActions)
{
    const QModelIndex index = currentIndex();
    if (!(supportedActions & Qt::CopyAction) || !m_dragFileProvider || !index.isValid() ||
        ModelListModel::kindOf(index) != ModelListModel::RowKind::Model)
        return;
    const QString path = m_dragFileProvider(index);
    if (path.isEmpty())
        return;

    auto *mimeData = new QMimeData;
    mimeData->setUrls({QUrl::fromLocalFile(path)});
    QDrag drag(this);
    drag.setMimeData(mimeData);
    const QPixmap picture = index.data(ModelListModel::PictureRole).value<QPixmap>();
    if (!picture.isNull())
        drag.setPixmap(picture);
    m_dragRunner(drag);
    // The copy exists for the drag alone; a drop target that wanted it has copied it by now.
    QFile::remove(path);
}

bool ModelListView::acceptsDrop(const QDropEvent &event)
{
    // Only drops from outside the program: a row dragged out and back is no new model.
    return event.source() == nullptr && event.mimeData() && event.mimeData()->hasUrls() &&
           (event.possibleActions() & Qt::CopyAction);
}

void ModelListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!acceptsDrop(*event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ModelListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!acceptsDrop(*event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ModelListView::dropEvent(QDropEvent *event)
{
    if (!acceptsDrop(*event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit urlsDropped(event->mimeData()->urls());
}

void ModelListView::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (currentIndex().isValid())
            emit activatedByKey(currentIndex());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void ModelListView::contextMenuEvent(QContextMenuEvent *event)
{
    QModelIndex index;
    QPoint globalPos = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        index = indexAt(event->pos());
        if (index.isValid() && (model()->flags(index) & Qt::ItemIsSelectable))
            setCurrentIndex(index);
    } else {
        index = currentIndex();
        if (index.isValid())
            globalPos = viewport()->mapToGlobal(visualRect(index).center());
    }
    if (!index.isValid() || !(model()->flags(index) & Qt::ItemIsSelectable)) {
        event->ignore();
        return;
    }
    event->accept();
    emit rowMenuRequested(index, globalPos);
}

void ModelListView::paintEvent(QPaintEvent *event)
{
    QListView::paintEvent(event);
    if (m_emptyText.isEmpty() || !model() || model()->rowCount() > 0)
        return;
    QPainter painter(viewport());
    QColor colour = palette().color(QPalette::Text);
    colour.setAlpha(140);
    painter.setPen(colour);
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_emptyText);
}
