#pragma once

#include <QByteArray>

#include <cstdint>

// The records of a firmware file, as the simulated bootloader executes them and the file
// writer builds them. Each record is one bootloader command with 520 bytes of data; all
// numbers little-endian.
namespace devsim::fwrecord {

// Names the product (u16 at 0) and, optionally, the one device (30 bytes of serial number at
// 2, NUL-padded; empty for any) the firmware is for.
inline constexpr std::uint8_t kBegin = 0x08;
// Erases the whole application area; the application is invalid until kFinish.
inline constexpr std::uint8_t kErase = 0x04;
// Erases `length` (u32 at 4) bytes from `address` (u32 at 0).
inline constexpr std::uint8_t kEraseRange = 0x0A;
// Writes `length` (u16 at 4, at most kBlockBytes) bytes from offset 8 to `address` (u32 at 0)
// of erased flash.
inline constexpr std::uint8_t kWrite = 0x05;
// Same layout as kWrite: compares instead of writing.
inline constexpr std::uint8_t kVerify = 0x06;
// The version (major, minor, release at 0..2) the application reports once it is valid.
inline constexpr std::uint8_t kSetVersion = 0x0B;
// Checks the image (length u32 at 0, section CRC of the image u32 at 4) and marks the
// application valid.
inline constexpr std::uint8_t kFinish = 0x07;

inline constexpr int kDataBytes = 520;
inline constexpr int kBlockBytes = 512;
inline constexpr int kBlockDataOffset = 8;
inline constexpr int kSerialOffset = 2;
inline constexpr int kSerialBytes = 30;

[[nodiscard]] inline bool isFileRecord(std::uint8_t command)
{
    return (command >= kErase && command <= kBegin) || command == kEraseRange ||
           command == kSetVersion;
}

[[nodiscard]] inline std::uint32_t readU32(const QByteArray &data, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(data[at + i]);
    return value;
}

[[nodiscard]] inline int readU16(const QByteArray &data, int at)
{
    return std::uint8_t(data[at]) | (std::uint8_t(data[at + 1]) << 8);
}

inline void putU32(QByteArray &data, int at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        data[at + i] = char((value >> (8 * i)) & 0xFF);
}

inline void putU16(QByteArray &data, int at, int value)
{
    data[at] = char(value & 0xFF);
    data[at + 1] = char((value >> 8) & 0xFF);
}

} // namespace devsim::fwrecord
