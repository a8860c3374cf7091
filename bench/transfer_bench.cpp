// Range transfers and a firmware transfer through the simulated programming cable, timed on
// the wall clock and set against the time the line itself needs for the same frames. The
// difference is what the program adds: queueing, thread hops, frame finding, completions.
//
// Usage: bench-transfer [RANGE_RUNS [SAX_RUNS]]   (defaults 3 and 1; a firmware run takes
// about 40 s)
//
// The path is the one a user's cable takes: DeviceConnection over FtdiCableDeviceStream over
// the simulated FTDI backend, whose chip echoes every byte written and holds short packets for
// the latency timer the stream sets (8 ms); behind it the device simulator with its wire model
// at 115 200 baud. The device's own latency timer is left to the cable's chip, so the bytes
// are held once, as on a real cable.
//
// The bound, per measured operation, from what crossed the cable while it ran:
//
//   bound = (bytes to the device + bytes from the device) * 10 / baud
//         + exchanges * (turnaround + latency timer)
//         + the time the device is busy (erasing flash)
//
// 10 bits per byte: 8N1. An exchange is one request and its reply: the line is half-duplex,
// so the request's bytes, the device's turnaround and the reply's bytes follow one another.
// Every reply of either protocol (64-byte application frames, 77-byte bootloader frames) ends
// in a packet shorter than the chip's 62 data bytes, which the chip holds for the latency
// timer; so each exchange waits for it once. The echo of a request is flushed by its own
// timer before the reply comes, and costs nothing extra. A program that sent
// each request the moment the previous reply reached it would take exactly the bound.
#include "device/deviceconnection.h"
#include "device/ftdicabledevicestream.h"
#include "device/saxfile.h"
#include "devsim/devicesimulator.h"
#include "devsim/firmwarerecords.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
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
constexpr int kSaxImageBytes = 293 * 1024; // makes a file of about 300 KB
const QByteArray kCableSerial = QByteArrayLiteral("BENCHCABLE");

// The device end of the cable, counting what crosses the line in each direction and noting
// when each request reached the device and when its reply left it, so the time can be split
// between the device's end (line, turnaround, the simulator's own scheduling) and the
// program's end (the chip's latency timer, then everything the program does).
class CountingCableDevice : public ftdi::SimulatedCablePeer
{
public:
    struct Exchange
    {
        qint64 requestNs = 0;
        qint64 replyNs = -1; // when the device handed over its last bytes
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
                fromDevice += int(bytes.size());
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
            toDevice += int(bytes.size());
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
        toDevice = fromDevice = 0;
        m_exchanges.clear();
    }
    [[nodiscard]] std::vector<Exchange> exchanges() const
    {
        std::lock_guard lock(m_mutex);
        return m_exchanges;
    }

    int toDevice = 0;   // under m_mutex while a transfer runs
    int fromDevice = 0; // under m_mutex while a transfer runs

private:
    devsim::SimulatedCableDevice m_device;
    QElapsedTimer m_clock;
    mutable std::mutex m_mutex;
    std::vector<Exchange> m_exchanges;
};

// One parameter section as the benchmark moves it.
struct Section
{
    std::uint8_t id = 0;
    QByteArray contents;
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

template <typename T> std::optional<T> finish(Task<T> task)
{
    if (!waitFor([&] { return task.isReady(); }, 10000) || !task.result().has_value())
        return std::nullopt;
    return task.result().value();
}

bool finish(const std::function<void(DeviceConnection::Done)> &start, int timeoutMs)
{
    std::optional<DeviceConnectionError> code;
    start([&](DeviceConnectionError c) { code = c; });
    return waitFor([&] { return code.has_value(); }, timeoutMs) &&
           *code == DeviceConnectionError::NoError;
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

// The simulated device on its cable, opened and powered up by the program.
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
        if (!finish([&](DeviceConnection::Done done) { connection.powerOn(std::move(done)); },
                    5000))
            return false;
        return waitFor([&] { return connection.mode() == DeviceMode::FSK; }, 5000);
    }

    // Runs `start` to completion, timing it and counting what crossed the line meanwhile.
    Measurement measure(const std::function<void(DeviceConnection::Done)> &start,
                        double deviceBusyMs, int timeoutMs)
    {
        device->reset();
        const qint64 startNs = device->nowNs();
        Measurement m;
        m.ok = finish(start, timeoutMs);
        const qint64 endNs = device->nowNs();
        const std::vector<CountingCableDevice::Exchange> exchanges = device->exchanges();
        m.wallMs = double(endNs - startNs) / 1e6;
        m.requests = int(exchanges.size());
        m.bytesOnWire = device->toDevice + device->fromDevice;
        const double lineMs = double(m.bytesOnWire) * kBitsPerByte * 1000.0 / kBaudRate;
        m.boundMs = lineMs + m.requests * double(kTurnaroundMs + kLatencyTimerMs) + deviceBusyMs;

        // From each request reaching the device to its reply leaving it is the device's end;
        // the rest of the wall time is the program's end, whose share of the bound is the
        // latency timer.
        double deviceMs = 0;
        for (const CountingCableDevice::Exchange &exchange : exchanges)
            if (exchange.replyNs >= exchange.requestNs)
                deviceMs += double(exchange.replyNs - exchange.requestNs) / 1e6;
        const double deviceBoundMs = lineMs + m.requests * double(kTurnaroundMs) + deviceBusyMs;
        const double hostBoundMs = m.requests * double(kLatencyTimerMs);
        if (m.requests > 0) {
            m.deviceExcessMs = (deviceMs - deviceBoundMs) / m.requests;
            m.hostExcessMs = (m.wallMs - deviceMs - hostBoundMs) / m.requests;
        }
        return m;
    }

    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::shared_ptr<CountingCableDevice> device;
    ftdi::SimulatedFtdiBackend backend;
    DeviceConnection connection;
};

// Every section of the parameter target, read one after another, each a single range.
void readSections(DeviceConnection &connection, const std::vector<Section> &sections,
                  std::size_t next, DeviceConnection::Done done)
{
    if (next == sections.size()) {
        done(DeviceConnectionError::NoError);
        return;
    }
    const Section &section = sections[next];
    connection.fskAdvRead(
        FlashTarget::ParameterMemory, section.id, 0, std::uint16_t(section.contents.size()),
        [](float) {},
        [&connection, &sections, next, done](DeviceConnectionError code, const QByteArray &bytes) {
            // A read that returns other bytes than the device holds is no result to time.
            if (code == DeviceConnectionError::NoError && bytes != sections[next].contents)
                code = DeviceConnectionError::InvalidReply;
            if (code != DeviceConnectionError::NoError)
                done(code);
            else
                readSections(connection, sections, next + 1, done);
        });
}

void writeSections(DeviceConnection &connection, const std::vector<Section> &sections,
                   std::size_t next, DeviceConnection::Done done)
{
    if (next == sections.size()) {
        done(DeviceConnectionError::NoError);
        return;
    }
    const Section &section = sections[next];
    // Inverted, so that every byte changes on the device.
    QByteArray data = section.contents;
    for (char &byte : data)
        byte = char(~byte);
    connection.fskAdvWrite(
        FlashTarget::ParameterMemory, section.id, 0, data, [](float) {},
        [&connection, &sections, next, done](DeviceConnectionError code) {
            if (code != DeviceConnectionError::NoError)
                done(code);
            else
                writeSections(connection, sections, next + 1, done);
        });
}

// The device's busy time while it executes the file: only the erase records take time, and
// the writer's files erase with one whole-area record (at least 1 ms in the simulator).
double eraseBusyMs(const QByteArray &file, int recordsOffset, const devsim::DeviceProfile &profile)
{
    double busy = 0;
    for (int offset = recordsOffset; offset + devsim::sax::kRecordBytes <= file.size();
         offset += devsim::sax::kRecordBytes) {
        if (std::uint8_t(file.at(offset)) == devsim::fwrecord::kErase)
            busy += std::max(1, profile.eraseDurationMs);
    }
    return busy;
}

void printRow(const char *name, std::vector<Measurement> runs)
{
    for (const Measurement &m : runs) {
        if (!m.ok) {
            std::printf("%-24s FAILED\n", name);
            return;
        }
    }
    std::sort(runs.begin(), runs.end(), [](const Measurement &a, const Measurement &b) {
        return a.wallMs / a.boundMs < b.wallMs / b.boundMs;
    });
    const Measurement &median = runs[runs.size() / 2];
    std::printf("%-24s %4zu %8d %9d %9.1f %9.1f %7.4f %7.4f %7.4f %8.2f %8.2f\n", name, runs.size(),
                median.requests, median.bytesOnWire, median.boundMs, median.wallMs,
                runs.front().wallMs / runs.front().boundMs, median.wallMs / median.boundMs,
                runs.back().wallMs / runs.back().boundMs, median.deviceExcessMs,
                median.hostExcessMs);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rangeRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int saxRuns = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1;

    // The newer 3-axis receiver: 13 parameter sections, 4 528 bytes in all.
    const devsim::DeviceProfile profile =
        devsim::profiles::trivorReceiver(devsim::profiles::Generation::Newer);
    std::vector<Section> sections;
    const auto targets = devsim::effectiveTargets(profile);
    for (const auto &section : targets.at(0).sections)
        sections.push_back({section.id, section.contents});
    int sectionBytes = 0;
    for (const Section &section : sections)
        sectionBytes += int(section.contents.size());

    Rig rig(profile);
    if (!rig.comeUp()) {
        std::fprintf(stderr, "the simulated device did not come up on the cable\n");
        return 1;
    }
    std::printf("wire: %d baud 8N1, turnaround %d ms, latency timer %d ms, cable echo on\n",
                kBaudRate, kTurnaroundMs, kLatencyTimerMs);
    std::printf("sections: %zu, %d bytes\n\n", sections.size(), sectionBytes);
    std::printf("%-24s %4s %8s %9s %9s %9s %7s %7s %7s %8s %8s\n", "operation", "runs", "requests",
                "wirebytes", "bound_ms", "wall_ms", "min", "median", "max", "dev+ms/x",
                "host+ms/x");

    std::vector<Section> current = sections; // what the device holds
    std::vector<Measurement> reads;
    std::vector<Measurement> writes;
    for (int run = 0; run < rangeRuns; ++run) {
        reads.push_back(rig.measure(
            [&](DeviceConnection::Done done) {
                readSections(rig.connection, current, 0, std::move(done));
            },
            0, 60000));
        writes.push_back(rig.measure(
            [&](DeviceConnection::Done done) {
                writeSections(rig.connection, current, 0, std::move(done));
            },
            0, 60000));
        // The next read checks for what this write left on the device.
        if (writes.back().ok)
            for (Section &section : current)
                for (char &byte : section.contents)
                    byte = char(~byte);
    }
    printRow("fskAdvRead 4528 B", reads);
    printRow("fskAdvWrite 4528 B", writes);

    if (saxRuns > 0) {
        devsim::sax::Options options;
        options.imageBytes = kSaxImageBytes;
        const QByteArray file = devsim::sax::writeFile(profile, options);

        if (!finish(
                [&](DeviceConnection::Done done) {
                    rig.connection.switchToMode(DeviceMode::Bootloader, std::move(done));
                },
                10000)) {
            std::fprintf(stderr, "the device did not start its bootloader\n");
            return 1;
        }
        const auto id = finish(rig.connection.idRequestAsync(0));
        if (!id) {
            std::fprintf(stderr, "the bootloader did not identify itself\n");
            return 1;
        }
        const Expected<saxfile::Header> header =
            saxfile::checkHeader(file, std::uint16_t(profile.productCode), (*id)->serialNumber);
        if (!header) {
            std::fprintf(stderr, "the firmware file does not fit the device\n");
            return 1;
        }
        const double busyMs = eraseBusyMs(file, header->recordsOffset, profile);
        std::vector<Measurement> transfers;
        for (int run = 0; run < saxRuns; ++run) {
            transfers.push_back(rig.measure(
                [&](DeviceConnection::Done done) {
                    rig.connection.sendSaxFile(
                        0, file, std::uint16_t(profile.productCode), (*id)->serialNumber,
                        [](float) {}, std::move(done));
                },
                busyMs, 300000));
        }
        const QByteArray name = QStringLiteral("sendSaxFile %1 B").arg(file.size()).toLatin1();
        printRow(name.constData(), transfers);
        std::printf("\n(firmware bound includes %.0f ms of erasing)\n", busyMs);
    }
    std::printf("ratio = wall time / bound (min, median, max over the runs); 1.05 means 5 %% "
                "over the bound.\n"
                "dev+ms/x, host+ms/x: time beyond the bound per exchange at the device's end "
                "(the simulator) and at the program's end (cable chip, program), median run\n");
    return 0;
}
