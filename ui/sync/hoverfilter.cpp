#include "ui/sync/hoverfilter.h"

HoverFilter::HoverFilter(QEvent::Type type, std::function<void()> action, QObject *parent)
    : QObject(parent)
    , m_type(type)
    , m_action(std::move(action))
{}

bool HoverFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == m_type && m_action)
        m_action();
    return QObject::eventFilter(watched, event);
}
