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

// While it lives, Ctrl-C (SIGINT, SIGTERM) ends the process at once with "zanprog: interrupted"
// and status 1, as the device commands end. For commands that run without an event loop and so
// would never hear an InterruptWatcher; a watcher made meanwhile takes over until it goes.
class InterruptExit
{
public:
    InterruptExit();
    ~InterruptExit();
    InterruptExit(const InterruptExit &) = delete;
    InterruptExit &operator=(const InterruptExit &) = delete;
};

// Holds back the end an InterruptExit would bring while a file is being replaced, so that Ctrl-C
// ends the process before the file is touched or after it is complete, never in between.
class InterruptHold
{
public:
    InterruptHold();
    ~InterruptHold();
    InterruptHold(const InterruptHold &) = delete;
    InterruptHold &operator=(const InterruptHold &) = delete;
};
