#include "device/saxfile.h"

#include "device/checksum.h"
#include "device/frames.h"

#include <algorithm>
#include <array>

namespace saxfile {

namespace {

constexpr std::array<std::uint8_t, kSignatureBytes> kSignature{0x89, 'S',  'A',  'X',
                                                               0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kVersionOffset = 8;
constexpr int kListModeOffset = 9;
constexpr int kListCountOffset = 10;
constexpr int kListOffset = 11;
constexpr int kRecordChecksumOffset = 1 + kRecordDataBytes;

// Commands the bootloader takes from a file; each answers with the command plus 0x85.
constexpr std::array<std::uint8_t, 7> kRecordCommands{0x04, 0x05, 0x06, 0x07, 0x08, 0x0A, 0x0B};
// Erase-like records.
constexpr std::array<std::uint8_t, 3> kLongRecordCommands{0x04, 0x07, 0x0A};

std::uint8_t byteAt(const QByteArray &file, int offset)
{
    return std::uint8_t(file.at(offset));
}

bool contains(const auto &list, std::uint8_t value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Text up to the first NUL: serial numbers are NUL-padded to their field.
QString untilNul(const QByteArray &bytes)
{
    const int end = int(bytes.indexOf('\0'));
    return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
}

} // namespace

Expected<Header> checkHeader(const QByteArray &file, std::uint16_t productCode,
                             const QString &serialNumber)
{
    const int size = int(file.size());
    if (size < kSignatureBytes || file.mid(1, 3) != "SAX")
        return Unexpected(DeviceConnectionError::NotSaxFile);
    for (int i = 0; i < kSignatureBytes; ++i) {
        // The remaining bytes catch files mangled by text-mode transfers.
        if (byteAt(file, i) != kSignature[size_t(i)])
            return Unexpected(DeviceConnectionError::SaxCorrupt);
    }
    if (size <= kVersionOffset)
        return Unexpected(DeviceConnectionError::SaxTruncated);
    Header header;
    header.version = byteAt(file, kVersionOffset);
    if (header.version != 1 && header.version != 2)
        return Unexpected(DeviceConnectionError::SaxVersionUnsupported);
    if (size < kListOffset)
        return Unexpected(DeviceConnectionError::SaxTruncated);
    header.productListMode = byteAt(file, kListModeOffset);
    const int listCount = byteAt(file, kListCountOffset);
    if (size < kListOffset + listCount)
        return Unexpected(DeviceConnectionError::SaxTruncated);
    header.productList = file.mid(kListOffset, listCount);

    const char product = char(productCode & 0xFF);
    const bool listed = header.productList.contains(product);
    const bool allowed =
        header.productListMode != 0 ? !listed : header.productList.isEmpty() || listed;
    if (!allowed)
        return Unexpected(DeviceConnectionError::SaxWrongProduct);

    header.recordsOffset = kListOffset + listCount;
    if (header.version == 2) {
        if (size < header.recordsOffset + kSerialFieldBytes)
            return Unexpected(DeviceConnectionError::SaxTruncated);
        header.serialNumber = untilNul(file.mid(header.recordsOffset, kSerialFieldBytes));
        header.recordsOffset += kSerialFieldBytes;
        // The device's serial number may come NUL-padded as well.
        if (!header.serialNumber.isEmpty() &&
            header.serialNumber != untilNul(serialNumber.toLatin1()))
            return Unexpected(DeviceConnectionError::SaxWrongDevice);
    }
    return header;
}

std::optional<std::uint8_t> recordReplyType(std::uint8_t command)
{
    if (!contains(kRecordCommands, command))
        return std::nullopt;
    return std::uint8_t(command + frames::kBootloaderReplyOffset);
}

Expected<Record> readRecord(const QByteArray &file, int offset)
{
    if (offset < 0 || offset > file.size() || file.size() - offset < kRecordBytes)
        return Unexpected(DeviceConnectionError::SaxTruncated);
    const std::uint16_t stored =
        std::uint16_t(byteAt(file, offset + kRecordChecksumOffset) |
                      byteAt(file, offset + kRecordChecksumOffset + 1) << 8);
    if (frameChecksum(file.constData() + offset, kRecordChecksumOffset) != stored)
        return Unexpected(DeviceConnectionError::SaxCorrupt);
    Record record;
    record.command = byteAt(file, offset);
    // Any other command would reach the bootloader as if the program had sent it, and no
    // reply would ever match it.
    const std::optional<std::uint8_t> replyType = recordReplyType(record.command);
    if (!replyType)
        return Unexpected(DeviceConnectionError::SaxCorrupt);
    record.replyType = *replyType;
    record.data = file.mid(offset + 1, kRecordDataBytes);
    record.timeoutMs = contains(kLongRecordCommands, record.command) ? kSaxEraseTimeoutMs : 0;
    return record;
}

} // namespace saxfile
