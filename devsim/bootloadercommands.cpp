#include "device/deviceconnectionerror.h"
#include "device/frames.h"
#include "devsim/commandtable.h"

namespace devsim {

namespace {

constexpr int kStatusDeviceShift = 5;
constexpr int kMaxDeviceIndex = 7; // three bits in the status byte

// Identification reply layout (payload offsets).
constexpr int kSerialBytes = 30;
constexpr int kBootloaderVersionAt = 31;
constexpr int kBootloaderOptionsAt = 34;
constexpr int kBootloaderProductAt = 41;
constexpr int kAppVersionAt = 43;
constexpr int kAppOptionsAt = 46;
constexpr int kAppProductAt = 53;
constexpr std::uint8_t kAppValidBit = 0x01;
constexpr int kDeviceCountShift = 1; // bits 3..1 of the first bootloader option byte

std::uint8_t replyType(std::uint8_t command)
{
    return std::uint8_t(command + frames::kBootloaderReplyOffset);
}

std::uint8_t status(int device, DeviceConnectionError result)
{
    return std::uint8_t((device << kStatusDeviceShift) | (int(result) & 0x1F));
}

void putBigEndian16(QByteArray &payload, int at, int value)
{
    payload[at] = char((value >> 8) & 0xFF);
    payload[at + 1] = char(value & 0xFF);
}

QByteArray identification(const DeviceProfile &profile, int device)
{
    QByteArray payload(frames::kBootloaderReplyPayload, '\0');
    QByteArray serial = profile.serialNumber;
    // Devices behind the base one are told apart by a suffix on the base's serial number.
    if (device > 0)
        serial += "-A" + QByteArray::number(device);
    payload.replace(0, qMin(int(serial.size()), kSerialBytes), serial.left(kSerialBytes));
    payload[kBootloaderVersionAt] = char(profile.bootloaderVersionMajor);
    payload[kBootloaderVersionAt + 1] = char(profile.bootloaderVersionMinor);
    payload[kBootloaderVersionAt + 2] = char(profile.bootloaderVersionRelease);
    const int deviceCount = qBound(0, profile.auxiliaryDeviceCount, kMaxDeviceIndex);
    payload[kBootloaderOptionsAt] = char((profile.applicationValid ? kAppValidBit : 0) |
                                         (device == 0 ? deviceCount << kDeviceCountShift : 0));
    putBigEndian16(payload, kBootloaderProductAt, profile.bootloaderProductCode);
    payload[kAppVersionAt] = char(profile.appVersionMajor);
    payload[kAppVersionAt + 1] = char(profile.appVersionMinor);
    payload[kAppVersionAt + 2] = char(profile.appVersionRelease);
    for (int i = 0; i < int(profile.appOptionBits.size()); ++i)
        payload[kAppOptionsAt + i] = char(profile.appOptionBits[i]);
    putBigEndian16(payload, kAppProductAt, profile.productCode);
    return payload;
}

// The argument names the device: 0 the one on the cable, 1..n those behind it. Nobody
// answers for an index where no device is.
CommandOutcome idRequest(const HostRequest &request, DeviceState &state)
{
    const int device = request.argument;
    if (device > qBound(0, state.profile.auxiliaryDeviceCount, kMaxDeviceIndex))
        return {};
    const QByteArray payload = identification(state.profile, device);
    return {{frames::buildBootloaderReply(replyType(request.code),
                                          status(device, DeviceConnectionError::NoError), payload)},
            std::nullopt};
}

// Starts the application, unless there is no valid one to start.
CommandOutcome go(const HostRequest &request, DeviceState &state)
{
    if (!state.profile.applicationValid) {
        return {{frames::buildBootloaderReply(replyType(request.code),
                                              status(0, DeviceConnectionError::CodeCorrupted))},
                std::nullopt};
    }
    return {{frames::buildBootloaderReply(replyType(request.code),
                                          status(0, DeviceConnectionError::NoError))},
            DeviceMode::FSK};
}

} // namespace

void addBootloaderCommands(CommandTable &table)
{
    table.set(Protocol::Bootloader, blcmd::kIdRequest, idRequest);
    table.set(Protocol::Bootloader, blcmd::kGo, go);
}

} // namespace devsim
