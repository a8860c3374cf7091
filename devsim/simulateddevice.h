#pragma once

#include "devsim/commandtable.h"
#include "devsim/deviceprofile.h"
#include "devsim/requestparser.h"

#include <QByteArray>

#include <deque>
#include <optional>
#include <vector>

namespace devsim {

// Bytes the device puts on the wire. Replies answer a host request; announcements are sent
// unasked. Faults act on replies only.
struct Transmission
{
    QByteArray bytes;
    Protocol protocol = Protocol::Fsk;
    bool isReply = false;
};

// The device's behaviour, free of any transport and of any clock: the owner passes the
// time in (milliseconds on any monotonic scale), feeds the host's bytes, calls poll() when
// nextPollMs() is due and sends what takeOutput() returns. Not thread-safe; the owner
// serialises calls.
//
// Life cycle: unpowered (silent, deaf) → booting (bootDelayMs) → announcing every
// announceIntervalMs in its current protocol until the host answers → answering commands.
// A command that restarts the device (BOOTLOAD_MODE, GO) sends its reply and boots again
// into the other protocol; losing power forgets the handshake.
class SimulatedDevice
{
public:
    explicit SimulatedDevice(DeviceProfile profile, CommandTable commands = standardCommandTable());

    void powerUp(qint64 nowMs);
    void powerDown();
    // A restart as after a watchdog reset: back to the power-up protocol, handshake lost.
    void restart(qint64 nowMs);

    void receive(const QByteArray &bytes, qint64 nowMs);
    // The host's bytes are on the line towards the device until `untilMs`. A device hearing
    // the host does not talk over it: an announcement falling due meanwhile waits until the
    // bytes are in, and is not sent at all when they answer it.
    void hearHostUntil(qint64 untilMs);
    void poll(qint64 nowMs);
    // When poll() has work next; empty while there is nothing to wait for.
    [[nodiscard]] std::optional<qint64> nextPollMs() const;
    [[nodiscard]] std::vector<Transmission> takeOutput();

    [[nodiscard]] bool isPowered() const { return m_phase != Phase::Off; }
    // The protocol the device runs, or will run once it has booted.
    [[nodiscard]] DeviceMode mode() const { return m_mode; }
    [[nodiscard]] bool isAnswered() const { return m_phase == Phase::Answered; }
    [[nodiscard]] int announcementsSent() const { return m_announcements; }

    [[nodiscard]] DeviceState &state() { return m_state; }
    [[nodiscard]] const DeviceState &state() const { return m_state; }
    [[nodiscard]] CommandTable &commands() { return m_commands; }

private:
    enum class Phase { Off, Booting, Announcing, Answered };

    void bootInto(DeviceMode mode, qint64 nowMs);
    // A restart or a power loss ends what the device was sending and hearing.
    void dropTraffic();
    void handle(const HostRequest &request, qint64 nowMs);
    [[nodiscard]] bool isAnnouncementAnswer(const HostRequest &request) const;
    void announce();
    [[nodiscard]] qint64 announcementDueMs() const;
    [[nodiscard]] Protocol protocol() const;

    DeviceState m_state;
    CommandTable m_commands;
    RequestParser m_parser;
    Phase m_phase = Phase::Off;
    DeviceMode m_mode = DeviceMode::FSK;
    qint64 m_nextEventMs = 0; // end of booting, or the next announcement
    qint64 m_hearingUntilMs = -1;
    int m_announcements = 0;
    std::vector<Transmission> m_output;
    // Replies of a command that keeps the device busy, due in order.
    struct Pending
    {
        qint64 dueMs;
        Transmission transmission;
    };
    std::deque<Pending> m_pending;
};

} // namespace devsim
