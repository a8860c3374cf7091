#include "devsim/simulateddevice.h"

#include "device/frames.h"

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
    m_output.clear();
}

void SimulatedDevice::restart(qint64 nowMs)
{
    m_output.clear();
    bootInto(powerUpMode(m_state.profile), nowMs);
}

void SimulatedDevice::bootInto(DeviceMode mode, qint64 nowMs)
{
    m_mode = mode;
    m_phase = Phase::Booting;
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
    CommandOutcome outcome = (*handler)(request, m_state);
    for (QByteArray &reply : outcome.replies)
        m_output.push_back({std::move(reply), request.protocol, true});
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
    if (m_phase == Phase::Booting && nowMs >= m_nextEventMs) {
        m_phase = Phase::Announcing;
        // The first announcement goes out as soon as the device has booted.
        m_nextEventMs = nowMs;
    }
    if (m_phase == Phase::Announcing && nowMs >= m_nextEventMs) {
        announce();
        m_nextEventMs = nowMs + qMax(1, m_state.profile.announceIntervalMs);
    }
}

std::optional<qint64> SimulatedDevice::nextPollMs() const
{
    if (m_phase == Phase::Booting || m_phase == Phase::Announcing)
        return m_nextEventMs;
    return std::nullopt;
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
