// The simulated programming cable rig the wire-time benchmarks share: the device simulator on
// its cable, a log of what crosses the line, and the bound the line itself sets.
//
// The path is the one a user's cable takes: DeviceConnection over FtdiCableDeviceStream over
// the simulated FTDI backend, whose chip echoes every byte written and holds short packets for
// the latency timer the stream sets (8 ms); behind it the device simulator with its wire model
// at 115 200 baud. The device's own latency timer is left to the cable's chip, so the bytes
// are held once, as on a real cable.
//
// The bound of a measured operation, from what crossed the cable while it ran:
//
//   bound = (bytes to the device + bytes from the device) * 10 / baud
//         + exchanges * (turnaround + latency timer)
//
// 10 bits per byte: 8N1. An exchange is one request and its reply: the line is half-duplex,
// so the request's bytes, the device's turnaround and the reply's bytes follow one another.
// Every reply of either protocol (64-byte application frames, 77-byte bootloader frames) ends
// in a packet shorter than the chip's 62 data bytes, which the chip holds for the latency
// timer; so each exchange waits for it once. The echo of a request is flushed by its own
// timer before the reply comes, and costs nothing extra. A program that sent each request the
// moment the previous reply reached it would take exactly the bound.
#pragma once

#include "device/deviceconnection.h"
#include "device/ftdicabledevicestream.h"
#include "devsim/devicesimulator.h"
#include "devsim/simulatedcabledevice.h"
#include "platform/ftdi/simulatedftdibackend.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace cablebench {

constexpr int kBaudRate = 115200;
constexpr int kBitsPerByte = 10;
constexpr int kTurnaroundMs = 1;
constexpr int kLatencyTimerMs = FtdiCableDeviceStream::kLatencyTimerMs;

// The time the line needs to carry `bytes`.
[[nodiscard]] double lineMs(int bytes);
// The bound of `exchanges` exchanges that moved `bytes` in both directions together.
[[nodiscard]] double wireBoundMs(int bytes, int exchanges);

// The "wire: ..." line every benchmark opens its report with, without a line end.
[[nodiscard]] QByteArray wireDescription();

// Runs the event loop until `condition` holds; false when `timeoutMs` passed first.
bool waitFor(const std::function<bool()> &condition, int timeoutMs);
// Starts an operation and runs the event loop until it completes; true when it completed
// without error within `timeoutMs`.
bool runToCompletion(const std::function<void(DeviceConnection::Done)> &start, int timeoutMs);

// The device end of the cable: passes everything through to the simulated device and logs what
// crosses the line with the time, so that a benchmark can count bytes and exchanges and split
// the time between the device's end (line, turnaround, the simulator's own scheduling) and the
// program's end (the chip's latency timer, then everything the program does).
class CountingCableDevice : public ftdi::SimulatedCablePeer
{
public:
    // One write of the program's and what the device handed over before the next.
    struct Exchange
    {
        qint64 requestNs = 0; // when the request reached the device
        int requestBytes = 0;
        qint64 replyNs = -1; // when the device handed over its last bytes
        int replyBytes = 0;
    };

    struct Traffic
    {
        // What the device handed over before the program's first write, such as an
        // announcement; the time is that of its last bytes.
        qint64 unpromptedNs = -1;
        int unpromptedBytes = 0;
        std::vector<Exchange> exchanges;

        [[nodiscard]] int toDevice() const;
        [[nodiscard]] int fromDevice() const; // the unprompted bytes too
    };

    explicit CountingCableDevice(std::shared_ptr<devsim::DeviceSimulator> simulator);

    void attach(DeliverToHost deliver) override;
    void detach() override;
    void receiveFromHost(const QByteArray &bytes) override;
    void setPowered(bool powered) override;
    void setLatencyTimerMs(int latencyMs) override;

    // On the clock the log is kept by.
    [[nodiscard]] qint64 nowNs() const;
    // Starts a new log.
    void reset();
    [[nodiscard]] Traffic traffic() const;

private:
    devsim::SimulatedCableDevice m_device;
    QElapsedTimer m_clock;
    mutable std::mutex m_mutex;
    Traffic m_traffic; // under m_mutex: the device delivers from its own thread
};

// One run of an operation set against its bound.
struct Measurement
{
    bool ok = false;
    double wallMs = 0;
    double boundMs = 0;
    int exchanges = 0;
    int bytesOnWire = 0;
    // Time beyond the bound per exchange, at each end of the line (CableRig::measure only).
    double deviceExcessMs = 0;
    double hostExcessMs = 0;

    [[nodiscard]] double ratio() const { return wallMs / boundMs; }
};

// The runs of one operation by their ratio to the bound.
struct RatioSpread
{
    std::size_t runs = 0;
    Measurement median;
    double minRatio = 0;
    double medianRatio = 0;
    double maxRatio = 0;
};

// Nothing when a run failed: a failed run has no time to set against the others.
[[nodiscard]] std::optional<RatioSpread> ratioSpread(std::vector<Measurement> runs);

// The report of operations measured by CableRig::measure: a header, then a row of runs per
// operation, the operation's name in a column `nameWidth` wide.
void printMeasuredHeader(int nameWidth);
void printMeasuredRow(int nameWidth, const char *name, const std::vector<Measurement> &runs);

// The simulated device, powered off, on its cable with the wire model, and the program's
// connection to it, not yet open.
struct CableRig
{
    explicit CableRig(const devsim::DeviceProfile &profile);

    // Opens the cable.
    bool open();
    // Opens the cable and powers the device up into its application.
    bool comeUp();

    // Runs `start` to completion, timing it and counting what crossed the line meanwhile;
    // `deviceBusyMs` is time the device itself needs (erasing flash), added to the bound.
    Measurement measure(const std::function<void(DeviceConnection::Done)> &start,
                        double deviceBusyMs, int timeoutMs);

    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::shared_ptr<CountingCableDevice> device;
    ftdi::SimulatedFtdiBackend backend;
    DeviceConnection connection;
};

} // namespace cablebench
