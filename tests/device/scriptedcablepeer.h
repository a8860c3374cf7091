#pragma once

#include "platform/ftdi/simulatedcablepeer.h"

#include <QByteArray>
#include <QMutex>

#include <atomic>

// The device end of a simulated cable as the tests script it: records what the cable tells it
// and sends whatever the test asks, optionally answering every write with a fixed reply.
class ScriptedCablePeer : public ftdi::SimulatedCablePeer
{
public:
    void attach(DeliverToHost deliver) override
    {
        QMutexLocker lock(&m_mutex);
        m_deliver = std::move(deliver);
    }
    void detach() override
    {
        QMutexLocker lock(&m_mutex);
        m_deliver = nullptr;
    }
    void receiveFromHost(const QByteArray &bytes) override
    {
        QByteArray reply;
        {
            QMutexLocker lock(&m_mutex);
            m_received.append(bytes);
            reply = m_replyToEachWrite;
        }
        if (!reply.isEmpty())
            send(reply);
    }
    void setPowered(bool powered) override { this->powered = powered; }
    void setLatencyTimerMs(int latencyMs) override { this->latencyMs = latencyMs; }

    // Sends to the program; false when the cable is not open.
    bool send(const QByteArray &bytes)
    {
        QMutexLocker lock(&m_mutex);
        if (!m_deliver)
            return false;
        m_deliver(bytes);
        return true;
    }
    void replyToEachWrite(const QByteArray &reply)
    {
        QMutexLocker lock(&m_mutex);
        m_replyToEachWrite = reply;
    }
    QByteArray received() const
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }
    [[nodiscard]] bool isAttached() const
    {
        QMutexLocker lock(&m_mutex);
        return bool(m_deliver);
    }

    std::atomic<bool> powered{false};
    std::atomic<int> latencyMs{-1};

private:
    mutable QMutex m_mutex;
    DeliverToHost m_deliver;
    QByteArray m_received;
    QByteArray m_replyToEachWrite;
};
