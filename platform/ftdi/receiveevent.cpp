#include "receiveevent.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace ftdi {

#ifdef Q_OS_WIN

ReceiveEvent::ReceiveEvent()
    : m_native(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{}

ReceiveEvent::~ReceiveEvent()
{
    if (m_native)
        CloseHandle(m_native);
}

void ReceiveEvent::signal()
{
    if (m_native)
        SetEvent(m_native);
}

bool ReceiveEvent::wait()
{
    return m_native && WaitForSingleObject(m_native, INFINITE) == WAIT_OBJECT_0;
}

void ReceiveEvent::reset()
{
    if (m_native)
        ResetEvent(m_native);
}

#else

ReceiveEvent::ReceiveEvent() = default;
ReceiveEvent::~ReceiveEvent() = default;

void ReceiveEvent::signal()
{
    QMutexLocker locker(&m_mutex);
    m_isSet = true;
    m_signalled.wakeOne();
}

bool ReceiveEvent::wait()
{
    QMutexLocker locker(&m_mutex);
    while (!m_isSet)
        m_signalled.wait(&m_mutex);
    m_isSet = false;
    return true;
}

void ReceiveEvent::reset()
{
    QMutexLocker locker(&m_mutex);
    m_isSet = false;
}

#endif

} // namespace ftdi
