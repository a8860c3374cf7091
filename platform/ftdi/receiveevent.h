#pragma once

#include <QMutex>
#include <QWaitCondition>

namespace ftdi {

// An auto-reset event: signal() wakes one wait(), and a signal given while nobody waits is kept
// for the next wait(). On Windows it is a Win32 event, so that the D2XX library can signal it
// itself; elsewhere the backends signal it from their reader threads.
class ReceiveEvent
{
public:
    ReceiveEvent();
    ~ReceiveEvent();
    ReceiveEvent(const ReceiveEvent &) = delete;
    ReceiveEvent &operator=(const ReceiveEvent &) = delete;

    void signal();
    // Blocks until signalled; false when the wait itself failed.
    [[nodiscard]] bool wait();
    void reset();

    // The Win32 event handle on Windows, nullptr elsewhere.
    [[nodiscard]] void *nativeHandle() const { return m_native; }

private:
    void *m_native = nullptr;
    QMutex m_mutex;
    QWaitCondition m_signalled;
    bool m_isSet = false;
};

} // namespace ftdi
