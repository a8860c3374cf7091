#include "ui/widgets/inputblocker.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace inputblocker {

struct BlockedWidget
{
    QPointer<QWidget> widget;
    int count = 0;
    bool hadOwnCursor = false;
    QCursor previousCursor;
};

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::Gesture:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Shortcuts arrive at actions and shortcut objects rather than widgets; they count as input
// to the widget they work in.
const QWidget *widgetOf(const QObject *receiver)
{
    if (const auto *action = qobject_cast<const QAction *>(receiver)) {
        const QList<QWidget *> widgets = action->associatedWidgets();
        if (!widgets.isEmpty())
            return widgets.first();
    }
    for (const QObject *object = receiver; object; object = object->parent()) {
        if (object->isWidgetType())
            return static_cast<const QWidget *>(object);
    }
    return nullptr;
}

} // namespace

// Installed on the application only while some block is active, so that an idle program
// pays nothing for it.
class InputFilter : public QObject
{
public:
    using QObject::QObject;

    // Made on first use, owned by the application.
    static InputFilter *instance()
    {
        QPointer<InputFilter> &filter = existing();
        if (!filter && QCoreApplication::instance())
            filter = new InputFilter(QCoreApplication::instance());
        return filter;
    }
    static QPointer<InputFilter> &existing()
    {
        static QPointer<InputFilter> filter;
        return filter;
    }

    BlockedWidget *acquire(QWidget *widget)
    {
        auto found = std::find_if(m_blocked.begin(), m_blocked.end(),
                                  [widget](const auto &entry) { return entry->widget == widget; });
        if (found == m_blocked.end()) {
            if (m_blocked.empty())
                QCoreApplication::instance()->installEventFilter(this);
            auto entry = std::make_unique<BlockedWidget>();
            entry->widget = widget;
            entry->hadOwnCursor = widget->testAttribute(Qt::WA_SetCursor);
            entry->previousCursor = widget->cursor();
            // Input to it is swallowed, so it is not busy in the background: it waits.
            widget->setCursor(Qt::WaitCursor);
            found = m_blocked.insert(m_blocked.end(), std::move(entry));
        }
        ++(*found)->count;
        return found->get();
    }

    void release(BlockedWidget *entry)
    {
        if (--entry->count > 0)
            return;
        if (QWidget *widget = entry->widget) {
            if (entry->hadOwnCursor)
                widget->setCursor(entry->previousCursor);
            else
                widget->unsetCursor();
        }
        std::erase_if(m_blocked, [entry](const auto &blocked) { return blocked.get() == entry; });
        if (m_blocked.empty())
            QCoreApplication::instance()->removeEventFilter(this);
    }

    [[nodiscard]] bool covers(const QWidget *widget) const
    {
        if (!widget)
            return false;
        return std::any_of(m_blocked.begin(), m_blocked.end(), [widget](const auto &entry) {
            // isAncestorOf stops at window borders: dialogs opened from a blocked window are
            // windows of their own and stay usable.
            return entry->widget && entry->widget->isAncestorOf(widget);
        });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        return isUserInput(event->type()) && covers(widgetOf(watched));
    }

private:
    // Entries whose widget was destroyed stay until their blocks end; they match nothing.
    std::vector<std::unique_ptr<BlockedWidget>> m_blocked;
};

} // namespace inputblocker

InputBlock::InputBlock(QWidget *widget)
{
    if (!widget)
        return;
    m_filter = inputblocker::InputFilter::instance();
    if (m_filter)
        m_entry = m_filter->acquire(widget);
}

InputBlock::~InputBlock()
{
    release();
}

void InputBlock::release()
{
    // Without the filter (the application is gone) its entries went with it.
    if (m_entry && m_filter)
        m_filter->release(m_entry);
    m_entry = nullptr;
}

std::shared_ptr<InputBlock> blockInput(QWidget *widget)
{
    return std::make_shared<InputBlock>(widget);
}

bool isInputBlocked(const QWidget *widget)
{
    const inputblocker::InputFilter *filter = inputblocker::InputFilter::existing();
    return filter && filter->covers(widget);
}
