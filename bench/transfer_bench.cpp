// Range transfers and a firmware transfer through the simulated programming cable, timed on
// the wall clock and set against the time the line itself needs for the same frames. The
// difference is what the program adds: queueing, thread hops, frame finding, completions.
//
// Usage: bench-transfer [RANGE_RUNS [SAX_RUNS]]   (defaults 3 and 1; a firmware run takes
// about 40 s)
//
// The cable, the wire model and the bound are those of cablebench.h; the firmware transfer's
// bound also holds the time the device is busy erasing flash, which the line does not see.
#include "cablebench.h"
#include "device/saxfile.h"
#include "devsim/firmwarerecords.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace cablebench;

namespace {

constexpr int kSaxImageBytes = 293 * 1024; // makes a file of about 300 KB
constexpr int kNameWidth = 24;

// One parameter section as the benchmark moves it.
struct Section
{
    std::uint8_t id = 0;
    QByteArray contents;
};

// The result of a task, or nothing when it failed or did not finish in time.
template <typename T> std::optional<T> finish(Task<T> task)
{
    if (!waitFor([&] { return task.isReady(); }, 10000) || !task.result().has_value())
        return std::nullopt;
    return task.result().value();
}

// Every section of the parameter target, read one after another, each a single range.
void readSections(DeviceConnection &connection, const std::vector<Section> &sections,
                  std::size_t next, DeviceConnection::Done done)
{
    if (next == sections.size()) {
        done(DeviceConnectionError::NoError);
        return;
    }
    const Section &section = sections[next];
    connection.fskAdvRead(
        FlashTarget::ParameterMemory, section.id, 0, std::uint16_t(section.contents.size()),
        [](float) {},
        [&connection, &sections, next, done](DeviceConnectionError code, const QByteArray &bytes) {
            // A read that returns other bytes than the device holds is no result to time.
            if (code == DeviceConnectionError::NoError && bytes != sections[next].contents)
                code = DeviceConnectionError::InvalidReply;
            if (code != DeviceConnectionError::NoError)
                done(code);
            else
                readSections(connection, sections, next + 1, done);
        });
}

void writeSections(DeviceConnection &connection, const std::vector<Section> &sections,
                   std::size_t next, DeviceConnection::Done done)
{
    if (next == sections.size()) {
        done(DeviceConnectionError::NoError);
        return;
    }
    const Section &section = sections[next];
    // Inverted, so that every byte changes on the device.
    QByteArray data = section.contents;
    for (char &byte : data)
        byte = char(~byte);
    connection.fskAdvWrite(
        FlashTarget::ParameterMemory, section.id, 0, data, [](float) {},
        [&connection, &sections, next, done](DeviceConnectionError code) {
            if (code != DeviceConnectionError::NoError)
                done(code);
            else
                writeSections(connection, sections, next + 1, done);
        });
}

// The device's busy time while it executes the file: only the erase records take time, and
// the writer's files erase with one whole-area record (at least 1 ms in the simulator).
double eraseBusyMs(const QByteArray &file, int recordsOffset, const devsim::DeviceProfile &profile)
{
    double busy = 0;
    for (int offset = recordsOffset; offset + devsim::sax::kRecordBytes <= file.size();
         offset += devsim::sax::kRecordBytes) {
        if (std::uint8_t(file.at(offset)) == devsim::fwrecord::kErase)
            busy += std::max(1, profile.eraseDurationMs);
    }
    return busy;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rangeRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int saxRuns = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1;

    // The newer 3-axis receiver: 13 parameter sections, 4 528 bytes in all.
    const devsim::DeviceProfile profile =
        devsim::profiles::trivorReceiver(devsim::profiles::Generation::Newer);
    std::vector<Section> sections;
    const auto targets = devsim::effectiveTargets(profile);
    for (const auto &section : targets.at(0).sections)
        sections.push_back({section.id, section.contents});
    int sectionBytes = 0;
    for (const Section &section : sections)
        sectionBytes += int(section.contents.size());

    CableRig rig(profile);
    if (!rig.comeUp()) {
        std::fprintf(stderr, "the simulated device did not come up on the cable\n");
        return 1;
    }
    std::printf("%s\n", wireDescription().constData());
    std::printf("sections: %zu, %d bytes\n\n", sections.size(), sectionBytes);
    printMeasuredHeader(kNameWidth);

    std::vector<Section> current = sections; // what the device holds
    std::vector<Measurement> reads;
    std::vector<Measurement> writes;
    for (int run = 0; run < rangeRuns; ++run) {
        reads.push_back(rig.measure(
            [&](DeviceConnection::Done done) {
                readSections(rig.connection, current, 0, std::move(done));
            },
            0, 60000));
        writes.push_back(rig.measure(
            [&](DeviceConnection::Done done) {
                writeSections(rig.connection, current, 0, std::move(done));
            },
            0, 60000));
        // The next read checks for what this write left on the device.
        if (writes.back().ok)
            for (Section &section : current)
                for (char &byte : section.contents)
                    byte = char(~byte);
    }
    printMeasuredRow(kNameWidth, "fskAdvRead 4528 B", reads);
    printMeasuredRow(kNameWidth, "fskAdvWrite 4528 B", writes);

    if (saxRuns > 0) {
        devsim::sax::Options options;
        options.imageBytes = kSaxImageBytes;
        const QByteArray file = devsim::sax::writeFile(profile, options);

        if (!runToCompletion(
                [&](DeviceConnection::Done done) {
                    rig.connection.switchToMode(DeviceMode::Bootloader, std::move(done));
                },
                10000)) {
            std::fprintf(stderr, "the device did not start its bootloader\n");
            return 1;
        }
        const auto id = finish(rig.connection.idRequestAsync(0));
        if (!id) {
            std::fprintf(stderr, "the bootloader did not identify itself\n");
            return 1;
        }
        const Expected<saxfile::Header> header =
            saxfile::checkHeader(file, std::uint16_t(profile.productCode), (*id)->serialNumber);
        if (!header) {
            std::fprintf(stderr, "the firmware file does not fit the device\n");
            return 1;
        }
        const double busyMs = eraseBusyMs(file, header->recordsOffset, profile);
        std::vector<Measurement> transfers;
        for (int run = 0; run < saxRuns; ++run) {
            transfers.push_back(rig.measure(
                [&](DeviceConnection::Done done) {
                    rig.connection.sendSaxFile(
                        0, file, std::uint16_t(profile.productCode), (*id)->serialNumber,
                        [](float) {}, std::move(done));
                },
                busyMs, 300000));
        }
        const QByteArray name = QStringLiteral("sendSaxFile %1 B").arg(file.size()).toLatin1();
        printMeasuredRow(kNameWidth, name.constData(), transfers);
        std::printf("\n(firmware bound includes %.0f ms of erasing)\n", busyMs);
    }
    std::printf("ratio = wall time / bound (min, median, max over the runs); 1.05 means 5 %% "
                "over the bound.\n"
                "dev+ms/x, host+ms/x: time beyond the bound per exchange at the device's end "
                "(the simulator) and at the program's end (cable chip, program), median run\n");
    return 0;
}
