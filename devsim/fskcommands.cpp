#include "device/frames.h"
#include "devsim/commandtable.h"

namespace devsim {

namespace {

// Reply type of an application request: the request type with bit 7 set.
std::uint8_t replyType(std::uint8_t request)
{
    return std::uint8_t(request | frames::kFskReplyBit);
}

CommandOutcome reply(std::uint8_t request, const QByteArray &payload = {})
{
    return {{frames::buildFskFrame(replyType(request), payload)}, std::nullopt};
}

constexpr char kErasedByte = char(0xFF);
constexpr int kAddressBytes = 2;

// Request: address (u16 little-endian), then as many zero bytes as are to be read. The reply
// echoes the address, followed by the bytes read.
CommandOutcome readMemory(const HostRequest &request, DeviceState &state)
{
    if (request.payload.size() < kAddressBytes)
        return {};
    const int address = std::uint8_t(request.payload[0]) | (std::uint8_t(request.payload[1]) << 8);
    const int count = int(request.payload.size()) - kAddressBytes;
    QByteArray payload = request.payload.left(kAddressBytes);
    const QByteArray &memory = state.parameterMemory;
    for (int i = 0; i < count; ++i) {
        const int at = address + i;
        payload.append(at < memory.size() ? memory[at] : kErasedByte);
    }
    return reply(request.code, payload);
}

} // namespace

void addFskCommands(CommandTable &table)
{
    table.set(Protocol::Fsk, fskcmd::kKeepAlive,
              [](const HostRequest &request, DeviceState &) { return reply(request.code); });
    table.set(Protocol::Fsk, fskcmd::kBootloadMode, [](const HostRequest &request, DeviceState &) {
        CommandOutcome outcome = reply(request.code);
        outcome.restartInto = DeviceMode::Bootloader;
        return outcome;
    });
    table.set(Protocol::Fsk, fskcmd::kReadMemory, readMemory);
}

} // namespace devsim
