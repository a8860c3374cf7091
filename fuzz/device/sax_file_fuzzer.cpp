// Runs the firmware file checks on arbitrary files, then walks the records as the transfer
// would, and checks that what comes out is consistent with the file.
#include "device/frames.h"
#include "device/saxfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// Input layout: bytes 0-1 are the device's product code (little-endian), byte 2 the length n
// of its serial number, the next n bytes the serial number; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const auto productCode = std::uint16_t(data[0] | data[1] << 8);
    const std::size_t serialLength = data[2] < size - 3 ? data[2] : size - 3;
    const QString serial =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 3), int(serialLength));
    const std::size_t fileStart = 3 + serialLength;
    const QByteArray file(reinterpret_cast<const char *>(data + fileStart), int(size - fileStart));

    const Expected<saxfile::Header> header = saxfile::checkHeader(file, productCode, serial);
    if (!header) {
        const int code = int(header.error());
        check(code >= int(DeviceConnectionError::NotSaxFile) &&
              code <= int(DeviceConnectionError::SaxCorrupt));
        return 0;
    }
    check(header->version == 1 || header->version == 2);
    check(header->recordsOffset >= 11 && header->recordsOffset <= file.size());
    check(header->productList.size() ==
          header->recordsOffset - 11 - (header->version == 2 ? saxfile::kSerialFieldBytes : 0));

    int offset = header->recordsOffset;
    while (offset < file.size()) {
        const Expected<saxfile::Record> record = saxfile::readRecord(file, offset);
        if (!record) {
            check(record.error() == DeviceConnectionError::SaxTruncated ||
                  record.error() == DeviceConnectionError::SaxCorrupt);
            check(record.error() != DeviceConnectionError::SaxTruncated ||
                  file.size() - offset < saxfile::kRecordBytes);
            break;
        }
        check(record->data.size() == saxfile::kRecordDataBytes);
        check(record->replyType == record->command + frames::kBootloaderReplyOffset);
        check(record->data == file.mid(offset + 1, saxfile::kRecordDataBytes));
        offset += saxfile::kRecordBytes;
    }
    check(saxfile::readRecord(file, int(file.size())).error() ==
          DeviceConnectionError::SaxTruncated);
    return 0;
}
