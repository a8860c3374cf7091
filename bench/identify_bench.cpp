// Identification of each simulated product through the programming cable, timed on the wall
// clock from the device's announcement to the device manager's deviceStateChanged, and set
// against the time the line itself needs for the same exchanges plus the connection's
// announcement delay.
//
// Usage: bench-identify [RUNS]   (default 5 per profile)
//
// The path is a user's: DeviceManager over DeviceConnection over FtdiCableDeviceStream over the
// simulated FTDI backend, whose chip echoes every written byte and holds short packets for the
// latency timer the stream sets (8 ms); behind it the device simulator with its wire model at
// 115 200 baud. Connection timings are the real ones (200 ms announcement delay).
//
// The bound of one identification:
//
//   bound = announcement delay
//         + (bytes of the requests + bytes of their replies) * 10 / baud
//         + exchanges * (turnaround + latency timer)
//
// 10 bits per byte (8N1); each exchange waits for its reply's last short packet once (see
// transfer_bench.cpp). The time starts when the device has handed over the announcement the
// program answers, so the wall time also holds that announcement's own wait in the chip
// (one latency timer), which the bound leaves out.
#include "device/deviceconnection.h"
#include "device/ftdicabledevicestream.h"
#include "devicestate/devicemanager.h"
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
#include <vector>

namespace {

constexpr int kBaudRate = 115200;
constexpr int kBitsPerByte = 10;
constexpr int kTurnaroundMs = 1;
constexpr int kLatencyTimerMs = FtdiCableDeviceStream::kLatencyTimerMs;
constexpr int kRunTimeoutMs = 30000;
const QByteArray kCableSerial = QByteArrayLiteral("BENCHCABLE");

// The device end of the cable, noting when the device handed over bytes and what the program
// wrote, so that the announcement and the exchanges after it can be told apart.
class CountingCableDevice : public ftdi::SimulatedCablePeer
{
public:
    struct Traffic
    {
        qint64 announcementNs = -1; // the device's last bytes before the program's first write
        int writes = 0;             // the program's writes, the announcement answer first
        int answerBytes = 0;        // the announcement answer
        int toDevice = 0;           // after the announcement answer
        int fromDevice = 0;         // after the announcement answer
    };

    CountingCableDevice(std::shared_ptr<devsim::DeviceSimulator> simulator,
                        const QElapsedTimer &clock)
        : m_device(std::move(simulator))
        , m_clock(clock)
    {}

    void attach(DeliverToHost deliver) override
    {
        m_device.attach([this, deliver = std::move(deliver)](const QByteArray &bytes) {
            {
                std::lock_guard lock(m_mutex);
                if (m_traffic.writes == 0)
                    m_traffic.announcementNs = m_clock.nsecsElapsed();
                else
                    m_traffic.fromDevice += int(bytes.size());
            }
            deliver(bytes);
        });
    }
    void detach() override { m_device.detach(); }
    void receiveFromHost(const QByteArray &bytes) override
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_traffic.writes++ == 0)
                m_traffic.answerBytes = int(bytes.size());
            else
                m_traffic.toDevice += int(bytes.size());
        }
        m_device.receiveFromHost(bytes);
    }
    void setPowered(bool powered) override { m_device.setPowered(powered); }
    void setLatencyTimerMs(int latencyMs) override { m_device.setLatencyTimerMs(latencyMs); }

    [[nodiscard]] Traffic traffic() const
    {
        std::lock_guard lock(m_mutex);
        return m_traffic;
    }

private:
    devsim::SimulatedCableDevice m_device;
    const QElapsedTimer &m_clock;
    mutable std::mutex m_mutex;
    Traffic m_traffic;
};

// Every named product is served by a class that holds device sections, so each
// identification goes as far as the device lets it.
ListModelClassRegistry registryForAllProfiles()
{
    ListModelClassRegistry registry;
    for (const QString &name : devsim::profiles::names()) {
        const devsim::DeviceProfile profile = *devsim::profiles::profileByName(name);
        registry.add({name, -1, true, {{profile.productCode, profile.parameterVersion}}});
    }
    return registry;
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

struct Measurement
{
    bool ok = false;
    double wallMs = 0;
    double boundMs = 0;
    int exchanges = 0;
    int bytesOnWire = 0;
};

// One identification from power-up, on a fresh cable, connection and manager.
Measurement identifyOnce(const devsim::DeviceProfile &profile, const ModelClassRegistry &registry)
{
    QElapsedTimer clock;
    clock.start();
    auto simulator =
        std::make_shared<devsim::DeviceSimulator>(profile, devsim::DeviceSimulator::Power::Off);
    devsim::WireModel wire;
    wire.baudRate = kBaudRate;
    wire.turnaroundMs = kTurnaroundMs;
    simulator->setWireModel(wire);
    auto device = std::make_shared<CountingCableDevice>(simulator, clock);
    ftdi::SimulatedFtdiBackend backend;
    backend.addCable(kCableSerial, device);
    DeviceConnection connection;
    DeviceManager manager(&connection, registry);

    Measurement m;
    qint64 stateChangedNs = -1;
    QObject::connect(&manager, &DeviceManager::deviceStateChanged, &manager, [&] {
        if (stateChangedNs < 0)
            stateChangedNs = clock.nsecsElapsed();
    });
    bool opened = false;
    connection.open(std::make_unique<FtdiCableDeviceStream>(backend, kCableSerial),
                    [&](bool ok) { opened = ok; });
    if (!waitFor([&] { return opened; }, 5000))
        return m;
    connection.powerOn({});
    if (!waitFor([&] { return stateChangedNs >= 0; }, kRunTimeoutMs))
        return m;

    const CountingCableDevice::Traffic traffic = device->traffic();
    m.ok = traffic.announcementNs >= 0 && manager.serialNumber().size() > 0;
    m.wallMs = double(stateChangedNs - traffic.announcementNs) / 1e6;
    m.exchanges = traffic.writes - 1;
    m.bytesOnWire = traffic.toDevice + traffic.fromDevice;
    m.boundMs = connection.timings().announcementSettleMs +
                double(m.bytesOnWire) * kBitsPerByte * 1000.0 / kBaudRate +
                m.exchanges * double(kTurnaroundMs + kLatencyTimerMs);
    connection.close();
    return m;
}

void printRow(const QString &name, std::vector<Measurement> runs)
{
    const QByteArray label = name.toLatin1();
    for (const Measurement &m : runs) {
        if (!m.ok) {
            std::printf("%-28s FAILED\n", label.constData());
            return;
        }
    }
    std::sort(runs.begin(), runs.end(), [](const Measurement &a, const Measurement &b) {
        return a.wallMs / a.boundMs < b.wallMs / b.boundMs;
    });
    const Measurement &median = runs[runs.size() / 2];
    std::printf("%-28s %4zu %9d %9d %9.1f %9.1f %7.3f %7.3f %7.3f\n", label.constData(),
                runs.size(), median.exchanges, median.bytesOnWire, median.boundMs, median.wallMs,
                runs.front().wallMs / runs.front().boundMs, median.wallMs / median.boundMs,
                runs.back().wallMs / runs.back().boundMs);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const ListModelClassRegistry registry = registryForAllProfiles();

    std::printf("wire: %d baud 8N1, turnaround %d ms, latency timer %d ms, cable echo on; "
                "announcement delay %d ms\n\n",
                kBaudRate, kTurnaroundMs, kLatencyTimerMs, kAnnouncementSettleMs);
    std::printf("%-28s %4s %9s %9s %9s %9s %7s %7s %7s\n", "profile", "runs", "exchanges",
                "wirebytes", "bound_ms", "wall_ms", "min", "median", "max");
    for (const QString &name : devsim::profiles::names()) {
        const devsim::DeviceProfile profile = *devsim::profiles::profileByName(name);
        std::vector<Measurement> measurements;
        for (int run = 0; run < runs; ++run)
            measurements.push_back(identifyOnce(profile, registry));
        printRow(name, measurements);
    }
    std::printf("\nwall: from the device handing over the announcement it gets answered to "
                "deviceStateChanged (median run);\nratio = wall / bound (min, median, max); the "
                "wall time includes one latency timer for the announcement itself.\n");
    return 0;
}
