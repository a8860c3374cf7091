// A model sync of the newer multi-section receiver through the simulated programming cable, in
// both directions, timed on the wall clock and set against the time the line itself needs
// for the same frames. The difference is what the program adds: the device memory's steps,
// the connection's queue, thread hops, frame finding, completions.
//
// Usage: bench-sync [RUNS]   (default 3)
//
// The path is a user's: DeviceMemory over the cable rig of cablebench.h, and each sync is set
// against the bound described there.
#include "cablebench.h"
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
    std::printf("\nmin/median/max: wall time / bound; dev+ms/x and host+ms/x: time beyond the\n"
                "bound per exchange at the device's end and at the program's end (median run)\n");
    return 0;
}
