#pragma once

#include <QByteArray>

#include <cstdint>

// Frame layouts of the two protocols.
namespace frames {

// Application (FSK) frames: type, payload length, payload, checksum, zero padding; always
// 64 bytes on the wire in both directions. Reply types have bit 7 set.
inline constexpr int kFskFrameSize = 64;
inline constexpr int kFskMaxPayload = 60;
inline constexpr std::uint8_t kFskAnnouncementType = 0x05;
inline constexpr std::uint8_t kFskAnnouncementAnswerType = 0x88;
inline constexpr std::uint8_t kFskReplyBit = 0x80;

// Bootloader frames: "HH", then command and argument towards the device (526 bytes), or type
// and status from it (77 bytes).
inline constexpr std::uint8_t kBootloaderMarker = 0x48;
inline constexpr int kBootloaderRequestSize = 526;
inline constexpr int kBootloaderRequestPayload = 520;
inline constexpr int kBootloaderReplySize = 77;
inline constexpr int kBootloaderReplyPayload = 71;
inline constexpr std::uint8_t kBootloaderAnnouncementType = 0x02;
inline constexpr std::uint8_t kBootloaderAnnouncementAnswer = 0x87;
inline constexpr std::uint8_t kBootloaderReplyOffset = 0x85; // reply type = command + 0x85

// Status byte of a bootloader reply: device index in bits 7..5, result code in bits 4..0.
[[nodiscard]] constexpr int bootloaderStatusDevice(std::uint8_t status)
{
    return status >> 5;
}
[[nodiscard]] constexpr int bootloaderStatusResult(std::uint8_t status)
{
    return status & 0x1F;
}

// Payloads longer than kFskMaxPayload are the sender's mistake; they are cut to fit.
[[nodiscard]] QByteArray buildFskFrame(std::uint8_t type, const QByteArray &payload = {});

// A request towards the bootloader; payloads longer than kBootloaderRequestPayload are cut.
[[nodiscard]] QByteArray buildBootloaderFrame(std::uint8_t command, std::uint8_t argument,
                                              const QByteArray &payload = {});

// A reply as a device in its bootloader sends it (used by the simulator and tests).
[[nodiscard]] QByteArray buildBootloaderReply(std::uint8_t type, std::uint8_t status,
                                              const QByteArray &payload = {});

} // namespace frames
