// Feeds arbitrary bytes to the frame finder in arbitrary pieces and modes, and checks that
// what comes out is well formed.
#include "device/framefinder.h"
#include "device/frames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr DeviceMode kModes[] = {DeviceMode::Unknown, DeviceMode::Switching, DeviceMode::Bootloader,
                                 DeviceMode::FSK};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// Input layout: byte 0 chooses the mode (bits 0-1), whether a command waits (bit 2) and the
// device it addressed (bits 5-7); byte 1 is the awaited reply type; byte 2 the piece size.
// The rest is the received byte stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const DeviceMode mode = kModes[data[0] & 0x03];
    const bool waiting = (data[0] & 0x04) != 0;
    const FrameFinder::AwaitedReply awaited{data[1], std::uint8_t(data[0] >> 5)};
    const int piece = data[2] == 0 ? 1 << 20 : data[2] * 4;
    const char *stream = reinterpret_cast<const char *>(data + 3);
    const int streamSize = int(size - 3);

    int replies = 0;
    FrameFinder finder(FrameFinder::Callbacks{
        [&]() -> std::optional<FrameFinder::AwaitedReply> {
            if (waiting && replies == 0)
                return awaited;
            return std::nullopt;
        },
        [&](DeviceMode announced, std::optional<std::uint8_t> level) {
            check(announced == DeviceMode::Bootloader || announced == DeviceMode::FSK);
            check(level.has_value() == (announced == DeviceMode::Bootloader));
        },
        [&](DeviceConnectionError code, const QByteArray &payload) {
            check(waiting && replies == 0);
            check(int(code) >= 0 && int(code) < kDeviceConnectionErrorCount);
            check(payload.size() <= frames::kBootloaderReplyPayload);
            ++replies;
        }});

    for (int offset = 0; offset < streamSize; offset += piece) {
        const int length = std::min(piece, streamSize - offset);
        finder.feed(QByteArray(stream + offset, length), mode);
        check(finder.size() <= std::max(length, int(FrameFinder::kBufferCapBytes)));
    }
    return 0;
}
