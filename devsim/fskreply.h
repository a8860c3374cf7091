#pragma once

#include "device/frames.h"
#include "devsim/commandtable.h"

#include <QByteArray>

#include <cstdint>

// Helpers the application command handlers share.
namespace devsim::fskreply {

inline constexpr int kAddressBytes = 2;

// The reply to `request`: the request type with bit 7 set, unless given.
[[nodiscard]] inline CommandOutcome reply(std::uint8_t request, const QByteArray &payload = {})
{
    return {{frames::buildFskFrame(std::uint8_t(request | frames::kFskReplyBit), payload)},
            std::nullopt};
}

[[nodiscard]] inline int u16At(const QByteArray &payload, int at)
{
    return std::uint8_t(payload[at]) | (std::uint8_t(payload[at + 1]) << 8);
}

inline void appendU16(QByteArray &payload, int value)
{
    payload.append(char(value & 0xFF));
    payload.append(char((value >> 8) & 0xFF));
}

inline void appendU32(QByteArray &payload, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        payload.append(char((value >> shift) & 0xFF));
}

// A text field of `width` bytes: the text cut to fit, then NUL bytes.
[[nodiscard]] inline QByteArray paddedField(const QByteArray &text, int width)
{
    QByteArray field = text.left(width);
    field.append(QByteArray(width - int(field.size()), '\0'));
    return field;
}

} // namespace devsim::fskreply
