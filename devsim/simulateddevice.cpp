#include "devsim/simulateddevice.h"

#include "device/frames.h"

#include <algorithm>

namespace devsim {

SimulatedDevice::SimulatedDevice(DeviceProfile profile, CommandTable commands)
    : m_state(std::move(profile))
    , m_commands(std::move(commands))
{
    m_mode = powerUpMode(m_state.profile);
}

void SimulatedDevice::powerUp(qint64 nowMs)
{
    if (m_phase == Phase::Off)
        bootInto(powerUpMode(m_state.profile), nowMs);
}

void SimulatedDevice::powerDown()
{
    m_phase = Phase::Off;
    m_parser.clear();
    dropTraffic();
}

void SimulatedDevice::restart(qint64 nowMs)
{
    dropTraffic();
    bootInto(powerUpMode(m_state.profile), nowMs);
}

void SimulatedDevice::dropTraffic()
{
    m_output.clear();
    m_pending.clear();
    m_hearingUntilMs = -1;
}

void SimulatedDevice::bootInto(DeviceMode mode, qint64 nowMs)
{
    m_mode = mode;
    m_phase = Phase::Booting;
    m_state.boot(nowMs);
    m_nextEventMs = nowMs + m_state.profile.bootDelayMs;
    m_parser.setProtocol(protocol());
}

Protocol SimulatedDevice::protocol() const
{
    return m_mode == DeviceMode::Bootloader ? Protocol::Bootloader : Protocol::Fsk;
}

void SimulatedDevice::receive(const QByteArray &bytes, qint64 nowMs)
{
    poll(nowMs);
    // A booting device is not listening yet; what arrives meanwhile is lost.
    if (m_phase == Phase::Off || m_phase == Phase::Booting)
        return;
    for (const HostRequest &request : m_parser.feed(bytes)) {
        handle(request, nowMs);
        if (m_phase != Phase::Answered && m_phase != Phase::Announcing)
            break; // restarted: the rest was meant for the old protocol
    }
}

void SimulatedDevice::hearHostUntil(qint64 untilMs)
{
    m_hearingUntilMs = std::max(m_hearingUntilMs, untilMs);
}

// Bytes complete at the end of the hearing time are taken in before anything is sent, so an
// answer arriving then still stops the announcement.
qint64 SimulatedDevice::announcementDueMs() const
{
    return std::max(m_nextEventMs, m_hearingUntilMs + 1);
}

void SimulatedDevice::handle(const HostRequest &request, qint64 nowMs)
{
    if (m_phase == Phase::Announcing) {
        // Until the handshake completes the device only listens for the answer.
        if (isAnnouncementAnswer(request))
            m_phase = Phase::Answered;
        return;
    }
    const CommandHandler *handler = m_commands.find(request.protocol, request.code);
    if (!handler)
        return;
    m_state.nowMs = nowMs;
    CommandOutcome outcome = (*handler)(request, m_state);
    // A busy device answers nothing else before it has finished, so later replies queue up.
    const qint64 dueMs = std::max(nowMs + std::max(0, outcome.replyDelayMs),
                                  m_pending.empty() ? nowMs : m_pending.back().dueMs);
    for (QByteArray &reply : outcome.replies) {
        Transmission out{std::move(reply), request.protocol, true};
        if (dueMs > nowMs)
            m_pending.push_back({dueMs, std::move(out)});
        else
            m_output.push_back(std::move(out));
    }
    if (outcome.restartInto)
        bootInto(*outcome.restartInto, nowMs);
}

bool SimulatedDevice::isAnnouncementAnswer(const HostRequest &request) const
{
    if (request.protocol == Protocol::Fsk)
        return request.code == frames::kFskAnnouncementAnswerType;
    return request.code == frames::kBootloaderAnnouncementAnswer;
}

void SimulatedDevice::poll(qint64 nowMs)
{
    while (!m_pending.empty() && m_pending.front().dueMs <= nowMs) {
        m_output.push_back(std::move(m_pending.front().transmission));
        m_pending.pop_front();
    }
    if (m_phase == Phase::Booting && nowMs >= m_nextEventMs) {
        m_phase = Phase::Announcing;
        // The first announcement goes out as soon as the device has booted.
        m_nextEventMs = nowMs;
    }
    if (m_phase == Phase::Announcing && nowMs >= announcementDueMs()) {
        announce();
        m_nextEventMs = nowMs + qMax(1, m_state.profile.announceIntervalMs);
    }
}

std::optional<qint64> SimulatedDevice::nextPollMs() const
{
    std::optional<qint64> next;
    if (m_phase == Phase::Booting)
        next = m_nextEventMs;
    else if (m_phase == Phase::Announcing)
        next = announcementDueMs();
    if (!m_pending.empty())
        next = next ? std::min(*next, m_pending.front().dueMs) : m_pending.front().dueMs;
    return next;
}

void SimulatedDevice::announce()
{
    ++m_announcements;
    if (m_mode == DeviceMode::Bootloader) {
        const QByteArray level(1, char(m_state.profile.bootloaderLevel));
        m_output.push_back(
            {frames::buildBootloaderReply(frames::kBootloaderAnnouncementType, 0, level),
             Protocol::Bootloader, false});
    } else {
        m_output.push_back(
            {frames::buildFskFrame(frames::kFskAnnouncementType), Protocol::Fsk, false});
    }
}

std::vector<Transmission> SimulatedDevice::takeOutput()
{
    return std::exchange(m_output, {});
}

} // namespace devsim
