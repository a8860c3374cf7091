#pragma once

#include <QByteArray>

#include <cstdint>

// The CRC that devices report for their parameter sections and that models compute to compare
// themselves with a device: CRC-32, polynomial 0x04C11DB7, most significant bit first, no
// reflection, no final XOR, fed with 32-bit words. Each word is assembled little-endian from
// four bytes and then processed from its most significant byte down.
inline constexpr std::uint32_t kSectionCrcPolynomial = 0x04C11DB7;
inline constexpr std::uint32_t kSectionCrcInitial = 0x01700170;
inline constexpr int kSectionCrcWordBytes = 4;

// CRC over the complete words of `length` bytes; a trailing partial word (1 to 3 bytes) is
// not covered, so no words at all give kSectionCrcInitial.
[[nodiscard]] std::uint32_t sectionCrc(const char *data, int length);
[[nodiscard]] inline std::uint32_t sectionCrc(const QByteArray &bytes)
{
    return sectionCrc(bytes.constData(), int(bytes.size()));
}

// CRC over all bytes, the last partial word filled up with zero bytes.
[[nodiscard]] std::uint32_t paddedSectionCrc(const QByteArray &bytes);
