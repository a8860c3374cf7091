#include "device/idrequestdata.h"

#include "app/log.h"

namespace {

constexpr int kSerialLength = 30;
constexpr int kBootloaderOptionsOffset = 34;
constexpr int kAppOptionsOffset = 46;
constexpr int kMinimumLevelWithAppState = 2;

int byteAt(const QByteArray &payload, int offset)
{
    return std::uint8_t(payload.at(offset));
}

int bigEndian16(const QByteArray &payload, int offset)
{
    return (byteAt(payload, offset) << 8) | byteAt(payload, offset + 1);
}

std::array<std::uint8_t, 7> optionBits(const QByteArray &payload, int offset)
{
    std::array<std::uint8_t, 7> bits{};
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = std::uint8_t(byteAt(payload, offset + int(i)));
    return bits;
}

QString optionText(const std::array<std::uint8_t, 7> &bits)
{
    return QByteArray(reinterpret_cast<const char *>(bits.data()), int(bits.size())).toHex();
}

QString productText(int code)
{
    return QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0'));
}

} // namespace

std::shared_ptr<IdRequestData> decodeIdRequest(const QByteArray &payload,
                                               std::uint8_t announcedLevel)
{
    if (payload.size() < kIdRequestPayloadSize)
        return nullptr;
    auto data = std::make_shared<IdRequestData>();
    data->serialNumber = QString::fromLatin1(payload.constData(), kSerialLength);
    data->bootloaderExtra = byteAt(payload, 30) + 2;
    data->bootloaderVersionMajor = byteAt(payload, 31);
    data->bootloaderVersionMinor = byteAt(payload, 32);
    data->bootloaderVersionRelease = byteAt(payload, 33);
    data->bootloaderOptionBits = optionBits(payload, kBootloaderOptionsOffset);
    data->bootloaderProductCode = bigEndian16(payload, 41);
    const std::uint8_t options = data->bootloaderOptionBits[0];
    if (announcedLevel >= kMinimumLevelWithAppState)
        data->appState = (options & 0x01) ? 1 : 2;
    data->numDevicesConnected = std::uint8_t((options >> 1) & 0x07);
    data->appVersionMajor = byteAt(payload, 43);
    data->appVersionMinor = byteAt(payload, 44);
    data->appVersionRelease = byteAt(payload, 45);
    data->appOptionBits = optionBits(payload, kAppOptionsOffset);
    data->appProductCode = bigEndian16(payload, 53);
    return data;
}

void logIdRequest(int device, const IdRequestData &data)
{
    const QString category = QStringLiteral("DeviceConnection");
    log(category, QStringLiteral("Bootloader ID Request (device %1):").arg(device));
    log(category, QStringLiteral("  Serial number: %1").arg(data.serialNumber));
    log(category, QStringLiteral("  Bootloader major.minor.release: %1.%2.%3")
                      .arg(data.bootloaderVersionMajor)
                      .arg(data.bootloaderVersionMinor)
                      .arg(data.bootloaderVersionRelease));
    log(category, QStringLiteral("  Bootloader option bits: 0x%1")
                      .arg(optionText(data.bootloaderOptionBits)));
    log(category, QStringLiteral("  Bootloader product code: 0x%1")
                      .arg(productText(data.bootloaderProductCode)));
    log(category, QStringLiteral("  App major.minor.release: %1.%2.%3")
                      .arg(data.appVersionMajor)
                      .arg(data.appVersionMinor)
                      .arg(data.appVersionRelease));
    log(category, QStringLiteral("  App option bits: 0x%1").arg(optionText(data.appOptionBits)));
    log(category, QStringLiteral("  App product code: 0x%1").arg(productText(data.appProductCode)));
    log(category, QStringLiteral("  Num devices connected: %1").arg(data.numDevicesConnected));
}
