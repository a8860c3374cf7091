#pragma once

#include "ftdiapi.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace ftdi {

class SimulatedCablePeer;

// One open session of a simulated cable: the chip's receive side. Bytes from the device (and
// the echo of the host's own bytes) are held in the chip as a real one does, and passed on to the
// host's receive queue when a full USB packet has gathered or the latency timer has run out since
// the first held byte; then the receive notification is signalled.
class SimulatedCableLink : public std::enable_shared_from_this<SimulatedCableLink>
{
public:
    // Payload of one full-speed bulk packet: 64 bytes less the two modem status bytes.
    static constexpr int kPacketPayloadBytes = 62;
    // The chip's latency timer before the host sets it.
    static constexpr int kDefaultLatencyMs = 16;

    explicit SimulatedCableLink(std::shared_ptr<SimulatedCablePeer> peer);
    ~SimulatedCableLink();

    // Attaches the peer and starts the chip. Call once, on a link owned by a shared_ptr.
    void start();
    // Detaches the peer and stops the chip; late deliveries from the peer are dropped.
    void stop();

    // Bytes arriving on the cable's receive line.
    void receive(const QByteArray &bytes);

    void setLatencyMs(int latencyMs);
    void setNotification(quint32 eventMask, ReceiveEvent *event);

    [[nodiscard]] int queuedForHost() const;
    [[nodiscard]] int heldInChip() const;
    QByteArray takeForHost(int maxBytes);

private:
    using Clock = std::chrono::steady_clock;

    void chipLoop();
    void flushLocked(std::unique_lock<std::mutex> &lock);

    const std::shared_ptr<SimulatedCablePeer> m_peer;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    QByteArray m_held;
    Clock::time_point m_firstHeldAt;
    QByteArray m_queued;
    int m_latencyMs = kDefaultLatencyMs;
    quint32 m_eventMask = 0;
    ReceiveEvent *m_event = nullptr;
    bool m_stopped = false;
    std::thread m_chip;
};

} // namespace ftdi
