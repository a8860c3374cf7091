#pragma once

#include <QMutex>
#include <QObject>

#include <functional>
#include <memory>

// Carries results of one open stream from the threads that touch it (the device-IO thread, the
// thread that reports input) back to the connection's thread. When the connection lets go of
// the stream it detaches the relay: results of that stream still in flight are then dropped,
// so bytes or faults of an old stream never reach a newer one or a destroyed connection.
class StreamRelay : public std::enable_shared_from_this<StreamRelay>
{
public:
    explicit StreamRelay(QObject *target)
        : m_target(target)
    {}

    // From any thread: runs `work` on the target's thread, unless detached by then.
    void post(std::function<void()> work)
    {
        QMutexLocker locker(&m_mutex);
        if (!m_target)
            return;
        // The lock keeps the target alive while the call is queued; detaching takes it too.
        QMetaObject::invokeMethod(
            m_target,
            [relay = shared_from_this(), work = std::move(work)] {
                if (relay->isAttached())
                    work();
            },
            Qt::QueuedConnection);
    }

    // On the target's thread.
    void detach()
    {
        QMutexLocker locker(&m_mutex);
        m_target = nullptr;
    }
    [[nodiscard]] bool isAttached() const
    {
        QMutexLocker locker(&m_mutex);
        return m_target != nullptr;
    }

private:
    mutable QMutex m_mutex;
    QObject *m_target;
};
