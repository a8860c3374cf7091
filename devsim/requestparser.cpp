#include "devsim/requestparser.h"

#include "device/checksum.h"
#include "device/frames.h"

namespace devsim {

namespace {

std::uint16_t storedChecksum(const QByteArray &buffer, int at)
{
    return std::uint16_t(std::uint8_t(buffer[at]) | (std::uint8_t(buffer[at + 1]) << 8));
}

} // namespace

void RequestParser::setProtocol(Protocol protocol)
{
    m_protocol = protocol;
    m_buffer.clear();
}

std::vector<HostRequest> RequestParser::feed(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    if (m_buffer.size() > kMaxBufferedBytes)
        m_buffer.remove(0, m_buffer.size() - kMaxBufferedBytes);

    std::vector<HostRequest> requests;
    const int frameSize =
        m_protocol == Protocol::Fsk ? frames::kFskFrameSize : frames::kBootloaderRequestSize;
    int position = 0;
    while (position < m_buffer.size()) {
        HostRequest request;
        const Verdict verdict = m_protocol == Protocol::Fsk ? tryFsk(position, request)
                                                            : tryBootloader(position, request);
        if (verdict == Verdict::NeedMore)
            break;
        if (verdict == Verdict::NotAFrame) {
            ++position;
            continue;
        }
        requests.push_back(std::move(request));
        position += frameSize;
    }
    m_buffer.remove(0, position);
    return requests;
}

// Rejects as early as the bytes allow: the length byte, then the checksum right after the
// payload. Only a candidate that passes both waits for the padding to complete 64 bytes.
RequestParser::Verdict RequestParser::tryFsk(int position, HostRequest &request) const
{
    const int available = int(m_buffer.size()) - position;
    if (available < 2)
        return Verdict::NeedMore;
    const int length = std::uint8_t(m_buffer[position + 1]);
    if (length > frames::kFskMaxPayload)
        return Verdict::NotAFrame;
    const int checksummed = 2 + length;
    if (available < checksummed + 2)
        return Verdict::NeedMore;
    const char *start = m_buffer.constData() + position;
    if (frameChecksum(start, checksummed) != storedChecksum(m_buffer, position + checksummed))
        return Verdict::NotAFrame;
    if (available < frames::kFskFrameSize)
        return Verdict::NeedMore;
    request.protocol = Protocol::Fsk;
    request.code = std::uint8_t(start[0]);
    request.payload = m_buffer.mid(position + 2, length);
    return Verdict::Frame;
}

RequestParser::Verdict RequestParser::tryBootloader(int position, HostRequest &request) const
{
    const int available = int(m_buffer.size()) - position;
    const auto marker = char(frames::kBootloaderMarker);
    if (m_buffer[position] != marker)
        return Verdict::NotAFrame;
    if (available < 2)
        return Verdict::NeedMore;
    if (m_buffer[position + 1] != marker)
        return Verdict::NotAFrame;
    if (available < frames::kBootloaderRequestSize)
        return Verdict::NeedMore;
    const int checksummed = frames::kBootloaderRequestSize - 2;
    const char *start = m_buffer.constData() + position;
    if (frameChecksum(start, checksummed) != storedChecksum(m_buffer, position + checksummed))
        return Verdict::NotAFrame;
    request.protocol = Protocol::Bootloader;
    request.code = std::uint8_t(start[2]);
    request.argument = std::uint8_t(start[3]);
    request.payload = m_buffer.mid(position + 4, frames::kBootloaderRequestPayload);
    return Verdict::Frame;
}

} // namespace devsim
