#include "device/ui/protocoltext.h"

namespace protocoltext {

namespace {

constexpr int kCrcDigits = 8;
constexpr int kDumpBytesPerLine = 16;

QString appCrcState(int appState)
{
    switch (appState) {
    case 1:
        return QStringLiteral("Good");
    case 2:
        return QStringLiteral("Bad");
    default:
        return QStringLiteral("Unknown");
    }
}

QString version(int major, int minor)
{
    return QStringLiteral("%1.%2").arg(major).arg(minor);
}

} // namespace

QString hex(std::uint32_t value, int digits)
{
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString serialNumber(const QString &serial)
{
    int end = serial.size();
    while (end > 0 && serial.at(end - 1).isNull())
        --end;
    return serial.left(end);
}

QStringList bootloaderIdLines(const IdRequestData &data)
{
    return {
        QStringLiteral("Received bootloader ID_REQUEST_ACK"),
        QStringLiteral("  Serial number: ") + serialNumber(data.serialNumber),
        QStringLiteral("  Bootloader version: ") +
            version(data.bootloaderVersionMajor, data.bootloaderVersionMinor),
        QStringLiteral("  Bootloader product code: ") +
            hex(std::uint32_t(data.bootloaderProductCode)),
        QStringLiteral("  App version: ") + version(data.appVersionMajor, data.appVersionMinor),
        QStringLiteral("  App product code: ") + hex(std::uint32_t(data.appProductCode)),
        QStringLiteral("  App CRC state: ") + appCrcState(data.appState),
    };
}

QStringList fskIdLines(const FskIdRequestData &data)
{
    return {
        QStringLiteral("Received ID_REQ_ACK"),
        QStringLiteral("  Parameter CRC: ") + hex(data.parameterCrc, kCrcDigits),
        QStringLiteral("  App version: ") + version(data.appVersionMajor, data.appVersionMinor),
        QStringLiteral("  Product code: ") + hex(std::uint32_t(data.productCode)),
        QStringLiteral("  Parameter version: ") + QString::number(data.parameterVersion),
        QStringLiteral("  FSK protocol version: ") + QString::number(data.fskProtocolVersion),
    };
}

QStringList hexDump(const QByteArray &bytes)
{
    QStringList lines;
    for (int start = 0; start < bytes.size(); start += kDumpBytesPerLine)
        lines << QStringLiteral("  ") +
                     QString::fromLatin1(bytes.mid(start, kDumpBytesPerLine).toHex(' ').toUpper());
    return lines;
}

QStringList sectionTableLines(const QList<TargetSectionInfo> &sections)
{
    QStringList lines{QStringLiteral("Received section table:")};
    for (const TargetSectionInfo &section : sections)
        lines
            << QStringLiteral("  Section %1: %2 bytes").arg(hex(section.section)).arg(section.size);
    return lines;
}

QStringList sectionCrcLines(const QList<TargetSectionInfo> &sections,
                            const QList<std::uint32_t> &crcs)
{
    QStringList lines{QStringLiteral("Received section CRCs:")};
    for (int i = 0; i < sections.size() && i < crcs.size(); ++i)
        lines << QStringLiteral("  Section %1: %2")
                     .arg(hex(sections[i].section), hex(crcs[i], kCrcDigits));
    return lines;
}

std::expected<std::uint16_t, FieldError> parseUInt16(const QString &text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const bool isHex = trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const qlonglong value =
        isHex ? trimmed.mid(2).toLongLong(&ok, 16) : trimmed.toLongLong(&ok, 10);
    if (!ok)
        return std::unexpected(FieldError::NotInteger);
    if (value < 0 || value > kMaxFieldValue)
        return std::unexpected(FieldError::OutOfRange);
    return std::uint16_t(value);
}

} // namespace protocoltext
