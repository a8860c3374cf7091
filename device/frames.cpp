#include "device/frames.h"

#include "device/checksum.h"

namespace frames {

QByteArray buildFskFrame(std::uint8_t type, const QByteArray &payload)
{
    const QByteArray body = payload.left(kFskMaxPayload);
    QByteArray frame;
    frame.reserve(kFskFrameSize);
    frame.append(char(type));
    frame.append(char(body.size()));
    frame.append(body);
    appendChecksum(frame);
    frame.append(kFskFrameSize - frame.size(), '\0');
    return frame;
}

namespace {

QByteArray buildPaddedBootloaderFrame(std::uint8_t first, std::uint8_t second,
                                      const QByteArray &payload, int frameSize)
{
    const int bodySize = frameSize - 2; // everything before the checksum
    QByteArray frame;
    frame.reserve(frameSize);
    frame.append(char(kBootloaderMarker));
    frame.append(char(kBootloaderMarker));
    frame.append(char(first));
    frame.append(char(second));
    frame.append(payload.left(bodySize - 4));
    frame.append(bodySize - frame.size(), '\0');
    appendChecksum(frame);
    return frame;
}

} // namespace

QByteArray buildBootloaderFrame(std::uint8_t command, std::uint8_t argument,
                                const QByteArray &payload)
{
    return buildPaddedBootloaderFrame(command, argument, payload, kBootloaderRequestSize);
}

QByteArray buildBootloaderReply(std::uint8_t type, std::uint8_t status, const QByteArray &payload)
{
    return buildPaddedBootloaderFrame(type, status, payload, kBootloaderReplySize);
}

} // namespace frames
