// The command queue of DeviceConnection: one command in flight, the rest waiting behind it.
#include "app/log.h"
#include "device/deviceconnection.h"
#include "device/deviceiothread.h"

void DeviceConnection::writeCommand(QByteArray packet, std::uint8_t expectedType,
                                    ReplyDone completion, CommandOptions options)
{
    m_queue.push_back(PendingCommand{std::move(packet), options.device, expectedType,
                                     std::move(completion), options.expectsReply,
                                     options.timeoutMs});
    runQueueStep();
}

void DeviceConnection::runQueueStep()
{
    // A command that expects no answer is done once written, so the next one may follow at
    // once; stopping after it would strand the rest of the queue.
    while (!m_queue.empty() && !m_ackTimer.isActive()) {
        PendingCommand &head = m_queue.front();
        write(head.packet);
        head.sentByWrite = m_writesIssued;
        m_lastActivity = now();
        if (!head.expectsReply) {
            m_queue.pop_front();
            continue;
        }
        m_ackTimer.start(head.timeoutMs > 0 ? head.timeoutMs : m_timings.ackTimeoutMs);
    }
}

std::optional<FrameFinder::AwaitedReply> DeviceConnection::awaitedReply() const
{
    if (m_queue.empty() || !m_ackTimer.isActive())
        return std::nullopt;
    const PendingCommand &head = m_queue.front();
    return FrameFinder::AwaitedReply{head.expectedType, head.device, head.sentByWrite};
}

void DeviceConnection::finishCurrentCommand(DeviceConnectionError code, const QByteArray &payload)
{
    if (m_queue.empty())
        return;
    ReplyDone completion = std::move(m_queue.front().completion);
    m_queue.pop_front();
    m_ackTimer.stop();
    m_ackTimer.setInterval(m_timings.ackTimeoutMs);
    // The next command goes out before this one's completion runs, so the device is never idle
    // waiting for the program. A device may itself report "no reply" (code 13) for a command it
    // could not serve; the commands behind it still go out, or they would wait until something
    // else was queued.
    runQueueStep();
    if (completion)
        deviceio::defer([completion, code, payload] { completion(code, payload); });
}

void DeviceConnection::clearCommandQueue()
{
    m_ackTimer.stop();
    m_ackTimer.setInterval(m_timings.ackTimeoutMs);
    if (m_queue.empty())
        return;
    std::vector<ReplyDone> completions;
    completions.reserve(m_queue.size());
    for (PendingCommand &command : m_queue) {
        if (command.completion)
            completions.push_back(std::move(command.completion));
    }
    m_queue.clear();
    // No object guards the call: the waiting callers hear of it even when the connection is
    // being destroyed.
    deviceio::defer([completions = std::move(completions)] {
        for (const ReplyDone &completion : completions)
            completion(DeviceConnectionError::NoReply, {});
    });
}

void DeviceConnection::handleAckTimeout()
{
    log(QStringLiteral("DeviceConnection"), QStringLiteral("Ack Timeout"));
    clearCommandQueue();
}
