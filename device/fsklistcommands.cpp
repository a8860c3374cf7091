// Section tables and section CRCs of DeviceConnection: lists that span several replies.
#include "device/commandcodes.h"
#include "device/deviceconnection.h"
#include "device/fskpayloads.h"

namespace {

// Section ids are eight bits wide, and so is the start index of a table request: a table
// cannot go on past this, and a device that keeps listing sections would be asked forever.
constexpr int kMaxTargetSections = 256;

} // namespace

Task<QList<std::uint32_t>> DeviceConnection::fskGetSectionCrcsLimited(FlashTarget target,
                                                                      QList<std::uint8_t> sections)
{
    const Expected<QByteArray> reply = co_await fskCommandAsync(
        fsk::kSectionCrcs, fskpayload::sectionCrcsRequest(target, sections),
        fsk::kSectionCrcsReply);
    if (!reply)
        co_return Unexpected(reply.error());
    Expected<QList<std::uint32_t>> crcs =
        fskpayload::decodeSectionCrcsReply(*reply, int(sections.size()));
    if (crcs)
        fskpayload::logSectionCrcs(sections, *crcs);
    co_return crcs;
}

Task<QList<TargetSectionInfo>> DeviceConnection::fskGetTargetSectionsLimited(FlashTarget target,
                                                                             std::uint8_t start)
{
    const Expected<QByteArray> reply = co_await fskCommandAsync(
        fsk::kTargetSections, fskpayload::targetSectionsRequest(target, start),
        fsk::kTargetSectionsReply);
    if (!reply)
        co_return Unexpected(reply.error());
    Expected<QList<TargetSectionInfo>> sections = fskpayload::decodeTargetSectionsReply(*reply);
    if (sections)
        fskpayload::logTargetSections(*sections);
    co_return sections;
}

Task<QList<std::uint32_t>> DeviceConnection::fskGetSectionCrcs(FlashTarget target,
                                                               QList<std::uint8_t> sections)
{
    // Resumed by command completions, which also arrive while the connection is destroyed.
    QPointer<DeviceConnection> self(this);
    if (sections.isEmpty()) {
        // Nothing to ask; an empty request might be answered with every CRC the device has.
        const bool inApplication = m_mode == DeviceMode::FSK;
        co_await TimerAwaitable(0);
        if (!inApplication)
            co_return Unexpected(DeviceConnectionError::InvalidState);
        co_return QList<std::uint32_t>();
    }
    QList<std::uint32_t> crcs;
    int next = 0;
    do {
        if (!self)
            co_return Unexpected(DeviceConnectionError::NoReply);
        const QList<std::uint8_t> part = sections.mid(next, fskpayload::kMaxCrcSectionsPerRequest);
        const Expected<QList<std::uint32_t>> partCrcs =
            co_await self->fskGetSectionCrcsLimited(target, part);
        if (!partCrcs)
            co_return Unexpected(partCrcs.error());
        crcs.append(*partCrcs);
        next += int(part.size());
    } while (next < sections.size());
    co_return crcs;
}

Task<QList<TargetSectionInfo>> DeviceConnection::fskGetTargetSections(FlashTarget target)
{
    QPointer<DeviceConnection> self(this);
    QList<TargetSectionInfo> sections;
    for (;;) {
        if (!self)
            co_return Unexpected(DeviceConnectionError::NoReply);
        const Expected<QList<TargetSectionInfo>> page =
            co_await self->fskGetTargetSectionsLimited(target, std::uint8_t(sections.size()));
        if (!page)
            co_return Unexpected(page.error());
        if (page->isEmpty())
            co_return sections;
        sections.append(*page);
        if (sections.size() >= kMaxTargetSections)
            co_return Unexpected(DeviceConnectionError::InvalidReply);
    }
}
