#include "device/fskpayloads.h"

#include "app/log.h"

namespace fskpayload {

namespace {

const QString kCategory = QStringLiteral("DeviceConnection");

constexpr int kAddressEchoBytes = 2;
constexpr int kIdReplyMinimumBytes = 9;
constexpr int kIdCapabilityOffset = 9;
constexpr int kIdProductHighOffset = 10;
constexpr int kSerialOffset = 2;
constexpr int kSerialLength = 30;
constexpr int kFaaSerialMinimumBytes = 8;
constexpr int kFaaSerialMaxLength = 20;
constexpr int kCrcBytes = 4;
constexpr int kSectionEntryBytes = 4;
constexpr int kSectionIndexBits = 0x1F;

std::uint8_t byteAt(const QByteArray &payload, int offset)
{
    return std::uint8_t(payload.at(offset));
}

std::uint32_t littleEndian32(const QByteArray &payload, int offset)
{
    return std::uint32_t(byteAt(payload, offset)) |
           std::uint32_t(byteAt(payload, offset + 1)) << 8 |
           std::uint32_t(byteAt(payload, offset + 2)) << 16 |
           std::uint32_t(byteAt(payload, offset + 3)) << 24;
}

void appendLittleEndian16(QByteArray &bytes, std::uint16_t value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

// Every character of the field, NUL padding included, as the bootloader's identification
// gives it: both must compare equal for the same device.
QString latin1Field(const QByteArray &payload, int offset, int length)
{
    const QByteArray field = payload.mid(offset, length);
    return QString::fromLatin1(field.constData(), int(field.size()));
}

bool flag(std::uint8_t byte, int bit)
{
    return (byte >> bit) & 1;
}

} // namespace

std::uint8_t advIndexByte(std::optional<std::uint8_t> section)
{
    if (!section)
        return 0;
    return std::uint8_t(((*section + 1) & kSectionIndexBits) << 1);
}

QByteArray readRequest(std::uint16_t address, std::uint8_t count)
{
    QByteArray payload;
    appendLittleEndian16(payload, address);
    // The device answers in the space the request took.
    payload.append(int(count), '\0');
    return payload;
}

QByteArray writeRequest(std::uint16_t address, const QByteArray &data)
{
    QByteArray payload;
    appendLittleEndian16(payload, address);
    payload.append(data);
    return payload;
}

QByteArray advReadRequest(FlashTarget target, std::optional<std::uint8_t> section,
                          std::uint16_t address, std::uint16_t count)
{
    QByteArray payload;
    payload.append(char(advIndexByte(section)));
    payload.append(char(target));
    appendLittleEndian16(payload, address);
    appendLittleEndian16(payload, count);
    return payload;
}

QByteArray advWriteRequest(FlashTarget target, std::optional<std::uint8_t> section,
                           std::uint16_t address, const QByteArray &data)
{
    QByteArray payload;
    payload.append(char(advIndexByte(section)));
    payload.append(char(target));
    appendLittleEndian16(payload, address);
    payload.append(data);
    return payload;
}

QByteArray tncStartRequest(std::uint8_t value)
{
    QByteArray payload;
    payload.append(char(value));
    payload.append('\0');
    return payload;
}

QByteArray readCalRequest(std::uint8_t index, std::uint8_t count)
{
    // A leading zero tells this apart from the TNC start, which shares the command code.
    QByteArray payload;
    payload.append('\0');
    payload.append(char(index));
    payload.append(int(count), '\0');
    return payload;
}

QByteArray setTestedRequest(std::uint8_t flag)
{
    return QByteArray(1, char(flag));
}

QByteArray sectionCrcsRequest(FlashTarget target, const QList<std::uint8_t> &sections)
{
    QByteArray payload;
    payload.append(char(target));
    for (const std::uint8_t section : sections)
        payload.append(char(section));
    return payload;
}

QByteArray targetSectionsRequest(FlashTarget target, std::uint8_t start)
{
    QByteArray payload;
    payload.append(char(target));
    payload.append(char(start));
    return payload;
}

std::shared_ptr<FskIdRequestData> decodeIdReply(const QByteArray &payload)
{
    if (payload.size() < kIdReplyMinimumBytes)
        return nullptr;
    auto data = std::make_shared<FskIdRequestData>();
    data->parameterCrc = littleEndian32(payload, 0);
    int productCode = byteAt(payload, 4);
    data->appVersionMajor = byteAt(payload, 5);
    data->appVersionMinor = byteAt(payload, 6);
    data->parameterVersion = byteAt(payload, 7);
    data->fskProtocolVersion = byteAt(payload, 8);
    // Older applications end after the protocol version; newer ones add capabilities and then
    // the high byte of a product code that outgrew eight bits.
    if (payload.size() > kIdCapabilityOffset) {
        const std::uint8_t capabilities = byteAt(payload, kIdCapabilityOffset);
        data->canReadCalibration = flag(capabilities, 0);
        data->hasFaaSerialNumber = flag(capabilities, 2);
        data->capabilityBit3 = flag(capabilities, 3);
        data->capabilityBit4 = flag(capabilities, 4);
    }
    if (payload.size() > kIdProductHighOffset)
        productCode |= byteAt(payload, kIdProductHighOffset) << 8;
    data->productCode = productCode;
    return data;
}

std::optional<QString> decodeSerialReply(const QByteArray &payload)
{
    if (payload.size() != kSerialReplyBytes)
        return std::nullopt;
    return latin1Field(payload, kSerialOffset, kSerialLength);
}

std::optional<QString> decodeFaaSerialReply(const QByteArray &payload)
{
    if (payload.size() < kFaaSerialMinimumBytes)
        return std::nullopt;
    return latin1Field(payload, kSerialOffset, kFaaSerialMaxLength);
}

std::optional<FskTncStatus> decodeTncStatusReply(const QByteArray &payload)
{
    if (payload.isEmpty())
        return std::nullopt;
    return FskTncStatus{byteAt(payload, 0), payload.mid(1)};
}

std::optional<std::uint8_t> decodeSetTestedReply(const QByteArray &payload)
{
    if (payload.isEmpty())
        return std::nullopt;
    return byteAt(payload, 0);
}

ReadReply decodeAddressedReply(const QByteArray &payload, std::uint16_t address, int count)
{
    if (payload.size() != count + kAddressEchoBytes)
        return {DeviceConnectionError::InvalidReply, {}};
    const QByteArray bytes = payload.mid(kAddressEchoBytes);
    const std::uint16_t echo = std::uint16_t(byteAt(payload, 0) | byteAt(payload, 1) << 8);
    if (echo != address)
        return {DeviceConnectionError::InvalidReply, bytes};
    return {DeviceConnectionError::NoError, bytes};
}

ReadReply decodeCalReply(const QByteArray &payload, std::uint8_t index, int count)
{
    if (payload.size() != count + kAddressEchoBytes || byteAt(payload, 0) != index ||
        byteAt(payload, 1) != 0)
        return {DeviceConnectionError::InvalidReply, {}};
    return {DeviceConnectionError::NoError, payload.mid(kAddressEchoBytes)};
}

Expected<QList<std::uint32_t>> decodeSectionCrcsReply(const QByteArray &payload,
                                                      int requestedSections)
{
    // CRCs pair with the requested sections by position. A reply that stops short still pairs
    // every CRC it has (whoever needs all of them checks the count); a surplus CRC would belong
    // to no section.
    if (payload.size() % kCrcBytes != 0 || payload.size() / kCrcBytes > requestedSections)
        return Unexpected(DeviceConnectionError::InvalidReply);
    QList<std::uint32_t> crcs;
    crcs.reserve(int(payload.size()) / kCrcBytes);
    for (int offset = 0; offset < payload.size(); offset += kCrcBytes)
        crcs.append(littleEndian32(payload, offset));
    return crcs;
}

Expected<QList<TargetSectionInfo>> decodeTargetSectionsReply(const QByteArray &payload)
{
    if (payload.isEmpty())
        return Unexpected(DeviceConnectionError::InvalidReply);
    const int count = byteAt(payload, 0);
    const int entriesEnd = 1 + kSectionEntryBytes * count;
    // Some devices add one byte after the entries.
    if (payload.size() != entriesEnd && payload.size() != entriesEnd + 1)
        return Unexpected(DeviceConnectionError::InvalidReply);
    QList<TargetSectionInfo> sections;
    sections.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int entry = 1 + kSectionEntryBytes * i; // its first byte carries nothing we use
        const auto size =
            std::uint16_t(byteAt(payload, entry + 2) | byteAt(payload, entry + 3) << 8);
        sections.append(TargetSectionInfo{byteAt(payload, entry + 1), size});
    }
    return sections;
}

void logIdReply(const FskIdRequestData &data)
{
    log(kCategory, QStringLiteral("FSK ID Request:"));
    log(kCategory,
        QStringLiteral("  Parameter CRC: 0x%1").arg(data.parameterCrc, 8, 16, QLatin1Char('0')));
    log(kCategory,
        QStringLiteral("  App product code: 0x%1").arg(data.productCode, 2, 16, QLatin1Char('0')));
    log(kCategory, QStringLiteral("  App major.minor: %1.%2")
                       .arg(data.appVersionMajor)
                       .arg(data.appVersionMinor));
    log(kCategory, QStringLiteral("  Parameter version: %1").arg(data.parameterVersion));
    log(kCategory, QStringLiteral("  FSK protocol version: %1").arg(data.fskProtocolVersion));
    if (data.canReadCalibration)
        log(kCategory, QStringLiteral("  Supports Hexavor cal progress: %1")
                           .arg(*data.canReadCalibration ? 1 : 0));
}

void logSectionCrcs(const QList<std::uint8_t> &sections, const QList<std::uint32_t> &crcs)
{
    log(kCategory, QStringLiteral("SectionCrcReqAck:"));
    for (int i = 0; i < crcs.size() && i < sections.size(); ++i)
        log(kCategory, QStringLiteral("  section %1, crc: %2").arg(sections.at(i)).arg(crcs.at(i)));
}

void logTargetSections(const QList<TargetSectionInfo> &sections)
{
    log(kCategory, QStringLiteral("FlashHeadersAck:"));
    for (const TargetSectionInfo &info : sections)
        log(kCategory,
            QStringLiteral("  Read section %1, size: %2").arg(info.section).arg(info.size));
}

} // namespace fskpayload
