#pragma once

#include "device/fsktypes.h"
#include "device/idrequestdata.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <expected>

// How the protocol test window writes what came back: values as the protocol names them,
// one log paragraph per line.
namespace protocoltext {

// "0x" and upper-case hexadecimal digits, zero-padded to `digits`.
[[nodiscard]] QString hex(std::uint32_t value, int digits = 2);

// A serial number as read, without the zero bytes that pad it to its field.
[[nodiscard]] QString serialNumber(const QString &serial);
// The lines after the bootloader's identification reply.
[[nodiscard]] QStringList bootloaderIdLines(const IdRequestData &data);
// The lines after the application's identification reply.
[[nodiscard]] QStringList fskIdLines(const FskIdRequestData &data);
// Bytes as upper-case hexadecimal pairs, 16 to a line.
[[nodiscard]] QStringList hexDump(const QByteArray &bytes);
[[nodiscard]] QStringList sectionTableLines(const QList<TargetSectionInfo> &sections);
[[nodiscard]] QStringList sectionCrcLines(const QList<TargetSectionInfo> &sections,
                                          const QList<std::uint32_t> &crcs);

enum class FieldError { NotInteger, OutOfRange };
inline constexpr int kMaxFieldValue = 0xFFFF;
// A 16-bit unsigned value typed in decimal or, after "0x", in hexadecimal.
[[nodiscard]] std::expected<std::uint16_t, FieldError> parseUInt16(const QString &text);

} // namespace protocoltext
