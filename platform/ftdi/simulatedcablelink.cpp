#include "simulatedcablelink.h"

#include "receiveevent.h"
#include "simulatedcablepeer.h"

namespace ftdi {

SimulatedCableLink::SimulatedCableLink(std::shared_ptr<SimulatedCablePeer> peer)
    : m_peer(std::move(peer))
{}

SimulatedCableLink::~SimulatedCableLink()
{
    stop();
}

void SimulatedCableLink::start()
{
    m_chip = std::thread([this] { chipLoop(); });
    if (m_peer) {
        std::weak_ptr<SimulatedCableLink> weak = weak_from_this();
        m_peer->attach([weak](const QByteArray &bytes) {
            if (auto link = weak.lock())
                link->receive(bytes);
        });
    }
}

void SimulatedCableLink::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        m_stopped = true;
        m_event = nullptr;
    }
    m_wake.notify_all();
    if (m_chip.joinable() && m_chip.get_id() != std::this_thread::get_id())
        m_chip.join();
    else if (m_chip.joinable())
        m_chip.detach();
    if (m_peer)
        m_peer->detach();
}

void SimulatedCableLink::receive(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        if (m_held.isEmpty())
            m_firstHeldAt = Clock::now();
        m_held.append(bytes);
    }
    m_wake.notify_all();
}

void SimulatedCableLink::setLatencyMs(int latencyMs)
{
    {
        std::lock_guard lock(m_mutex);
        m_latencyMs = latencyMs;
    }
    m_wake.notify_all();
}

void SimulatedCableLink::setNotification(quint32 eventMask, ReceiveEvent *event)
{
    std::lock_guard lock(m_mutex);
    m_eventMask = eventMask;
    m_event = event;
}

int SimulatedCableLink::queuedForHost() const
{
    std::lock_guard lock(m_mutex);
    return int(m_queued.size());
}

int SimulatedCableLink::heldInChip() const
{
    std::lock_guard lock(m_mutex);
    return int(m_held.size());
}

QByteArray SimulatedCableLink::takeForHost(int maxBytes)
{
    std::lock_guard lock(m_mutex);
    const QByteArray taken = m_queued.left(maxBytes);
    m_queued.remove(0, taken.size());
    return taken;
}

void SimulatedCableLink::chipLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopped) {
        if (m_held.isEmpty()) {
            m_wake.wait(lock);
            continue;
        }
        const auto deadline = m_firstHeldAt + std::chrono::milliseconds(m_latencyMs);
        if (m_held.size() >= kPacketPayloadBytes || Clock::now() >= deadline) {
            flushLocked(lock);
            continue;
        }
        m_wake.wait_until(lock, deadline);
    }
}

// Moves the held bytes to the host, at most one packet at a time as the chip sends them, and
// signals the host outside the lock so that its listener may read at once.
void SimulatedCableLink::flushLocked(std::unique_lock<std::mutex> &lock)
{
    const QByteArray packet = m_held.left(kPacketPayloadBytes);
    m_held.remove(0, packet.size());
    m_firstHeldAt = Clock::now();
    m_queued.append(packet);
    ReceiveEvent *event = (m_eventMask & kEventRxChar) ? m_event : nullptr;
    if (!event)
        return;
    lock.unlock();
    event->signal();
    lock.lock();
}

} // namespace ftdi
