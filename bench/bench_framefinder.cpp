// Frame finder throughput on a received stream of junk, replies and announcements. The wire
// delivers at most 11 520 bytes/s; the finder should be at least a thousand times faster.
#include "app/log.h"
#include "device/framefinder.h"
#include "device/frames.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

QByteArray mixedStream(int size)
{
    QRandomGenerator random(42);
    QByteArray stream;
    while (stream.size() < size) {
        QByteArray junk(int(random.bounded(40)), '\0');
        for (char &byte : junk)
            byte = char(random.bounded(256));
        stream.append(junk);
        switch (random.bounded(4)) {
        case 0:
            stream.append(frames::buildFskFrame(0x8A, "reply"));
            break;
        case 1:
            stream.append(frames::buildFskFrame(0x05));
            break;
        case 2:
            stream.append(frames::buildBootloaderReply(0x86, 0, "id"));
            break;
        default:
            stream.append(frames::buildBootloaderReply(0x02, 0, QByteArray(1, 2)));
            break;
        }
    }
    return stream;
}

void feedAll(benchmark::State &state, bool withLog)
{
    const QByteArray stream = mixedStream(1 << 18);
    const int arrival = int(state.range(0));
    Log log(1000);
    Log::install(withLog ? &log : nullptr);
    std::int64_t frames = 0;
    FrameFinder finder(
        FrameFinder::Callbacks{[] {
                                   return std::optional<FrameFinder::AwaitedReply>({0x8A, 0});
                               },
                               [&](DeviceMode, std::optional<std::uint8_t>) { ++frames; },
                               [&](DeviceConnectionError, const QByteArray &) { ++frames; }});
    for (auto _ : state) {
        for (int offset = 0; offset < stream.size(); offset += arrival)
            finder.feed(stream.mid(offset, arrival), DeviceMode::FSK);
    }
    Log::install(nullptr);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * stream.size());
    state.counters["frames"] = double(frames) / double(state.iterations());
}

void BM_FrameFinder(benchmark::State &state)
{
    feedAll(state, false);
}

void BM_FrameFinderLogging(benchmark::State &state)
{
    feedAll(state, true);
}

} // namespace

// Arrival sizes: one FSK frame, a typical cable read, and the buffer cap.
BENCHMARK(BM_FrameFinder)->Arg(64)->Arg(96)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameFinderLogging)->Arg(96)->Unit(benchmark::kMillisecond);
