// The simulator's timeline: host bytes reaching the device, the device's output going onto
// the wire (shaped by faults), and deliveries to the host when they are due.
#include "devsim/devicesimulator.h"

#include <QMutexLocker>
#include <QTimer>

#include <algorithm>

namespace devsim {

namespace {

constexpr qint64 kMicrosecondsPerMs = 1000;

qint64 toMs(qint64 us)
{
    return us / kMicrosecondsPerMs;
}

} // namespace

// Called with m_mutex held. Moves everything due at `now` forward and hands back the
// outgoing entries that have reached the host.
void DeviceSimulator::advance(qint64 now, std::vector<Outgoing> &due)
{
    while (!m_incoming.empty() && m_incoming.front().dueUs <= now) {
        const Incoming incoming = std::move(m_incoming.front());
        m_incoming.pop_front();
        m_device.receive(incoming.bytes, toMs(incoming.dueUs));
        scheduleOutput(incoming.dueUs);
    }
    m_device.poll(toMs(now));
    scheduleOutput(now);

    while (!m_outgoing.empty() && m_outgoing.front().dueUs <= now) {
        Outgoing entry = std::move(m_outgoing.front());
        m_outgoing.pop_front();
        switch (entry.kind) {
        case Outgoing::Kind::Bytes:
            due.push_back(std::move(entry));
            break;
        case Outgoing::Kind::Restart:
            // Whatever the device still meant to send dies with the restart.
            dropTraffic(now);
            m_device.restart(toMs(now));
            break;
        case Outgoing::Kind::Disconnect:
            m_present = false;
            m_device.powerDown();
            dropTraffic(now);
            due.push_back(std::move(entry));
            break;
        }
    }
}

// Called with m_mutex held: puts what the device produced at `atUs` onto the wire.
void DeviceSimulator::scheduleOutput(qint64 atUs)
{
    for (const Transmission &out : m_device.takeOutput()) {
        if (!out.isReply) {
            for (WirePiece &piece : m_towardsHost.send(out.bytes, atUs, m_wire))
                m_outgoing.push_back({piece.dueUs, Outgoing::Kind::Bytes, std::move(piece.bytes)});
            continue;
        }
        ++m_replies;
        const ShapedReply shaped = shapeReply(out.bytes, out.protocol, m_faults.nextReply());
        const qint64 readyUs =
            atUs + (qint64(m_wire.turnaroundMs) + shaped.extraDelayMs) * kMicrosecondsPerMs;
        qint64 endUs = readyUs;
        for (const QByteArray &chunk : shaped.chunks) {
            for (WirePiece &piece : m_towardsHost.send(chunk, readyUs, m_wire)) {
                endUs = piece.dueUs;
                m_outgoing.push_back({piece.dueUs, Outgoing::Kind::Bytes, std::move(piece.bytes)});
            }
        }
        endUs = std::max(endUs, m_towardsHost.lastDueUs());
        if (shaped.then == ShapedReply::Then::Restart)
            m_outgoing.push_back({endUs, Outgoing::Kind::Restart, {}});
        else if (shaped.then == ShapedReply::Then::Disconnect)
            m_outgoing.push_back({endUs, Outgoing::Kind::Disconnect, {}});
    }
}

// Called with m_mutex held: bytes on the line in either direction are lost.
void DeviceSimulator::dropTraffic(qint64 now)
{
    m_incoming.clear();
    m_outgoing.clear();
    m_towardsDevice.reset(now);
    m_towardsHost.reset(now);
}

std::optional<qint64> DeviceSimulator::nextWakeUs() const
{
    std::optional<qint64> next;
    const auto consider = [&next](qint64 us) { next = next ? std::min(*next, us) : us; };
    if (!m_incoming.empty())
        consider(m_incoming.front().dueUs);
    if (!m_outgoing.empty())
        consider(m_outgoing.front().dueUs);
    if (const auto pollMs = m_device.nextPollMs())
        consider(*pollMs * kMicrosecondsPerMs);
    return next;
}

// Any thread: asks the simulator's thread to look at the timeline. Several requests before
// it gets round to it make one wake-up.
void DeviceSimulator::requestWake()
{
    if (m_wakePosted.exchange(true))
        return;
    QMetaObject::invokeMethod(
        m_worker,
        [this] {
            m_wakePosted = false;
            wake();
        },
        Qt::QueuedConnection);
}

// On the simulator's thread only.
void DeviceSimulator::wake()
{
    std::vector<Outgoing> due;
    std::optional<qint64> next;
    qint64 now = 0;
    {
        QMutexLocker lock(&m_mutex);
        now = nowUs();
        advance(now, due);
        next = nextWakeUs();
    }
    {
        // The host's functions run without m_mutex, so they may call back into us.
        QMutexLocker lock(&m_deliveryMutex);
        // Copies: the host may disconnect from inside its own function.
        for (const Outgoing &entry : due) {
            if (entry.kind == Outgoing::Kind::Bytes && m_deliver) {
                const DeliverToHost deliver = m_deliver;
                deliver(entry.bytes);
            } else if (entry.kind == Outgoing::Kind::Disconnect && m_gone) {
                const HostGone gone = m_gone;
                gone();
            }
        }
    }
    if (next) {
        const qint64 waitUs = std::max<qint64>(0, *next - now);
        m_timer->start(int((waitUs + kMicrosecondsPerMs - 1) / kMicrosecondsPerMs));
    } else {
        m_timer->stop();
    }
}

} // namespace devsim
