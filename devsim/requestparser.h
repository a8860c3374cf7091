#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace devsim {

// The two framings a device understands; it listens for one at a time.
enum class Protocol { Fsk, Bootloader };

// One frame the host sent, as the device sees it. FSK frames carry no argument.
struct HostRequest
{
    Protocol protocol = Protocol::Fsk;
    std::uint8_t code = 0;
    std::uint8_t argument = 0;
    QByteArray payload;
};

// Cuts the host's byte stream into requests of the protocol the device is listening for.
// Bytes that do not start a valid frame are skipped one at a time, so junk, frames of the
// other protocol and torn frames cost nothing but the bytes themselves.
class RequestParser
{
public:
    // A host that streams junk without end must not make the device hoard it.
    static constexpr int kMaxBufferedBytes = 4096;

    explicit RequestParser(Protocol protocol = Protocol::Fsk)
        : m_protocol(protocol)
    {}

    // Switching protocol drops what was buffered: the device restarted.
    void setProtocol(Protocol protocol);
    [[nodiscard]] Protocol protocol() const { return m_protocol; }
    void clear() { m_buffer.clear(); }

    [[nodiscard]] std::vector<HostRequest> feed(const QByteArray &bytes);
    [[nodiscard]] int bufferedBytes() const { return int(m_buffer.size()); }

private:
    enum class Verdict { NotAFrame, NeedMore, Frame };

    [[nodiscard]] Verdict tryFsk(int position, HostRequest &request) const;
    [[nodiscard]] Verdict tryBootloader(int position, HostRequest &request) const;

    Protocol m_protocol;
    QByteArray m_buffer;
};

} // namespace devsim
