#pragma once

#include <QByteArray>

#include <cstdint>

// The 16-bit additive checksum of both protocols: 0x0170 plus every byte, modulo 65536,
// stored little-endian after the bytes it covers.
inline constexpr std::uint16_t kChecksumSeed = 0x0170;

[[nodiscard]] std::uint16_t frameChecksum(const char *data, int length);
[[nodiscard]] inline std::uint16_t frameChecksum(const QByteArray &bytes)
{
    return frameChecksum(bytes.constData(), int(bytes.size()));
}

// Appends the checksum of everything in `frame`, low byte first.
void appendChecksum(QByteArray &frame);
