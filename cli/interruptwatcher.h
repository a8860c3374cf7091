#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the main thread while it lives, so that Ctrl-C
// ends a wait like any other outcome: objects unwind, files in progress are discarded whole.
// The previous handlers come back on destruction. One at a time.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

signals:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};
