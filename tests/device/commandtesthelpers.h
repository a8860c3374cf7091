#pragma once

#include "device/deviceconnection.h"
#include "device/frames.h"

#include <QByteArray>
#include <QTest>

#include <cstdint>
#include <functional>
#include <optional>

// Scripted answers of a fake device to the command sets, and waiting for routines.

// The payload of an FSK frame as written by the program.
inline QByteArray fskPayloadOf(const QByteArray &frame)
{
    return frame.mid(2, std::uint8_t(frame.at(1)));
}

// Answers FSK requests with what `script` returns for (type, payload): a reply of the type
// the program awaits with that payload, or nothing for std::nullopt. Other frames (our
// answers to announcements, bootloader requests) get no answer. Runs on the writing thread.
using FskScript = std::function<std::optional<QByteArray>(std::uint8_t type, QByteArray payload)>;

inline std::function<QByteArray(const QByteArray &)> answerFsk(FskScript script)
{
    return [script = std::move(script)](const QByteArray &written) -> QByteArray {
        if (written.size() != frames::kFskFrameSize)
            return {};
        const auto type = std::uint8_t(written.at(0));
        if (type == frames::kFskAnnouncementAnswerType)
            return {};
        const std::optional<QByteArray> payload = script(type, fskPayloadOf(written));
        if (!payload)
            return {};
        const std::uint8_t replyType = type == 0x01 ? 0x89 : type | frames::kFskReplyBit;
        return frames::buildFskFrame(replyType, *payload);
    };
}

// The FSK requests among the frames written, without our answers to announcements.
inline QList<QByteArray> fskRequests(const QList<QByteArray> &writes)
{
    QList<QByteArray> requests;
    for (const QByteArray &frame : writes) {
        if (frame.size() == frames::kFskFrameSize &&
            std::uint8_t(frame.at(0)) != frames::kFskAnnouncementAnswerType)
            requests.append(frame);
    }
    return requests;
}

// The bootloader requests among the frames written, without our answers to announcements.
inline QList<QByteArray> bootloaderRequests(const QList<QByteArray> &writes)
{
    QList<QByteArray> requests;
    for (const QByteArray &frame : writes) {
        if (frame.size() == frames::kBootloaderRequestSize &&
            std::uint8_t(frame.at(2)) != frames::kBootloaderAnnouncementAnswer)
            requests.append(frame);
    }
    return requests;
}

// Runs the event loop until the routine has finished; an unfinished one yields NoReply.
template <typename T> Expected<T> finish(const Task<T> &task, int timeoutMs = 5000)
{
    if (!QTest::qWaitFor([&] { return task.isReady(); }, timeoutMs))
        return Unexpected(DeviceConnectionError::NoReply);
    return task.result();
}
