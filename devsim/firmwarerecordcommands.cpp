// The records of a firmware file, executed on the simulated flash of the addressed device.
#include "device/sectioncrc.h"
#include "devsim/bootloaderreply.h"
#include "devsim/firmwarerecords.h"

namespace devsim {

using Code = DeviceConnectionError;

namespace {

constexpr char kErasedByte = char(0xFF);
constexpr int kLengthOffset = 4;
constexpr int kCrcOffset = 4;

// The application of one device the bootloader can program.
struct Application
{
    QByteArray &flash;
    bool &valid;
    int &major;
    int &minor;
    int &release;
    int productCode;
    QByteArray serialNumber;
};

Application applicationOf(DeviceState &state, int device)
{
    QByteArray &flash = state.firmware.flash[device];
    if (device == 0) {
        DeviceProfile &p = state.profile;
        return {flash,
                p.applicationValid,
                p.appVersionMajor,
                p.appVersionMinor,
                p.appVersionRelease,
                p.productCode,
                p.serialNumber};
    }
    AuxiliaryDevice &a = state.auxiliaries[device - 1];
    return {flash,
            a.applicationValid,
            a.appVersionMajor,
            a.appVersionMinor,
            a.appVersionRelease,
            a.productCode,
            a.serialNumber};
}

bool fits(const QByteArray &flash, qint64 address, qint64 length)
{
    return address >= 0 && length >= 0 && address + length <= flash.size();
}

// Erasing takes the profile's erase time for the whole area, in proportion for a part.
int eraseTimeMs(const DeviceState &state, qint64 length)
{
    const qint64 whole = qMax(1, state.profile.firmwareFlashBytes);
    return int(
        qMax<qint64>(length > 0 ? 1 : 0, qint64(state.profile.eraseDurationMs) * length / whole));
}

struct Result
{
    Code code = Code::NoError;
    int busyMs = 0;
};

Result begin(Application app, const QByteArray &data,
             std::optional<FirmwareState::Version> &pending)
{
    pending.reset();
    if (fwrecord::readU16(data, 0) != app.productCode)
        return {Code::SaxWrongProduct};
    const QByteArray field = data.mid(fwrecord::kSerialOffset, fwrecord::kSerialBytes);
    const QByteArray serial =
        field.left(field.indexOf('\0') < 0 ? field.size() : field.indexOf('\0'));
    if (!serial.isEmpty() && serial != app.serialNumber)
        return {Code::SaxWrongDevice};
    return {};
}

Result eraseRange(const DeviceState &state, Application app, qint64 address, qint64 length)
{
    if (!fits(app.flash, address, length))
        return {Code::EraseBadAddress};
    app.flash.replace(int(address), int(length), QByteArray(int(length), kErasedByte));
    app.valid = false;
    return {Code::NoError, eraseTimeMs(state, length)};
}

Result writeOrVerify(Application app, const QByteArray &data, bool write)
{
    const qint64 address = fwrecord::readU32(data, 0);
    const int length = fwrecord::readU16(data, kLengthOffset);
    if (length > fwrecord::kBlockBytes || !fits(app.flash, address, length))
        return {Code::WriteBadAddress};
    const QByteArray block = data.mid(fwrecord::kBlockDataOffset, length);
    for (int i = 0; i < length; ++i) {
        const char stored = app.flash[int(address) + i];
        if (!write && stored != block[i])
            return {Code::CodeCorrupted};
        // Flash is written only where it is erased (or already holds the byte).
        if (write && stored != kErasedByte && stored != block[i])
            return {Code::WriteError};
    }
    if (write)
        app.flash.replace(int(address), length, block);
    return {};
}

Result finish(Application app, const QByteArray &data,
              std::optional<FirmwareState::Version> &pending)
{
    const qint64 length = fwrecord::readU32(data, 0);
    if (!fits(app.flash, 0, length) ||
        sectionCrc(app.flash.constData(), int(length)) != fwrecord::readU32(data, kCrcOffset))
        return {Code::CodeCorrupted};
    app.valid = true;
    if (pending) {
        app.major = pending->major;
        app.minor = pending->minor;
        app.release = pending->release;
        pending.reset();
    }
    return {};
}

Result execute(DeviceState &state, int device, std::uint8_t command, const QByteArray &data)
{
    Application app = applicationOf(state, device);
    std::optional<FirmwareState::Version> &pending = state.firmware.pendingVersion[device];
    switch (command) {
    case fwrecord::kBegin:
        return begin(app, data, pending);
    case fwrecord::kErase:
        return eraseRange(state, app, 0, app.flash.size());
    case fwrecord::kEraseRange:
        return eraseRange(state, app, fwrecord::readU32(data, 0),
                          fwrecord::readU32(data, kLengthOffset));
    case fwrecord::kWrite:
        return writeOrVerify(app, data, true);
    case fwrecord::kVerify:
        return writeOrVerify(app, data, false);
    case fwrecord::kSetVersion:
        pending = FirmwareState::Version{std::uint8_t(data[0]), std::uint8_t(data[1]),
                                         std::uint8_t(data[2])};
        return {};
    case fwrecord::kFinish:
        return finish(app, data, pending);
    default:
        return {Code::SaxCorrupt};
    }
}

CommandOutcome fileRecord(const HostRequest &request, DeviceState &state)
{
    const int device = request.argument;
    if (device >= state.deviceCount() || request.payload.size() < fwrecord::kDataBytes)
        return {};
    if (const auto &failure = state.profile.firmwareFailure) {
        if (++state.firmware.recordsSinceFailure >= failure->atRecord) {
            const Code code = failure->code;
            state.profile.firmwareFailure.reset();
            state.firmware.recordsSinceFailure = 0;
            return blreply::reply(request.code, device, code);
        }
    }
    const Result result = execute(state, device, request.code, request.payload);
    CommandOutcome outcome = blreply::reply(request.code, device, result.code);
    outcome.replyDelayMs = result.busyMs;
    return outcome;
}

} // namespace

void addFirmwareRecordCommands(CommandTable &table)
{
    for (const std::uint8_t command :
         {fwrecord::kErase, fwrecord::kWrite, fwrecord::kVerify, fwrecord::kFinish,
          fwrecord::kBegin, fwrecord::kEraseRange, fwrecord::kSetVersion})
        table.set(Protocol::Bootloader, command, fileRecord);
}

} // namespace devsim
