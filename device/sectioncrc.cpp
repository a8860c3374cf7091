#include "device/sectioncrc.h"

#include <array>

namespace {

constexpr int kBitsPerByte = 8;
constexpr int kTopByteShift = 24;
constexpr std::uint32_t kTopBit = 0x80000000u;

// Register update for one byte entering the top of the register, for every byte value.
constexpr std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t value = 0; value < table.size(); ++value) {
        std::uint32_t crc = value << kTopByteShift;
        for (int bit = 0; bit < kBitsPerByte; ++bit)
            crc = (crc & kTopBit) ? (crc << 1) ^ kSectionCrcPolynomial : crc << 1;
        table[value] = crc;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = makeTable();

} // namespace

std::uint32_t sectionCrc(const char *data, int length)
{
    std::uint32_t crc = kSectionCrcInitial;
    const int words = length / kSectionCrcWordBytes;
    for (int word = 0; word < words; ++word) {
        const char *bytes = data + word * kSectionCrcWordBytes;
        // The word is little-endian in memory but enters the register from its top byte.
        for (int i = kSectionCrcWordBytes - 1; i >= 0; --i) {
            const auto byte = std::uint8_t(bytes[i]);
            crc = (crc << kBitsPerByte) ^ kTable[((crc >> kTopByteShift) ^ byte) & 0xFF];
        }
    }
    return crc;
}

std::uint32_t paddedSectionCrc(const QByteArray &bytes)
{
    QByteArray padded = bytes;
    const int partial = int(padded.size()) % kSectionCrcWordBytes;
    if (partial != 0)
        padded.append(QByteArray(kSectionCrcWordBytes - partial, '\0'));
    return sectionCrc(padded);
}
