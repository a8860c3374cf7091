// A model sync of the newer multi-section receiver through the simulated programming cable, in
// both directions, timed on the wall clock and set against the time the line itself needs
// for the same frames. The difference is what the program adds: the device memory's steps,
// the connection's queue, thread hops, frame finding, completions.
//
// Usage: bench-sync [RUNS]   (default 3)
//
// The path is a user's: DeviceMemory over DeviceConnection over FtdiCableDeviceStream over the
// simulated FTDI backend, whose chip echoes every byte written and holds short packets for the
// latency timer the stream sets (8 ms); behind it the device simulator with its wire model at
// 115 200 baud.
//
// The bound, per sync, from what crossed the cable while it ran:
//
//   bound = (bytes to the device + bytes from the device) * 10 / baud
//         + exchanges * (turnaround + latency timer)
//
// 10 bits per byte: 8N1. The line is half-duplex, so each request, the device's turnaround
// and its reply follow one another, and every reply ends in a packet shorter than the chip's
// 62 data bytes, which the chip holds for the latency timer once. A program that sent each
// request the moment the previous reply reached it would take exactly the bound.
#include "device/deviceconnection.h"
#include "device/ftdicabledevicestream.h"
#include "devicestate/devicememory.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulatedcabledevice.h"
#include "platform/ftdi/simulatedftdibackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace {

constexpr int kBaudRate = 115200;
constexpr int kBitsPerByte = 10;
constexpr int kTurnaroundMs = 1;
constexpr int kLatencyTimerMs = FtdiCableDeviceStream::kLatencyTimerMs;
constexpr int kSyncTimeoutMs = 120000;
const QByteArray kCableSerial = QByteArrayLiteral("SYNCBENCH");

// The device end of the cable, counting what crosses the line and noting when each request
// reached the device and when its reply left it.
class CountingCableDevice : public ftdi::SimulatedCablePeer
{
public:
    struct Exchange
    {
        qint64 requestNs = 0;
        qint64 replyNs = -1;
    };

    explicit CountingCableDevice(std::shared_ptr<devsim::DeviceSimulator> simulator)
        : m_device(std::move(simulator))
    {
        m_clock.start();
    }

    void attach(DeliverToHost deliver) override
    {
        m_device.attach([this, deliver = std::move(deliver)](const QByteArray &bytes) {
            {
                std::lock_guard lock(m_mutex);
                m_fromDevice += int(bytes.size());
                if (!m_exchanges.empty())
                    m_exchanges.back().replyNs = m_clock.nsecsElapsed();
            }
            deliver(bytes);
        });
    }
    void detach() override { m_device.detach(); }
    void receiveFromHost(const QByteArray &bytes) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_toDevice += int(bytes.size());
            m_exchanges.push_back({m_clock.nsecsElapsed(), -1});
        }
        m_device.receiveFromHost(bytes);
    }
    void setPowered(bool powered) override { m_device.setPowered(powered); }
    void setLatencyTimerMs(int latencyMs) override { m_device.setLatencyTimerMs(latencyMs); }

    [[nodiscard]] qint64 nowNs() const { return m_clock.nsecsElapsed(); }
    void reset()
    {
        std::lock_guard lock(m_mutex);
        m_toDevice = m_fromDevice = 0;
        m_exchanges.clear();
    }
    [[nodiscard]] std::vector<Exchange> exchanges() const
    {
        std::lock_guard lock(m_mutex);
        return m_exchanges;
    }
    [[nodiscard]] int bytesOnWire() const
    {
        std::lock_guard lock(m_mutex);
        return m_toDevice + m_fromDevice;
    }

private:
    devsim::SimulatedCableDevice m_device;
    QElapsedTimer m_clock;
    mutable std::mutex m_mutex;
    int m_toDevice = 0;
    int m_fromDevice = 0;
    std::vector<Exchange> m_exchanges;
};

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

struct Measurement
{
    bool ok = false;
    double wallMs = 0;
    double boundMs = 0;
    int requests = 0;
    int bytesOnWire = 0;
    // Time beyond the bound per exchange, at each end of the line.
    double deviceExcessMs = 0;
    double hostExcessMs = 0;
};

struct Rig
{
    explicit Rig(const devsim::DeviceProfile &profile)
        : simulator(std::make_shared<devsim::DeviceSimulator>(profile,
                                                              devsim::DeviceSimulator::Power::Off))
        , device(std::make_shared<CountingCableDevice>(simulator))
    {
        devsim::WireModel wire;
        wire.baudRate = kBaudRate;
        wire.turnaroundMs = kTurnaroundMs;
        simulator->setWireModel(wire);
        backend.addCable(kCableSerial, device);
    }

    bool comeUp()
    {
        bool opened = false;
        connection.open(std::make_unique<FtdiCableDeviceStream>(backend, kCableSerial),
                        [&](bool ok) { opened = ok; });
        if (!waitFor([&] { return opened; }, 5000))
            return false;
        std::optional<DeviceConnectionError> powered;
        connection.powerOn([&](DeviceConnectionError code) { powered = code; });
        if (!waitFor([&] { return powered.has_value(); }, 5000) ||
            *powered != DeviceConnectionError::NoError)
            return false;
        return waitFor([&] { return connection.mode() == DeviceMode::FSK; }, 5000);
    }

    Measurement measureSync(DeviceMemory &memory, const QList<SectionMetadata> &metadata,
                            InitialSyncDirection direction)
    {
        device->reset();
        const qint64 startNs = device->nowNs();
        std::optional<DeviceConnectionError> code;
        memory.setSyncConnectionAsync(&connection, metadata, direction, nullptr,
                                      [&](DeviceConnectionError c) { code = c; });
        Measurement m;
        m.ok = waitFor([&] { return code.has_value(); }, kSyncTimeoutMs) &&
               *code == DeviceConnectionError::NoError;
        const qint64 endNs = device->nowNs();
        const std::vector<CountingCableDevice::Exchange> exchanges = device->exchanges();
        m.wallMs = double(endNs - startNs) / 1e6;
        m.requests = int(exchanges.size());
        m.bytesOnWire = device->bytesOnWire();
        const double lineMs = double(m.bytesOnWire) * kBitsPerByte * 1000.0 / kBaudRate;
        m.boundMs = lineMs + m.requests * double(kTurnaroundMs + kLatencyTimerMs);

        double deviceMs = 0;
        for (const CountingCableDevice::Exchange &exchange : exchanges)
            if (exchange.replyNs >= exchange.requestNs)
                deviceMs += double(exchange.replyNs - exchange.requestNs) / 1e6;
        if (m.requests > 0) {
            m.deviceExcessMs =
                (deviceMs - lineMs - m.requests * double(kTurnaroundMs)) / m.requests;
            m.hostExcessMs =
                (m.wallMs - deviceMs - m.requests * double(kLatencyTimerMs)) / m.requests;
        }
        return m;
    }

    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::shared_ptr<CountingCableDevice> device;
    ftdi::SimulatedFtdiBackend backend;
    DeviceConnection connection;
};

void printRow(const char *name, std::vector<Measurement> runs)
{
    for (const Measurement &m : runs) {
        if (!m.ok) {
            std::printf("%-28s FAILED\n", name);
            return;
        }
    }
    std::sort(runs.begin(), runs.end(), [](const Measurement &a, const Measurement &b) {
        return a.wallMs / a.boundMs < b.wallMs / b.boundMs;
    });
    const Measurement &median = runs[runs.size() / 2];
    std::printf("%-28s %4zu %8d %9d %9.1f %9.1f %7.4f %7.4f %7.4f %8.2f %8.2f\n", name, runs.size(),
                median.requests, median.bytesOnWire, median.boundMs, median.wallMs,
                runs.front().wallMs / runs.front().boundMs, median.wallMs / median.boundMs,
                runs.back().wallMs / runs.back().boundMs, median.deviceExcessMs,
                median.hostExcessMs);
}

// A section with a one-field schema of its size, holding `contents`.
TargetSection modelSection(int id, const QByteArray &contents)
{
    TargetSection section;
    section.schema = LayoutNode::block(
        QStringLiteral("section%1").arg(id),
        {LayoutNode::scalar(QStringLiteral("bytes"), LayoutType::U8, {int(contents.size())})});
    section.defaults = QByteArray(contents.size(), '\0');
    section.modelData = contents;
    return section;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    // The newer 3-axis receiver: 13 parameter sections, 4 528 bytes in all.
    const devsim::DeviceProfile profile =
        devsim::profiles::trivorReceiver(devsim::profiles::Generation::Newer);
    QList<TargetSection> sections;
    QList<SectionMetadata> metadata;
    int sectionBytes = 0;
    const auto targets = devsim::effectiveTargets(profile);
    for (const auto &section : targets.at(0).sections) {
        QByteArray inverted = section.contents;
        for (char &byte : inverted)
            byte = char(~byte);
        sections.append(modelSection(section.id, inverted));
        metadata.append({section.id, std::uint16_t(section.contents.size()), std::nullopt});
        sectionBytes += int(section.contents.size());
    }

    Rig rig(profile);
    if (!rig.comeUp()) {
        std::fprintf(stderr, "the simulated device did not come up on the cable\n");
        return 1;
    }
    std::printf("wire: %d baud 8N1, turnaround %d ms, latency timer %d ms, cable echo on\n",
                kBaudRate, kTurnaroundMs, kLatencyTimerMs);
    std::printf("sections: %lld, %d bytes; each sync ends with the flash commit\n\n",
                static_cast<long long>(sections.size()), sectionBytes);
    std::printf("%-28s %4s %8s %9s %9s %9s %7s %7s %7s %8s %8s\n", "operation", "runs", "requests",
                "wirebytes", "bound_ms", "wall_ms", "min", "median", "max", "dev+ms/x",
                "host+ms/x");

    std::vector<Measurement> reads;
    std::vector<Measurement> writes;
    for (int run = 0; run < runs; ++run) {
        // A fresh model each run, so that every byte of the write differs from the device's.
        DeviceMemory toDevice(sections, FlashTarget::ParameterMemory);
        writes.push_back(
            rig.measureSync(toDevice, metadata, InitialSyncDirection::ComputerToDevice));
        DeviceMemory fromDevice(sections, FlashTarget::ParameterMemory);
        reads.push_back(
            rig.measureSync(fromDevice, metadata, InitialSyncDirection::DeviceToComputer));
        // The next write inverts what this one left on the device.
        for (TargetSection &section : sections)
            for (char &byte : section.modelData)
                byte = char(~byte);
    }
    printRow("sync ComputerToDevice", writes);
    printRow("sync DeviceToComputer", reads);
    std::printf("\nmin/median/max: wall time / bound; dev+ms/x and host+ms/x: time beyond the\n"
                "bound per exchange at the device's end and at the program's end (median run)\n");
    return 0;
}
