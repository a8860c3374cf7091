#include "device/checksum.h"

std::uint16_t frameChecksum(const char *data, int length)
{
    std::uint16_t sum = kChecksumSeed;
    for (int i = 0; i < length; ++i)
        sum = std::uint16_t(sum + std::uint8_t(data[i]));
    return sum;
}

void appendChecksum(QByteArray &frame)
{
    const std::uint16_t sum = frameChecksum(frame);
    frame.append(char(sum & 0xFF));
    frame.append(char(sum >> 8));
}
