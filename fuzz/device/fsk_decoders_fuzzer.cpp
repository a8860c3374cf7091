// Feeds arbitrary payloads to every application reply decoder and checks that what comes out
// agrees with the payload: a decoder accepts exactly the lengths it documents, and everything
// it returns was taken from the payload at the right place.
#include "device/fskpayloads.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::uint8_t byteAt(const QByteArray &bytes, int offset)
{
    return std::uint8_t(bytes.at(offset));
}

std::uint32_t littleEndian32(const QByteArray &bytes, int offset)
{
    return std::uint32_t(byteAt(bytes, offset)) | std::uint32_t(byteAt(bytes, offset + 1)) << 8 |
           std::uint32_t(byteAt(bytes, offset + 2)) << 16 |
           std::uint32_t(byteAt(bytes, offset + 3)) << 24;
}

void checkIdReply(const QByteArray &payload)
{
    const auto id = fskpayload::decodeIdReply(payload);
    check((id != nullptr) == (payload.size() >= 9));
    if (!id)
        return;
    check(id->parameterCrc == littleEndian32(payload, 0));
    check(id->fskProtocolVersion == byteAt(payload, 8));
    // The capability byte and the product code's high byte are optional, in that order.
    check(id->canReadCalibration.has_value() == (payload.size() >= 10));
    check(id->hasFaaSerialNumber.has_value() == (payload.size() >= 10));
    check((id->productCode & 0xFF) == byteAt(payload, 4));
    check((id->productCode >> 8) == (payload.size() >= 11 ? byteAt(payload, 10) : 0));
}

void checkSerialReplies(const QByteArray &payload)
{
    const auto serial = fskpayload::decodeSerialReply(payload);
    check(serial.has_value() == (payload.size() == fskpayload::kSerialReplyBytes));
    if (serial)
        check(serial->size() == 30);

    const auto faa = fskpayload::decodeFaaSerialReply(payload);
    check(faa.has_value() == (payload.size() >= 8));
    if (faa)
        check(faa->size() == std::min<int>(20, int(payload.size()) - 2));
}

void checkStatusReplies(const QByteArray &payload)
{
    const auto tnc = fskpayload::decodeTncStatusReply(payload);
    check(tnc.has_value() == !payload.isEmpty());
    if (tnc) {
        check(tnc->status == byteAt(payload, 0));
        check(tnc->data == payload.mid(1));
    }
    const auto tested = fskpayload::decodeSetTestedReply(payload);
    check(tested.has_value() == !payload.isEmpty());
    if (tested)
        check(*tested == byteAt(payload, 0));
}

void checkReadReplies(const QByteArray &payload, std::uint16_t address, std::uint8_t index,
                      int count)
{
    const bool lengthFits = payload.size() == count + 2;

    const fskpayload::ReadReply read = fskpayload::decodeAddressedReply(payload, address, count);
    if (read.code == DeviceConnectionError::NoError) {
        check(lengthFits);
        check(byteAt(payload, 0) == (address & 0xFF) && byteAt(payload, 1) == address >> 8);
        check(read.bytes == payload.mid(2));
    } else {
        check(read.code == DeviceConnectionError::InvalidReply);
        // A reply of the right length keeps its bytes even when its echo is wrong.
        check(read.bytes.isEmpty() || (lengthFits && read.bytes == payload.mid(2)));
    }

    const fskpayload::ReadReply cal = fskpayload::decodeCalReply(payload, index, count);
    if (cal.code == DeviceConnectionError::NoError) {
        check(lengthFits);
        check(byteAt(payload, 0) == index && byteAt(payload, 1) == 0);
        check(cal.bytes == payload.mid(2));
    } else {
        check(cal.code == DeviceConnectionError::InvalidReply);
        check(cal.bytes.isEmpty());
    }
}

void checkSectionReplies(const QByteArray &payload, int requestedSections)
{
    // Whole CRCs, at most one per requested section: a short reply keeps what it has.
    const auto crcs = fskpayload::decodeSectionCrcsReply(payload, requestedSections);
    check(crcs.has_value() == (payload.size() % 4 == 0 && payload.size() <= 4 * requestedSections));
    if (crcs) {
        check(crcs->size() == payload.size() / 4);
        for (int i = 0; i < crcs->size(); ++i)
            check(crcs->at(i) == littleEndian32(payload, 4 * i));
    } else {
        check(crcs.error() == DeviceConnectionError::InvalidReply);
    }

    const auto table = fskpayload::decodeTargetSectionsReply(payload);
    if (!table) {
        check(table.error() == DeviceConnectionError::InvalidReply);
        return;
    }
    const int count = byteAt(payload, 0);
    check(table->size() == count);
    // One optional trailing byte after the entries, no more.
    check(payload.size() == 1 + 4 * count || payload.size() == 2 + 4 * count);
    for (int i = 0; i < count; ++i) {
        check(table->at(i).section == byteAt(payload, 2 + 4 * i));
        check(table->at(i).size == (byteAt(payload, 3 + 4 * i) | byteAt(payload, 4 + 4 * i) << 8));
    }
}

} // namespace

// Input layout: byte 0 is the count a read asked for (also, modulo 16, the number of sections
// a CRC request named), bytes 1-2 the address it asked for (little-endian), byte 3 the
// calibration index; the rest is the reply payload. Shorter inputs are payloads on their own,
// with zero parameters, so that the empty and tiny payloads are tried too.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t kParameterBytes = 4;
    int count = 0;
    std::uint16_t address = 0;
    std::uint8_t index = 0;
    std::size_t payloadStart = 0;
    if (size >= kParameterBytes) {
        count = data[0];
        address = std::uint16_t(data[1] | data[2] << 8);
        index = data[3];
        payloadStart = kParameterBytes;
    }
    const QByteArray payload(reinterpret_cast<const char *>(data + payloadStart),
                             int(size - payloadStart));

    checkIdReply(payload);
    checkSerialReplies(payload);
    checkStatusReplies(payload);
    checkReadReplies(payload, address, index, count);
    checkSectionReplies(payload, count % (fskpayload::kMaxCrcSectionsPerRequest + 1));
    return 0;
}
