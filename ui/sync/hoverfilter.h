#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

// Runs an action when the widget it is installed on receives one kind of event, such as the
// mouse entering or leaving it. The event still reaches the widget.
class HoverFilter : public QObject
{
    Q_OBJECT

public:
    HoverFilter(QEvent::Type type, std::function<void()> action, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QEvent::Type m_type;
    std::function<void()> m_action;
};
