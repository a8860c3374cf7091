#include "devsim/devicesimulator.h"

#include <QMutexLocker>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace devsim {

namespace {

constexpr qint64 kMicrosecondsPerMs = 1000;
constexpr qint64 kNanosecondsPerUs = 1000;

std::atomic<quint64> nextSimulatorId{1};

qint64 toMs(qint64 us)
{
    return us / kMicrosecondsPerMs;
}

} // namespace

DeviceSimulator::DeviceSimulator(DeviceProfile profile, Power power, CommandTable commands)
    : m_id(nextSimulatorId.fetch_add(1))
    , m_device(std::move(profile), std::move(commands))
{
    m_clock.start();
    m_worker = new QObject;
    m_timer = new QTimer(m_worker);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer, &QTimer::timeout, m_worker, [this] { wake(); });
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("ZanProg devsim"));
    m_thread.start();
    if (power == Power::On)
        setPowered(true);
}

DeviceSimulator::~DeviceSimulator()
{
    // The worker and its timer belong to the simulator's thread: let that thread delete
    // them, then stop it. Wake-ups posted earlier run first, while this object is whole.
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            delete worker;
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_thread.wait();
}

qint64 DeviceSimulator::nowUs() const
{
    return m_clock.nsecsElapsed() / kNanosecondsPerUs;
}

DeviceProfile DeviceSimulator::profile() const
{
    QMutexLocker lock(&m_mutex);
    return m_device.state().profile;
}

void DeviceSimulator::connectHost(DeliverToHost deliver, HostGone gone)
{
    QMutexLocker lock(&m_deliveryMutex);
    m_deliver = std::move(deliver);
    m_gone = std::move(gone);
}

void DeviceSimulator::disconnectHost()
{
    QMutexLocker lock(&m_deliveryMutex);
    m_deliver = {};
    m_gone = {};
}

bool DeviceSimulator::writeFromHost(const QByteArray &bytes)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_present)
            return false;
        if (!m_device.isPowered() || bytes.isEmpty())
            return true;
        const qint64 now = nowUs();
        WireModel line = m_wire;
        line.latencyTimerMs = 0; // the chip's timer holds only what goes to the host
        for (WirePiece &piece : m_towardsDevice.send(bytes, now, line))
            m_incoming.push_back({piece.dueUs, std::move(piece.bytes)});
        // The device hears the host from now until the last of these bytes is in: they start
        // at once, or right behind earlier bytes of the host still on the line.
        m_device.hearHostUntil(toMs(m_towardsDevice.lastDueUs()));
    }
    requestWake();
    return true;
}

void DeviceSimulator::setPowered(bool powered)
{
    {
        QMutexLocker lock(&m_mutex);
        m_supplyOn = powered;
        if (!powered) {
            m_device.powerDown();
            dropTraffic(nowUs());
        } else if (m_present && !m_device.isPowered()) {
            m_device.powerUp(toMs(nowUs()));
        }
    }
    requestWake();
}

bool DeviceSimulator::isPowered() const
{
    QMutexLocker lock(&m_mutex);
    return m_device.isPowered();
}

bool DeviceSimulator::isPresent() const
{
    QMutexLocker lock(&m_mutex);
    return m_present;
}

void DeviceSimulator::plugIn()
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_present)
            return;
        m_present = true;
        if (m_supplyOn)
            m_device.powerUp(toMs(nowUs()));
    }
    requestWake();
}

void DeviceSimulator::setWireModel(const WireModel &wire)
{
    QMutexLocker lock(&m_mutex);
    m_wire = wire;
}

WireModel DeviceSimulator::wireModel() const
{
    QMutexLocker lock(&m_mutex);
    return m_wire;
}

void DeviceSimulator::setLatencyTimerMs(int latencyMs)
{
    QMutexLocker lock(&m_mutex);
    m_wire.latencyTimerMs = std::max(0, latencyMs);
}

void DeviceSimulator::addFault(const Fault &fault)
{
    QMutexLocker lock(&m_mutex);
    m_faults.add(fault);
}

void DeviceSimulator::clearFaults()
{
    QMutexLocker lock(&m_mutex);
    m_faults.clear();
}

DeviceMode DeviceSimulator::mode() const
{
    QMutexLocker lock(&m_mutex);
    return m_device.mode();
}

bool DeviceSimulator::isAnswered() const
{
    QMutexLocker lock(&m_mutex);
    return m_device.isAnswered();
}

int DeviceSimulator::announcementsSent() const
{
    QMutexLocker lock(&m_mutex);
    return m_device.announcementsSent();
}

int DeviceSimulator::repliesSent() const
{
    QMutexLocker lock(&m_mutex);
    return m_replies;
}

} // namespace devsim
