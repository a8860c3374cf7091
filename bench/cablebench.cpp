#include "cablebench.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace cablebench {

namespace {
const QByteArray kCableSerial = QByteArrayLiteral("BENCHCABLE");
constexpr int kOpenTimeoutMs = 5000;
constexpr int kPowerUpTimeoutMs = 5000;
} // namespace

double lineMs(int bytes)
{
    return double(bytes) * kBitsPerByte * 1000.0 / kBaudRate;
}

double wireBoundMs(int bytes, int exchanges)
{
    return lineMs(bytes) + exchanges * double(kTurnaroundMs + kLatencyTimerMs);
}

QByteArray wireDescription()
{
    return QByteArray("wire: ") + QByteArray::number(kBaudRate) + " baud 8N1, turnaround " +
           QByteArray::number(kTurnaroundMs) + " ms, latency timer " +
           QByteArray::number(kLatencyTimerMs) + " ms, cable echo on";
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

bool runToCompletion(const std::function<void(DeviceConnection::Done)> &start, int timeoutMs)
{
    std::optional<DeviceConnectionError> code;
    start([&](DeviceConnectionError c) { code = c; });
    return waitFor([&] { return code.has_value(); }, timeoutMs) &&
           *code == DeviceConnectionError::NoError;
}

int CountingCableDevice::Traffic::toDevice() const
{
    int bytes = 0;
    for (const Exchange &exchange : exchanges)
        bytes += exchange.requestBytes;
    return bytes;
}

int CountingCableDevice::Traffic::fromDevice() const
{
    int bytes = unpromptedBytes;
    for (const Exchange &exchange : exchanges)
        bytes += exchange.replyBytes;
    return bytes;
}

CountingCableDevice::CountingCableDevice(std::shared_ptr<devsim::DeviceSimulator> simulator)
    : m_device(std::move(simulator))
{
    m_clock.start();
}

void CountingCableDevice::attach(DeliverToHost deliver)
{
    m_device.attach([this, deliver = std::move(deliver)](const QByteArray &bytes) {
        {
            std::lock_guard lock(m_mutex);
            const qint64 now = m_clock.nsecsElapsed();
            if (m_traffic.exchanges.empty()) {
                m_traffic.unpromptedNs = now;
                m_traffic.unpromptedBytes += int(bytes.size());
            } else {
                m_traffic.exchanges.back().replyNs = now;
                m_traffic.exchanges.back().replyBytes += int(bytes.size());
            }
        }
        deliver(bytes);
    });
}

void CountingCableDevice::detach()
{
    m_device.detach();
}

void CountingCableDevice::receiveFromHost(const QByteArray &bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_traffic.exchanges.push_back({m_clock.nsecsElapsed(), int(bytes.size())});
    }
    m_device.receiveFromHost(bytes);
}

void CountingCableDevice::setPowered(bool powered)
{
    m_device.setPowered(powered);
}

void CountingCableDevice::setLatencyTimerMs(int latencyMs)
{
    m_device.setLatencyTimerMs(latencyMs);
}

qint64 CountingCableDevice::nowNs() const
{
    return m_clock.nsecsElapsed();
}

void CountingCableDevice::reset()
{
    std::lock_guard lock(m_mutex);
    m_traffic = {};
}

CountingCableDevice::Traffic CountingCableDevice::traffic() const
{
    std::lock_guard lock(m_mutex);
    return m_traffic;
}

std::optional<RatioSpread> ratioSpread(std::vector<Measurement> runs)
{
    if (runs.empty() || !std::ranges::all_of(runs, &Measurement::ok))
        return std::nullopt;
    std::ranges::sort(runs, {}, &Measurement::ratio);
    RatioSpread spread;
    spread.runs = runs.size();
    spread.median = runs[runs.size() / 2];
    spread.minRatio = runs.front().ratio();
    spread.medianRatio = spread.median.ratio();
    spread.maxRatio = runs.back().ratio();
    return spread;
}

void printMeasuredHeader(int nameWidth)
{
    std::printf("%-*s %4s %8s %9s %9s %9s %7s %7s %7s %8s %8s\n", nameWidth, "operation", "runs",
                "requests", "wirebytes", "bound_ms", "wall_ms", "min", "median", "max", "dev+ms/x",
                "host+ms/x");
}

void printMeasuredRow(int nameWidth, const char *name, const std::vector<Measurement> &runs)
{
    const std::optional<RatioSpread> spread = ratioSpread(runs);
    if (!spread) {
        std::printf("%-*s FAILED\n", nameWidth, name);
        return;
    }
    const Measurement &median = spread->median;
    std::printf("%-*s %4zu %8d %9d %9.1f %9.1f %7.4f %7.4f %7.4f %8.2f %8.2f\n", nameWidth, name,
                spread->runs, median.exchanges, median.bytesOnWire, median.boundMs, median.wallMs,
                spread->minRatio, spread->medianRatio, spread->maxRatio, median.deviceExcessMs,
                median.hostExcessMs);
}

CableRig::CableRig(const devsim::DeviceProfile &profile)
    : simulator(
          std::make_shared<devsim::DeviceSimulator>(profile, devsim::DeviceSimulator::Power::Off))
    , device(std::make_shared<CountingCableDevice>(simulator))
{
    devsim::WireModel wire;
    wire.baudRate = kBaudRate;
    wire.turnaroundMs = kTurnaroundMs;
    simulator->setWireModel(wire);
    backend.addCable(kCableSerial, device);
}

bool CableRig::open()
{
    // Shared, so that an open completing after the wait gave up has somewhere to write.
    const auto opened = std::make_shared<bool>(false);
    connection.open(std::make_unique<FtdiCableDeviceStream>(backend, kCableSerial),
                    [opened](bool ok) { *opened = ok; });
    return waitFor([opened] { return *opened; }, kOpenTimeoutMs);
}

bool CableRig::comeUp()
{
    return open() &&
           runToCompletion(
               [&](DeviceConnection::Done done) { connection.powerOn(std::move(done)); },
               kPowerUpTimeoutMs) &&
           waitFor([&] { return connection.mode() == DeviceMode::FSK; }, kPowerUpTimeoutMs);
}

Measurement CableRig::measure(const std::function<void(DeviceConnection::Done)> &start,
                              double deviceBusyMs, int timeoutMs)
{
    device->reset();
    const qint64 startNs = device->nowNs();
    Measurement m;
    m.ok = runToCompletion(start, timeoutMs);
    const qint64 endNs = device->nowNs();
    const CountingCableDevice::Traffic traffic = device->traffic();
    m.wallMs = double(endNs - startNs) / 1e6;
    m.exchanges = int(traffic.exchanges.size());
    m.bytesOnWire = traffic.toDevice() + traffic.fromDevice();
    m.boundMs = wireBoundMs(m.bytesOnWire, m.exchanges) + deviceBusyMs;

    // From each request reaching the device to its reply leaving it is the device's end; the
    // rest of the wall time is the program's end, whose share of the bound is the latency timer.
    double deviceMs = 0;
    for (const CountingCableDevice::Exchange &exchange : traffic.exchanges)
        if (exchange.replyNs >= exchange.requestNs)
            deviceMs += double(exchange.replyNs - exchange.requestNs) / 1e6;
    const double deviceBoundMs =
        lineMs(m.bytesOnWire) + m.exchanges * double(kTurnaroundMs) + deviceBusyMs;
    const double hostBoundMs = m.exchanges * double(kLatencyTimerMs);
    if (m.exchanges > 0) {
        m.deviceExcessMs = (deviceMs - deviceBoundMs) / m.exchanges;
        m.hostExcessMs = (m.wallMs - deviceMs - hostBoundMs) / m.exchanges;
    }
    return m;
}

} // namespace cablebench
