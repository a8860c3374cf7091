// Round trip of one command through the connection to a device that answers at once: the
// program's own overhead per command (queue, thread hops, frame finding, completion).
#include "device/deviceconnection.h"
#include "device/frames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

#ifdef ZX_BENCH_WITH_DEVSIM
#include "devsim/devicesimulator.h"
#include "devsim/simulateddevicestream.h"
#endif

namespace {

// Answers every keep-alive within the write call, on the device-IO thread.
class InstantDevice : public DeviceStream
{
public:
    QString description() const override { return QStringLiteral("instant device"); }
    SupportedModes supportedModes() const override { return SupportedModes::ApplicationOnly; }
    bool open() override { return true; }
    bool isOpen() const override { return true; }
    bool close() override { return true; }
    QByteArray readAll() override
    {
        QMutexLocker locker(&mutex);
        return std::exchange(m_pending, {});
    }
    bool write(const char *data, int length) override
    {
        {
            QMutexLocker locker(&mutex);
            if (length == frames::kFskFrameSize && std::uint8_t(data[0]) == 0x0A)
                m_pending.append(frames::buildFskFrame(0x8A));
        }
        if (dataCallback)
            dataCallback();
        return true;
    }
    bool isSameDevice(const DeviceStream &) const override { return true; }

private:
    QByteArray m_pending;
};

bool waitFor(const std::function<bool()> &condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void measureRoundTrips(benchmark::State &state, std::unique_ptr<DeviceStream> stream)
{
    DeviceConnection connection;
    bool opened = false;
    connection.open(std::move(stream), [&](bool ok) { opened = ok; });
    if (!waitFor([&] { return opened && connection.mode() == DeviceMode::FSK; })) {
        state.SkipWithError("device did not come up");
        return;
    }
    std::vector<double> microseconds;
    int failures = 0;
    for (auto _ : state) {
        bool done = false;
        QElapsedTimer timer;
        timer.start();
        connection.fskKeepAlive([&](DeviceConnectionError code) {
            done = true;
            failures += code == DeviceConnectionError::NoError ? 0 : 1;
        });
        waitFor([&] { return done; });
        microseconds.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(microseconds.begin(), microseconds.end());
    state.counters["median_us"] = microseconds[microseconds.size() / 2];
    state.counters["p90_us"] = microseconds[microseconds.size() * 9 / 10];
    state.counters["failures"] = failures;
}

void BM_RoundTripInstantDevice(benchmark::State &state)
{
    measureRoundTrips(state, std::make_unique<InstantDevice>());
}
BENCHMARK(BM_RoundTripInstantDevice)->Unit(benchmark::kMicrosecond)->Iterations(2000);

#ifdef ZX_BENCH_WITH_DEVSIM
// The in-process simulator with its wire model off (the default): adds the simulator's own
// thread hop and request handling.
void BM_RoundTripSimulator(benchmark::State &state)
{
    auto simulator = std::make_shared<devsim::DeviceSimulator>();
    measureRoundTrips(state, std::make_unique<devsim::SimulatedDeviceStream>(simulator));
}
BENCHMARK(BM_RoundTripSimulator)->Unit(benchmark::kMicrosecond)->Iterations(2000);
#endif

} // namespace
