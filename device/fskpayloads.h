#pragma once

#include "device/deviceconnectionerror.h"
#include "device/expected.h"
#include "device/fsktypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// Request payloads and reply decoding of the application commands, apart from the connection
// so that they can be checked byte for byte. Decoders never read outside the payload: a reply
// that is too short, too long or inconsistent is refused.
namespace fskpayload {

// Pieces of the range transfers: what fits into one 60-byte frame payload next to the
// request's header and, for reads, the reply's address echo.
inline constexpr int kReadPieceBytes = 58;
inline constexpr int kWritePieceBytes = 58;
inline constexpr int kAdvReadPieceBytes = 54;
inline constexpr int kAdvWritePieceBytes = 56;
// The section CRC request: one reply carries at most 15 CRCs of 4 bytes.
inline constexpr int kMaxCrcSectionsPerRequest = 15;

inline constexpr int kSerialReplyBytes = 32;
inline constexpr int kSerialRequestBytes = 32;
inline constexpr int kFaaSerialRequestBytes = 22;

// The section index byte of the advanced commands: 0 without a section, otherwise the section
// id plus one in five bits, shifted left by one.
[[nodiscard]] std::uint8_t advIndexByte(std::optional<std::uint8_t> section);

[[nodiscard]] QByteArray readRequest(std::uint16_t address, std::uint8_t count);
[[nodiscard]] QByteArray writeRequest(std::uint16_t address, const QByteArray &data);
[[nodiscard]] QByteArray advReadRequest(FlashTarget target, std::optional<std::uint8_t> section,
                                        std::uint16_t address, std::uint16_t count);
[[nodiscard]] QByteArray advWriteRequest(FlashTarget target, std::optional<std::uint8_t> section,
                                         std::uint16_t address, const QByteArray &data);
[[nodiscard]] QByteArray tncStartRequest(std::uint8_t value);
[[nodiscard]] QByteArray readCalRequest(std::uint8_t index, std::uint8_t count);
[[nodiscard]] QByteArray setTestedRequest(std::uint8_t flag);
[[nodiscard]] QByteArray sectionCrcsRequest(FlashTarget target,
                                            const QList<std::uint8_t> &sections);
[[nodiscard]] QByteArray targetSectionsRequest(FlashTarget target, std::uint8_t start);

// Null when the payload is shorter than the nine bytes every device sends.
[[nodiscard]] std::shared_ptr<FskIdRequestData> decodeIdReply(const QByteArray &payload);
[[nodiscard]] std::optional<QString> decodeSerialReply(const QByteArray &payload);
[[nodiscard]] std::optional<QString> decodeFaaSerialReply(const QByteArray &payload);
[[nodiscard]] std::optional<FskTncStatus> decodeTncStatusReply(const QByteArray &payload);
[[nodiscard]] std::optional<std::uint8_t> decodeSetTestedReply(const QByteArray &payload);

// A read reply: the error code and the bytes read. A reply of the right length whose echo
// does not match still carries its bytes, with InvalidReply.
struct ReadReply
{
    DeviceConnectionError code = DeviceConnectionError::NoError;
    QByteArray bytes;
};
// Plain and advanced reads echo the address (little-endian) before `count` bytes.
[[nodiscard]] ReadReply decodeAddressedReply(const QByteArray &payload, std::uint16_t address,
                                             int count);
// A calibration read echoes the index and a zero byte before `count` bytes.
[[nodiscard]] ReadReply decodeCalReply(const QByteArray &payload, std::uint8_t index, int count);

// The CRCs of the requested sections, in request order, possibly fewer than requested; a
// reply with more CRCs than sections cannot be paired with the request and is refused.
[[nodiscard]] Expected<QList<std::uint32_t>> decodeSectionCrcsReply(const QByteArray &payload,
                                                                    int requestedSections);
// One page of a section table; an empty list marks its end.
[[nodiscard]] Expected<QList<TargetSectionInfo>>
decodeTargetSectionsReply(const QByteArray &payload);

void logIdReply(const FskIdRequestData &data);
void logSectionCrcs(const QList<std::uint8_t> &sections, const QList<std::uint32_t> &crcs);
void logTargetSections(const QList<TargetSectionInfo> &sections);

} // namespace fskpayload
