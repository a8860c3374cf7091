// Identification, serial numbers, plain memory access, saving, keep-alive, the jump into the
// bootloader and discovery.
#include "devsim/fskreply.h"

namespace devsim {

using fskreply::kAddressBytes;
using fskreply::reply;

namespace {

constexpr int kCapabilityByteAt = 9;
constexpr int kProductHighAt = 10;
constexpr int kSerialFieldAt = 2;
constexpr int kSerialFieldBytes = 30;
constexpr int kFaaSerialMaxBytes = 20;
// The host refuses an FAA serial reply shorter than this, so short numbers are NUL-padded.
constexpr int kFaaReplyMinimumBytes = 8;

std::uint8_t capabilityBits(const DeviceProfile &profile)
{
    if (profile.laterFirmwareMajor > 0 && profile.appVersionMajor >= profile.laterFirmwareMajor)
        return std::uint8_t(profile.capabilityBits | profile.laterFirmwareCapabilityBits);
    return profile.capabilityBits;
}

// Payload: parameter CRC (u32 LE), product code low byte, application major and minor,
// parameter version, protocol version, then the capability byte and the product code's high
// byte where the device has them.
CommandOutcome identification(const HostRequest &, DeviceState &state)
{
    const DeviceProfile &profile = state.profile;
    QByteArray payload;
    fskreply::appendU32(payload, state.memory.parameterCrc());
    payload.append(char(profile.productCode & 0xFF));
    payload.append(char(profile.appVersionMajor));
    payload.append(char(profile.appVersionMinor));
    payload.append(char(profile.parameterVersion));
    payload.append(char(profile.fskProtocolVersion));
    const int productHigh = (profile.productCode >> 8) & 0xFF;
    if (profile.sendsCapabilityByte || productHigh != 0) {
        payload.append(char(profile.sendsCapabilityByte ? capabilityBits(profile) : 0));
        Q_ASSERT(payload.size() == kCapabilityByteAt + 1);
    }
    if (productHigh != 0) {
        payload.append(char(productHigh));
        Q_ASSERT(payload.size() == kProductHighAt + 1);
    }
    return {{frames::buildFskFrame(fskcmd::kIdReply, payload)}, std::nullopt};
}

// Payload: two bytes of 0, then the serial number in a 30-byte field.
CommandOutcome serialNumber(const HostRequest &request, DeviceState &state)
{
    QByteArray payload(kSerialFieldAt, '\0');
    payload += fskreply::paddedField(state.profile.serialNumber, kSerialFieldBytes);
    return reply(request.code, payload);
}

// Payload: two bytes of 0, then the FAA serial number; a device without one sends an empty
// (all NUL) number.
CommandOutcome faaSerialNumber(const HostRequest &request, DeviceState &state)
{
    QByteArray payload(kSerialFieldAt, '\0');
    payload += state.profile.faaSerialNumber.left(kFaaSerialMaxBytes);
    if (payload.size() < kFaaReplyMinimumBytes)
        payload.append(QByteArray(kFaaReplyMinimumBytes - int(payload.size()), '\0'));
    return reply(request.code, payload);
}

// Request: address (u16 LE), then as many zero bytes as are to be read. The reply echoes the
// address, followed by the bytes read from the parameter target's sections, back to back.
CommandOutcome readMemory(const HostRequest &request, DeviceState &state)
{
    if (request.payload.size() < kAddressBytes)
        return {};
    const int address = fskreply::u16At(request.payload, 0);
    const int count = int(request.payload.size()) - kAddressBytes;
    return reply(request.code,
                 request.payload.left(kAddressBytes) +
                     state.memory.read(kParameterTarget, std::nullopt, address, count));
}

// Request: address (u16 LE), then the bytes to write into RAM.
CommandOutcome writeMemory(const HostRequest &request, DeviceState &state)
{
    if (request.payload.size() < kAddressBytes)
        return {};
    state.memory.write(kParameterTarget, std::nullopt, fskreply::u16At(request.payload, 0),
                       request.payload.mid(kAddressBytes));
    return reply(request.code);
}

CommandOutcome flashSave(const HostRequest &request, DeviceState &state)
{
    state.memory.saveToFlash();
    return reply(request.code);
}

CommandOutcome bootloadMode(const HostRequest &request, DeviceState &)
{
    CommandOutcome outcome = reply(request.code);
    outcome.restartInto = DeviceMode::Bootloader;
    return outcome;
}

} // namespace

void addFskCommands(CommandTable &table)
{
    table.set(Protocol::Fsk, fskcmd::kIdRequest, identification);
    table.set(Protocol::Fsk, fskcmd::kSerial, serialNumber);
    table.set(Protocol::Fsk, fskcmd::kFaaSerial, faaSerialNumber);
    table.set(Protocol::Fsk, fskcmd::kReadMemory, readMemory);
    table.set(Protocol::Fsk, fskcmd::kWriteMemory, writeMemory);
    table.set(Protocol::Fsk, fskcmd::kFlashSave, flashSave);
    table.set(Protocol::Fsk, fskcmd::kKeepAlive,
              [](const HostRequest &request, DeviceState &) { return reply(request.code); });
    table.set(Protocol::Fsk, fskcmd::kBootloadMode, bootloadMode);
    // Discovery is for remote receivers, which answer on their own link; the device itself
    // says nothing.
    table.set(Protocol::Fsk, fskcmd::kDiscovery,
              [](const HostRequest &, DeviceState &) { return CommandOutcome{}; });
}

} // namespace devsim
