#include "devsim/faults.h"

#include "device/frames.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>

namespace devsim {

namespace {

struct FaultKindInfo
{
    FaultKind kind;
    const char *name;
    const char *help;
};

constexpr std::array kKinds{
    FaultKindInfo{FaultKind::Drop, "drop", "the reply is never sent"},
    FaultKindInfo{FaultKind::Corrupt, "corrupt", "the reply is sent with a wrong checksum"},
    FaultKindInfo{FaultKind::Delay, "delay", "the reply is sent VALUE ms late (default 4000)"},
    FaultKindInfo{FaultKind::Junk, "junk", "VALUE junk bytes precede the reply (default 16)"},
    FaultKindInfo{FaultKind::Disconnect, "disconnect", "the device vanishes instead of replying"},
    FaultKindInfo{FaultKind::Reset, "reset", "the device restarts half-way through the reply"},
    FaultKindInfo{FaultKind::AnswerTwice, "twice", "the reply is sent twice"},
    FaultKindInfo{FaultKind::WrongType, "wrongtype", "the reply is sent with another type"},
};

bool takesValue(FaultKind kind)
{
    return kind == FaultKind::Delay || kind == FaultKind::Junk;
}

int valueOrDefault(const Fault &fault, int fallback)
{
    return fault.value < 0 ? fallback : fault.value;
}

// Every byte is above the largest FSK length and differs from the bootloader marker, so no
// frame can start inside the junk.
QByteArray junk(int count)
{
    constexpr int kJunkBase = 0xC0;
    constexpr int kJunkSpread = 0x40;
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i)
        bytes[i] = char(kJunkBase + (i * 37) % kJunkSpread);
    return bytes;
}

int checksumOffset(const QByteArray &reply, Protocol protocol)
{
    if (protocol == Protocol::Bootloader)
        return frames::kBootloaderReplySize - 2;
    return 2 + std::uint8_t(reply[1]);
}

QByteArray withOtherType(const QByteArray &reply, Protocol protocol)
{
    if (protocol == Protocol::Bootloader) {
        const auto type = std::uint8_t(std::uint8_t(reply[2]) + 1) | frames::kFskReplyBit;
        return frames::buildBootloaderReply(std::uint8_t(type), std::uint8_t(reply[3]),
                                            reply.mid(4, frames::kBootloaderReplyPayload));
    }
    const auto type = std::uint8_t(std::uint8_t(reply[0]) + 1) | frames::kFskReplyBit;
    return frames::buildFskFrame(std::uint8_t(type), reply.mid(2, std::uint8_t(reply[1])));
}

} // namespace

QString faultKindName(FaultKind kind)
{
    for (const FaultKindInfo &info : kKinds) {
        if (info.kind == kind)
            return QString::fromLatin1(info.name);
    }
    return {};
}

QString faultHelpText()
{
    QStringList lines;
    for (const FaultKindInfo &info : kKinds)
        lines << QStringLiteral("%1  %2").arg(QString::fromLatin1(info.name), -10).arg(info.help);
    return lines.join('\n');
}

std::expected<Fault, QString> parseFault(const QString &text)
{
    const QStringList parts = text.trimmed().split(':');
    if (parts.size() > 3)
        return std::unexpected(QStringLiteral("too many fields in fault \"%1\"").arg(text));
    const auto info = std::find_if(kKinds.begin(), kKinds.end(), [&](const FaultKindInfo &k) {
        return parts[0].compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0;
    });
    if (info == kKinds.end())
        return std::unexpected(QStringLiteral("unknown fault \"%1\"").arg(parts[0]));

    Fault fault{info->kind, 1, -1};
    if (parts.size() > 1) {
        bool ok = false;
        fault.atReply = parts[1] == QLatin1String("*") ? kEveryReply : parts[1].toInt(&ok);
        if (parts[1] != QLatin1String("*") &&
            (!ok || fault.atReply < 1 || fault.atReply > kMaxFaultReply))
            return std::unexpected(QStringLiteral("bad reply number \"%1\"").arg(parts[1]));
    }
    if (parts.size() > 2) {
        if (!takesValue(fault.kind))
            return std::unexpected(QStringLiteral("fault %1 takes no value").arg(info->name));
        bool ok = false;
        fault.value = parts[2].toInt(&ok);
        const int limit = fault.kind == FaultKind::Delay ? kMaxFaultDelayMs : kMaxJunkBytes;
        if (!ok || fault.value < 0 || fault.value > limit)
            return std::unexpected(QStringLiteral("bad value \"%1\"").arg(parts[2]));
    }
    return fault;
}

void FaultPlan::add(const Fault &fault)
{
    m_armed.push_back({fault, fault.atReply});
}

std::vector<Fault> FaultPlan::nextReply()
{
    std::vector<Fault> hits;
    for (Armed &armed : m_armed) {
        if (armed.fault.atReply == kEveryReply || --armed.repliesToGo == 0)
            hits.push_back(armed.fault);
    }
    std::erase_if(m_armed, [](const Armed &armed) {
        return armed.fault.atReply != kEveryReply && armed.repliesToGo <= 0;
    });
    return hits;
}

ShapedReply shapeReply(const QByteArray &reply, Protocol protocol, const std::vector<Fault> &faults)
{
    const auto has = [&](FaultKind kind) {
        return std::any_of(faults.begin(), faults.end(),
                           [kind](const Fault &fault) { return fault.kind == kind; });
    };
    ShapedReply shaped;
    if (has(FaultKind::Disconnect)) {
        shaped.then = ShapedReply::Then::Disconnect;
        return shaped;
    }
    if (has(FaultKind::Drop))
        return shaped;

    QByteArray bytes = has(FaultKind::WrongType) ? withOtherType(reply, protocol) : reply;
    if (has(FaultKind::Corrupt))
        bytes[checksumOffset(bytes, protocol)] =
            char(bytes[checksumOffset(bytes, protocol)] ^ 0xFF);
    for (const Fault &fault : faults) {
        if (fault.kind == FaultKind::Delay)
            shaped.extraDelayMs += valueOrDefault(fault, kDefaultFaultDelayMs);
        if (fault.kind == FaultKind::Junk)
            shaped.chunks.push_back(junk(valueOrDefault(fault, kDefaultJunkBytes)));
    }
    if (has(FaultKind::Reset)) {
        // Cut before the checksum, so what went out cannot pass for a whole frame.
        shaped.chunks.push_back(
            bytes.left(qMin(bytes.size() / 2, checksumOffset(bytes, protocol))));
        shaped.then = ShapedReply::Then::Restart;
        return shaped;
    }
    shaped.chunks.push_back(bytes);
    if (has(FaultKind::AnswerTwice))
        shaped.chunks.push_back(bytes);
    return shaped;
}

} // namespace devsim
