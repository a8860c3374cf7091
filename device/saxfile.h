#pragma once

#include "device/expected.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// Firmware files (SAX): a header naming the products and the device the file is for, then
// records that the bootloader executes one by one. The checks here read nothing outside the
// file, whatever it holds.
namespace saxfile {

inline constexpr int kSignatureBytes = 8;
inline constexpr int kRecordBytes = 523;     // command, data, checksum
inline constexpr int kRecordDataBytes = 520; // one bootloader frame's payload
inline constexpr int kSerialFieldBytes = 30;

// Erasing and the like take the bootloader far longer than other records.
inline constexpr int kSaxEraseTimeoutMs = 18100;

struct Header
{
    int version = 0;         // 1, or 2 with a target serial number
    int productListMode = 0; // 0: the list allows; otherwise it forbids
    QByteArray productList;  // 8-bit product codes
    QString serialNumber;    // version 2: the one device allowed; empty for any
    int recordsOffset = 0;   // where the first record starts
};

// Checks the header of `file` against the device it is meant for: signature, version,
// product list (against the low eight bits of `productCode`) and, in version 2, the serial
// number. The first failing check gives its code: NotSaxFile, SaxCorrupt, SaxTruncated,
// SaxVersionUnsupported, SaxWrongProduct or SaxWrongDevice.
[[nodiscard]] Expected<Header> checkHeader(const QByteArray &file, std::uint16_t productCode,
                                           const QString &serialNumber);

struct Record
{
    std::uint8_t command = 0;
    QByteArray data; // kRecordDataBytes
    std::uint8_t replyType = 0;
    int timeoutMs = 0; // 0: the connection's acknowledgement timeout
};

// The record at `offset`: SaxTruncated when the file ends inside it, SaxCorrupt when its
// checksum does not match or its command is none the bootloader takes from a file.
[[nodiscard]] Expected<Record> readRecord(const QByteArray &file, int offset);

// The reply the bootloader sends after executing a record's command; none for commands that
// are not firmware records.
[[nodiscard]] std::optional<std::uint8_t> recordReplyType(std::uint8_t command);

} // namespace saxfile
