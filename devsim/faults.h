#pragma once

#include "devsim/requestparser.h"

#include <QByteArray>
#include <QString>

#include <expected>
#include <vector>

namespace devsim {

// Ways a reply can go wrong on its way to the host. Each fault hits one reply (or every
// reply, see Fault::atReply); announcements are never hit.
enum class FaultKind {
    Drop,    ///< The reply is never sent: the host waits in vain.
    Corrupt, ///< The reply is sent with a wrong checksum, so it is no frame at all.
    Delay,   ///< The reply is sent `value` ms later than it would be (default 4000 ms, past the
             ///< host's acknowledgement timeout).
    Junk,    ///< `value` bytes (default 16) that can never start a frame are sent right before the
             ///< reply.
    Disconnect, ///< Instead of replying the device vanishes: through the in-process stream writes
                ///< fail, reads bring nothing and opening fails; behind the cable it falls silent.
                ///< DeviceSimulator::plugIn() brings it back, powered up afresh.
    Reset, ///< The device restarts half-way through the reply: the first half (never its checksum)
           ///< is sent, then it boots again into its power-up protocol, forgets the handshake and
           ///< announces itself.
    AnswerTwice, ///< The reply is sent twice, back to back.
    WrongType,   ///< The reply is sent as the next reply type (type + 1), with a valid checksum.
};

inline constexpr int kEveryReply = 0;
inline constexpr int kDefaultFaultDelayMs = 4000;
inline constexpr int kDefaultJunkBytes = 16;
inline constexpr int kMaxFaultDelayMs = 600'000;
inline constexpr int kMaxJunkBytes = 4096;
inline constexpr int kMaxFaultReply = 1'000'000;

struct Fault
{
    FaultKind kind = FaultKind::Drop;
    // 1 = the next reply after the fault is set, n = the nth; kEveryReply = every reply from
    // then on.
    int atReply = 1;
    // Milliseconds for Delay, bytes for Junk; negative = the kind's default.
    int value = -1;
};

[[nodiscard]] QString faultKindName(FaultKind kind);
// One line per fault kind for a --help text: "drop  The reply is never sent: …".
[[nodiscard]] QString faultHelpText();

// "KIND[:N[:VALUE]]": KIND as faultKindName gives it, N the reply it hits (default 1, "*"
// for every reply), VALUE for delay (ms) and junk (bytes) only. Examples: "drop:3",
// "delay:1:500", "junk:*:8", "reset". Anything else is refused with a message.
[[nodiscard]] std::expected<Fault, QString> parseFault(const QString &text);

// The faults set on a device, counted down reply by reply.
class FaultPlan
{
public:
    void add(const Fault &fault);
    void clear() { m_armed.clear(); }
    [[nodiscard]] bool isEmpty() const { return m_armed.empty(); }
    // Counts one reply and returns the faults that hit it.
    [[nodiscard]] std::vector<Fault> nextReply();

private:
    struct Armed
    {
        Fault fault;
        int repliesToGo;
    };
    std::vector<Armed> m_armed;
};

// How one reply goes out once the faults that hit it are applied.
struct ShapedReply
{
    enum class Then { Nothing, Restart, Disconnect };

    std::vector<QByteArray> chunks; // sent back to back, in order
    int extraDelayMs = 0;
    Then then = Then::Nothing;
};

[[nodiscard]] ShapedReply shapeReply(const QByteArray &reply, Protocol protocol,
                                     const std::vector<Fault> &faults);

} // namespace devsim
