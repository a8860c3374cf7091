// A model sync of the newer multi-section receiver through the simulated programming cable, in
// both directions, timed on the wall clock and set against the time the line itself needs
// for the same frames. The difference is what the program adds: the device memory's steps,
// the connection's queue, thread hops, frame finding, completions.
//
// Usage: bench-sync [RUNS]   (default 3)
//
// The path is a user's: DeviceMemory over the cable rig of cablebench.h, and each sync is set
// against the bound described there.
//
// Then the case a sync meets most: model and device differ in one section. With section CRCs
// in the device's table the sync asks for fresh ones and moves that section only; it is set
// against what the line needs for that section alone plus the CRC request, each measured on
// its own.
#include "cablebench.h"
#include "device/task.h"
#include "devicestate/devicememory.h"
#include "devsim/profiles.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace cablebench;

namespace {

constexpr int kSyncTimeoutMs = 120000;
constexpr int kNameWidth = 28;
// The section the one-section case changes: a mid-sized one (340 bytes).
constexpr int kChangedSection = 5;
constexpr double kOneSectionTargetRatio = 1.1;

// One sync of the whole model, in the given direction, on the rig's connection.
Measurement measureSync(CableRig &rig, DeviceMemory &memory, const QList<SectionMetadata> &metadata,
                        InitialSyncDirection direction)
{
    return rig.measure(
        [&](DeviceConnection::Done done) {
            memory.setSyncConnectionAsync(&rig.connection, metadata, direction, nullptr,
                                          std::move(done));
        },
        0, kSyncTimeoutMs);
}

// A section with a one-field schema of its size, holding `contents`.
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

// What the device's RAM holds now, section by section, as a model of one-field sections.
QList<TargetSection> deviceImage(CableRig &rig, const QList<SectionMetadata> &metadata)
{
    QList<TargetSection> sections;
    for (const SectionMetadata &entry : metadata) {
        const QByteArray ram = rig.simulator->withDevice([&](devsim::SimulatedDevice &device) {
            return device.state().memory.section(0, entry.id)->ram;
        });
        sections.append(modelSection(entry.id, ram));
    }
    return sections;
}

// The changed section moved on its own, as the one-section sync moves it.
Measurement measureSectionAlone(CableRig &rig, const TargetSection &section,
                                InitialSyncDirection direction)
{
    return rig.measure(
        [&](DeviceConnection::Done done) {
            const auto id = std::uint8_t(kChangedSection);
            if (direction == InitialSyncDirection::ComputerToDevice) {
                rig.connection.fskAdvWrite(FlashTarget::ParameterMemory, id, 0, section.modelData,
                                           nullptr, std::move(done));
            } else {
                rig.connection.fskAdvRead(
                    FlashTarget::ParameterMemory, id, 0, std::uint16_t(section.modelData.size()),
                    nullptr,
                    [done = std::move(done)](DeviceConnectionError error, const QByteArray &) {
                        done(error);
                    });
            }
        },
        0, kSyncTimeoutMs);
}

Measurement measureCrcRequest(CableRig &rig, const QList<SectionMetadata> &metadata)
{
    QList<std::uint8_t> ids;
    for (const SectionMetadata &entry : metadata)
        ids.append(entry.id);
    return rig.measure(
        [&](DeviceConnection::Done done) {
            whenDone<QList<std::uint32_t>>(
                rig.connection.fskGetSectionCrcs(FlashTarget::ParameterMemory, ids),
                [done = std::move(done)](Expected<QList<std::uint32_t>> crcs) {
                    done(crcs ? DeviceConnectionError::NoError : crcs.error());
                });
        },
        0, kSyncTimeoutMs);
}

// The one-section sync in `direction`, `runs` times, and the line's time for its parts.
void reportOneSection(CableRig &rig, const QList<SectionMetadata> &metadata,
                      InitialSyncDirection direction, int runs, const char *name)
{
    QList<SectionMetadata> withCrcs = metadata;
    for (SectionMetadata &entry : withCrcs)
        entry.crc = 0; // any value: the sync asks the device for fresh ones
    std::vector<Measurement> syncs;
    std::vector<Measurement> alone;
    std::vector<Measurement> crcRequests;
    for (int run = 0; run < runs; ++run) {
        QList<TargetSection> sections = deviceImage(rig, metadata);
        for (char &byte : sections[kChangedSection].modelData)
            byte = char(~byte);
        DeviceMemory memory(sections, FlashTarget::ParameterMemory);
        syncs.push_back(measureSync(rig, memory, withCrcs, direction));
        alone.push_back(measureSectionAlone(rig, sections[kChangedSection], direction));
        crcRequests.push_back(measureCrcRequest(rig, metadata));
    }
    printMeasuredRow(kNameWidth, name, syncs);
    const auto sync = ratioSpread(syncs);
    const auto section = ratioSpread(alone);
    const auto crcs = ratioSpread(crcRequests);
    if (!sync || !section || !crcs)
        return;
    const double partsMs = section->median.boundMs + crcs->median.boundMs;
    std::printf("  wall %.1f ms against the line's %.1f ms for section %d alone + %.1f ms for the "
                "CRC request = %.1f ms: %.3f x (target < %.1f x);\n"
                "  with the closing flash commit the line needs %.1f ms: %.3f x\n",
                sync->median.wallMs, section->median.boundMs, kChangedSection, crcs->median.boundMs,
                partsMs, sync->median.wallMs / partsMs, kOneSectionTargetRatio,
                sync->median.boundMs, sync->median.ratio());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    // The newer 3-axis receiver: 13 parameter sections, 4 528 bytes in all.
    const devsim::DeviceProfile profile =
        devsim::profiles::trivorReceiver(devsim::profiles::Generation::Newer);
    QList<TargetSection> sections;
    QList<SectionMetadata> metadata;
    int sectionBytes = 0;
    const auto targets = devsim::effectiveTargets(profile);
    for (const auto &section : targets.at(0).sections) {
        QByteArray inverted = section.contents;
        for (char &byte : inverted)
            byte = char(~byte);
        sections.append(modelSection(section.id, inverted));
        metadata.append({section.id, std::uint16_t(section.contents.size()), std::nullopt});
        sectionBytes += int(section.contents.size());
    }

    CableRig rig(profile);
    if (!rig.comeUp()) {
        std::fprintf(stderr, "the simulated device did not come up on the cable\n");
        return 1;
    }
    std::printf("%s\n", wireDescription().constData());
    std::printf("sections: %lld, %d bytes; each sync ends with the flash commit\n\n",
                static_cast<long long>(sections.size()), sectionBytes);
    printMeasuredHeader(kNameWidth);

    std::vector<Measurement> reads;
    std::vector<Measurement> writes;
    for (int run = 0; run < runs; ++run) {
        // A fresh model each run, so that every byte of the write differs from the device's.
        DeviceMemory toDevice(sections, FlashTarget::ParameterMemory);
        writes.push_back(
            measureSync(rig, toDevice, metadata, InitialSyncDirection::ComputerToDevice));
        DeviceMemory fromDevice(sections, FlashTarget::ParameterMemory);
        reads.push_back(
            measureSync(rig, fromDevice, metadata, InitialSyncDirection::DeviceToComputer));
        // The next write inverts what this one left on the device.
        for (TargetSection &section : sections)
            for (char &byte : section.modelData)
                byte = char(~byte);
    }
    printMeasuredRow(kNameWidth, "sync ComputerToDevice", writes);
    printMeasuredRow(kNameWidth, "sync DeviceToComputer", reads);

    std::printf("\none section of %lld differs (section %d, %lld bytes); the device's table "
                "carries CRCs\n",
                static_cast<long long>(sections.size()), kChangedSection,
                static_cast<long long>(sections[kChangedSection].modelData.size()));
    reportOneSection(rig, metadata, InitialSyncDirection::ComputerToDevice, runs,
                     "one section ComputerToDevice");
    reportOneSection(rig, metadata, InitialSyncDirection::DeviceToComputer, runs,
                     "one section DeviceToComputer");
    std::printf("\nmin/median/max: wall time / bound; dev+ms/x and host+ms/x: time beyond the\n"
                "bound per exchange at the device's end and at the program's end (median run)\n");
    return 0;
}
