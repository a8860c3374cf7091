#include "device/checksum.h"

std::uint16_t frameChecksum(QByteArrayView bytes)
{
    std::uint16_t sum = kChecksumSeed;
    for (const char byte : bytes)
        sum = std::uint16_t(sum + std::uint8_t(byte));
    return sum;
}

void appendChecksum(QByteArray &frame)
{
    const std::uint16_t sum = frameChecksum(frame);
    frame.append(char(sum & 0xFF));
    frame.append(char(sum >> 8));
}
