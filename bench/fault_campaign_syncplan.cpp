#include "fault_campaign_syncplan.h"

#include "device/fskpayloads.h"
#include "fault_campaign.h"

#include <QStringList>

#include <algorithm>

namespace faultcampaign {

namespace {

constexpr double kControlChance = 0.05;
constexpr int kMaxJunkBytes = 64;

const std::vector<devsim::FaultKind> kFaultKinds{
    devsim::FaultKind::Drop,        devsim::FaultKind::Corrupt,    devsim::FaultKind::Delay,
    devsim::FaultKind::Junk,        devsim::FaultKind::Disconnect, devsim::FaultKind::Reset,
    devsim::FaultKind::AnswerTwice, devsim::FaultKind::WrongType,
};

} // namespace

TargetSection modelSection(int id, const QByteArray &contents)
{
    TargetSection section;
    section.schema = LayoutNode::block(
        QStringLiteral("section%1").arg(id),
        {LayoutNode::scalar(QStringLiteral("bytes"), LayoutType::U8, {int(contents.size())})});
    section.defaults = QByteArray(contents.size(), '\0');
    section.modelData = contents;
    return section;
}

QByteArray randomBytes(std::mt19937_64 &random, int size)
{
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(uniform(random, 0, 255));
    return bytes;
}

Image modelImage(const DeviceMemory &memory)
{
    Image image;
    for (int i = 0; i < memory.sectionCount(); ++i)
        image.append(memory.modelData(i));
    return image;
}

Image deviceFlash(devsim::DeviceSimulator &simulator)
{
    return simulator.withDevice([](devsim::SimulatedDevice &device) {
        Image image;
        for (const auto &section : device.state().memory.target(devsim::kParameterTarget)->sections)
            image.append(section.flash);
        return image;
    });
}

QString firstDifference(const Image &got, const Image &wanted, const QString &what)
{
    if (got.size() != wanted.size())
        return QStringLiteral("%1: %2 sections, not %3")
            .arg(what)
            .arg(got.size())
            .arg(wanted.size());
    for (int id = 0; id < got.size(); ++id) {
        if (got[id] == wanted[id])
            continue;
        int at = 0;
        while (at < std::min(got[id].size(), wanted[id].size()) && got[id][at] == wanted[id][at])
            ++at;
        return QStringLiteral("%1: section %2 differs from byte %3 on (%4 of %5 bytes)")
            .arg(what)
            .arg(id)
            .arg(at)
            .arg(got[id].size())
            .arg(wanted[id].size());
    }
    return {};
}

QString FaultPlan::text() const
{
    QStringList parts;
    for (const devsim::Fault &fault : faults) {
        QString part =
            devsim::faultKindName(fault.kind) + QLatin1Char('@') + QString::number(fault.atReply);
        if (fault.value >= 0)
            part += QLatin1Char(':') + QString::number(fault.value);
        parts.append(part);
    }
    return QStringLiteral("%1, %2 of %3 replies")
        .arg(direction == InitialSyncDirection::ComputerToDevice ? QStringLiteral("to device")
                                                                 : QStringLiteral("from device"),
             parts.join(QLatin1Char('+')))
        .arg(expectedReplies);
}

QString FaultPlan::kindsHit(int repliesSent) const
{
    QStringList kinds;
    for (const devsim::Fault &fault : faults) {
        if (fault.atReply <= repliesSent)
            kinds.append(devsim::faultKindName(fault.kind));
    }
    kinds.sort();
    return kinds.isEmpty() ? QStringLiteral("none") : kinds.join(QLatin1Char('+'));
}

int expectedReplies(const Image &model, const Image &device, InitialSyncDirection direction)
{
    const int piece = direction == InitialSyncDirection::ComputerToDevice
                          ? fskpayload::kAdvWritePieceBytes
                          : fskpayload::kAdvReadPieceBytes;
    int replies = 2;
    for (int id = 0; id < device.size(); ++id) {
        if (model.value(id) != device[id])
            replies += int((device[id].size() + piece - 1) / piece);
    }
    return replies;
}

devsim::Fault randomFault(std::mt19937_64 &random, int expected, const ConnectionTimings &timings)
{
    devsim::Fault fault;
    fault.kind = kFaultKinds[std::size_t(uniform(random, 0, int(kFaultKinds.size()) - 1))];
    fault.atReply = chance(random, kControlChance) ? expected + uniform(random, 1, 3)
                                                   : uniform(random, 1, expected);
    // Some delays stay within the acknowledgement timeout, most go past it.
    if (fault.kind == devsim::FaultKind::Delay)
        fault.value = uniform(random, timings.ackTimeoutMs / 4, 2 * timings.ackTimeoutMs);
    if (fault.kind == devsim::FaultKind::Junk)
        fault.value = uniform(random, 1, kMaxJunkBytes);
    return fault;
}

} // namespace faultcampaign
