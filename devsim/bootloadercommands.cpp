#include "devsim/bootloaderreply.h"

namespace devsim {

using blreply::reply;

namespace {

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

void putBigEndian16(QByteArray &payload, int at, int value)
{
    payload[at] = char((value >> 8) & 0xFF);
    payload[at + 1] = char(value & 0xFF);
}

// The base device answers with its profile; a device behind it with its own serial number,
// product and application, and the base's bootloader. Only the base reports the devices
// behind it.
QByteArray identification(const DeviceState &state, int device)
{
    const DeviceProfile &profile = state.profile;
    AuxiliaryDevice app{profile.serialNumber,      profile.productCode,
                        profile.appVersionMajor,   profile.appVersionMinor,
                        profile.appVersionRelease, profile.applicationValid};
    if (device > 0)
        app = state.auxiliaries[device - 1];

    QByteArray payload(frames::kBootloaderReplyPayload, '\0');
    payload.replace(0, qMin(int(app.serialNumber.size()), kSerialBytes),
                    app.serialNumber.left(kSerialBytes));
    payload[kBootloaderVersionAt] = char(profile.bootloaderVersionMajor);
    payload[kBootloaderVersionAt + 1] = char(profile.bootloaderVersionMinor);
    payload[kBootloaderVersionAt + 2] = char(profile.bootloaderVersionRelease);
    const int behind = device == 0 ? int(state.auxiliaries.size()) : 0;
    payload[kBootloaderOptionsAt] =
        char((app.applicationValid ? kAppValidBit : 0) | (behind << kDeviceCountShift));
    putBigEndian16(payload, kBootloaderProductAt, profile.bootloaderProductCode);
    payload[kAppVersionAt] = char(app.appVersionMajor);
    payload[kAppVersionAt + 1] = char(app.appVersionMinor);
    payload[kAppVersionAt + 2] = char(app.appVersionRelease);
    for (int i = 0; i < int(profile.appOptionBits.size()); ++i)
        payload[kAppOptionsAt + i] = char(profile.appOptionBits[i]);
    putBigEndian16(payload, kAppProductAt, app.productCode);
    return payload;
}

// The argument names the device: 0 the one on the cable, 1..n those behind it. Nobody
// answers for an index where no device is.
CommandOutcome idRequest(const HostRequest &request, DeviceState &state)
{
    const int device = request.argument;
    if (device >= state.deviceCount())
        return {};
    return reply(request.code, device, DeviceConnectionError::NoError,
                 identification(state, device));
}

// Starts the application, unless there is no valid one to start.
CommandOutcome go(const HostRequest &request, DeviceState &state)
{
    if (!state.profile.applicationValid)
        return reply(request.code, 0, DeviceConnectionError::CodeCorrupted);
    CommandOutcome outcome = reply(request.code, 0, DeviceConnectionError::NoError);
    outcome.restartInto = DeviceMode::FSK;
    return outcome;
}

} // namespace

void addBootloaderCommands(CommandTable &table)
{
    table.set(Protocol::Bootloader, blcmd::kIdRequest, idRequest);
    table.set(Protocol::Bootloader, blcmd::kGo, go);
}

} // namespace devsim
