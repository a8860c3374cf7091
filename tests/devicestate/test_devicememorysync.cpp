// The bulk transfer of a sync against the simulated multi-section and single-section
// receivers, through the real connection.
#include "device/sectioncrc.h"
#include "devsim/fskreply.h"
#include "test_devicememorylink.h"
#include "testregistry.h"

#include <atomic>

using Code = DeviceConnectionError;
using Direction = InitialSyncDirection;
using namespace memorytest;
namespace profiles = devsim::profiles;

Q_DECLARE_METATYPE(InitialSyncDirection)

namespace {

constexpr int kSectionOne = 1;   // the device's is 10 bytes longer than the model's
constexpr int kSectionThree = 3; // the device's is 32 bytes shorter than the model's

// The model of a newer multi-section receiver: every section as long as the device's, filled
// with a byte of its own, except sections 1 (shorter) and 3 (longer); and two sections the
// device does not have.
QList<TargetSection> modelSections(const devsim::DeviceProfile &profile)
{
    QList<TargetSection> sections;
    for (const auto &device : profile.targets.at(0).sections) {
        int size = int(device.contents.size());
        if (device.id == kSectionOne)
            size -= 10;
        if (device.id == kSectionThree)
            size += 32;
        sections.append(sizedSection(device.id, int(device.contents.size()),
                                     QByteArray(size, char(0x40 + device.id))));
    }
    sections.append(sizedSection(13, 20, QByteArray(20, 'x')));
    sections.append(sizedSection(14, 4, QByteArray(4, 'y')));
    return sections;
}

QList<QByteArray> modelBytes(const DeviceMemory &memory)
{
    QList<QByteArray> bytes;
    for (int i = 0; i < memory.sectionCount(); ++i)
        bytes.append(memory.modelData(i));
    return bytes;
}

bool risesToOne(const QList<float> &progress)
{
    for (int i = 1; i < progress.size(); ++i) {
        if (progress[i] + 1e-6f < progress[i - 1])
            return false;
    }
    return !progress.isEmpty() && qFuzzyCompare(progress.last(), 1.0f);
}

// A device whose advanced reads stop at the real end of a section, however much was asked
// for: a section table that promises more than the section holds gives short replies.
devsim::CommandTable shortReadingTable()
{
    devsim::CommandTable table = devsim::standardCommandTable();
    table.set(devsim::Protocol::Fsk, devsim::fskcmd::kAdvRead,
              [](const devsim::HostRequest &request, devsim::DeviceState &state) {
                  const QByteArray &p = request.payload;
                  const int field = (std::uint8_t(p[0]) >> 1) & 0x1F;
                  const int address = devsim::fskreply::u16At(p, 2);
                  int count = devsim::fskreply::u16At(p, 4);
                  const auto *section = state.memory.section(std::uint8_t(p[1]), field - 1);
                  if (section)
                      count = std::clamp(int(section->ram.size()) - address, 0, count);
                  return devsim::fskreply::reply(
                      request.code, p.mid(2, 2) + state.memory.read(std::uint8_t(p[1]), field - 1,
                                                                    address, count));
              });
    return table;
}

// A device that never answers the flash commit: everything else goes through.
devsim::CommandTable noCommitTable()
{
    devsim::CommandTable table = devsim::standardCommandTable();
    table.remove(devsim::Protocol::Fsk, devsim::fskcmd::kFlashSave);
    return table;
}

// A device that counts its section-CRC requests and answers for section `collidingId` the
// CRC of that section without its last word, as a colliding CRC would.
devsim::CommandTable countingCrcTable(const std::shared_ptr<WriteRecord> &record,
                                      const std::shared_ptr<std::atomic<int>> &requests,
                                      int collidingId)
{
    devsim::CommandTable table = recordingTable(record);
    table.set(
        devsim::Protocol::Fsk, devsim::fskcmd::kSectionCrcs,
        [requests, collidingId](const devsim::HostRequest &request, devsim::DeviceState &state) {
            ++*requests;
            QByteArray payload;
            for (int i = 1; i < request.payload.size(); ++i) {
                const auto id = std::uint8_t(request.payload[i]);
                QByteArray ram = state.memory.section(std::uint8_t(request.payload[0]), id)->ram;
                if (id == collidingId)
                    ram.chop(kSectionCrcWordBytes);
                devsim::fskreply::appendU32(payload, sectionCrc(ram));
            }
            return devsim::fskreply::reply(request.code, payload);
        });
    return table;
}

// One edit the owner makes, and the byte it stores there: one neither the model nor the
// device holds, so wherever it ends up it shows.
struct Edit
{
    int section = 0;
    int offset = 0;
    char byte = 0;
};

Edit editOf(const devsim::DeviceProfile &profile, const QList<TargetSection> &model, int section,
            int offset)
{
    char byte = char(~profile.targets.at(0).sections.at(section).contents.at(offset));
    if (byte == model.at(section).modelData.at(offset))
        byte = char(byte ^ 0x01);
    return {section, offset, byte};
}

void applyEdit(DeviceMemory &memory, const Edit &edit)
{
    QByteArray data = memory.modelData(edit.section);
    data[edit.offset] = edit.byte;
    memory.setModelData(edit.section, data);
    emit memory.settingsChanged();
}

} // namespace

class DeviceMemorySyncTest : public QObject
{
    Q_OBJECT

private slots:
    // The model goes to the device: a longer device section hands its tail to the model, a
    // shorter one cuts the model down, and the device's flash holds the result.
    void computerToDevice()
    {
        Link link(profiles::trivorReceiver(profiles::Generation::Newer));
        QVERIFY(link.ready);
        const QList<TargetSection> model = modelSections(link.profile);
        DeviceMemory memory(model, FlashTarget::ParameterMemory);

        const auto outcome = runSync(memory, link, link.metadata(), Direction::ComputerToDevice);
        QCOMPARE(outcome->code, Code::NoError);
        QCOMPARE(outcome->completions, 1);
        QVERIFY(risesToOne(outcome->progress));

        QCOMPARE(memory.sectionCount(), 13);
        for (const auto &device : link.profile.targets[0].sections) {
            QByteArray expected = model[device.id].modelData.left(device.contents.size());
            expected += device.contents.mid(expected.size());
            QCOMPARE(memory.modelData(device.id), expected);
            QCOMPARE(memory.section(device.id).deviceData, expected);
            QCOMPARE(link.flash(device.id), expected);
        }
        QVERIFY(link.logged("Starting sync, direction: ComputerToDevice"));
        QVERIFY(link.logged("Writing section 1, write size: 990"));
        QVERIFY(link.logged("Reading section 1 remainder, extra device size: 10"));
        QVERIFY(link.logged("Writing section 3, write size: 2468"));
        QVERIFY(link.logged("Reading section 3 remainder, extra device size: 0"));
        QVERIFY(link.loggedStarting("Id, Name, ModelBeforeSync, Device, Defaults, ModelAfterSync\n"
                                    " 0  section0                     32    32    32    32\n"
                                    " 1  section1                    990  1000  1000  1000\n"
                                    " 2  section2                     16    16    16    16\n"
                                    " 3  section3                   2500  2468  2468  2468\n"));
    }

    // The device goes to the model: every section read whole, model and image alike.
    void deviceToComputer()
    {
        Link link(profiles::trivorReceiver(profiles::Generation::Newer));
        QVERIFY(link.ready);
        DeviceMemory memory(modelSections(link.profile), FlashTarget::ParameterMemory);

        const auto outcome = runSync(memory, link, link.metadata(), Direction::DeviceToComputer);
        QCOMPARE(outcome->code, Code::NoError);
        QCOMPARE(outcome->completions, 1);
        QVERIFY(risesToOne(outcome->progress));
        QCOMPARE(memory.sectionCount(), 13);
        for (const auto &device : link.profile.targets[0].sections) {
            QCOMPARE(memory.modelData(device.id), device.contents);
            QCOMPARE(memory.section(device.id).deviceData, device.contents);
            QCOMPARE(link.ram(device.id), device.contents);
        }
        QVERIFY(link.logged("Starting sync, direction: DeviceToComputer"));
        QVERIFY(link.logged("Reading section 3, size: 2468"));
        QVERIFY(memory.isSynced());
        QCOMPARE(memory.syncConnection(), link.connection.get());
    }

    // Sections the device leaves out of its table are neither written nor read; those after
    // the last one it reports leave the model.
    void unreportedSections_data()
    {
        QTest::addColumn<Direction>("direction");
        QTest::newRow("computer to device") << Direction::ComputerToDevice;
        QTest::newRow("device to computer") << Direction::DeviceToComputer;
    }
    void unreportedSections()
    {
        QFETCH(Direction, direction);
        Link link(profiles::trivorReceiver(profiles::Generation::Newer));
        QVERIFY(link.ready);
        DeviceMemory memory(modelSections(link.profile), FlashTarget::ParameterMemory);
        QList<SectionMetadata> metadata = link.metadata();
        metadata.removeAt(12);
        metadata.removeAt(2);

        QCOMPARE(runSync(memory, link, metadata, direction)->code, Code::NoError);
        QCOMPARE(memory.sectionCount(), 12);
        QVERIFY(memory.section(2).deviceData.isEmpty());
        QCOMPARE(link.ram(2), link.profile.targets[0].sections[2].contents);
        QCOMPARE(link.ram(12), link.profile.targets[0].sections[12].contents);
        for (const char *skipped : {"Writing section 2,", "Reading section 2,",
                                    "Writing section 12,", "Reading section 12,"})
            QVERIFY2(!link.loggedStarting(skipped), skipped);
    }

    // A sync that fails half-way, whatever the cause, ends with the error, detaches, and
    // leaves every section and the section count as they were: the model is what gets saved.
    void failedSyncKeepsModel_data()
    {
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<QString>("fault");
        for (const auto &[name, direction] : {std::pair{"write", Direction::ComputerToDevice},
                                              std::pair{"read", Direction::DeviceToComputer}}) {
            for (const char *fault : {"drop:30", "corrupt:30", "disconnect:30", "drop:45"})
                QTest::addRow("%s %s", name, fault) << direction << QString(fault);
        }
    }
    void failedSyncKeepsModel()
    {
        QFETCH(Direction, direction);
        QFETCH(QString, fault);
        Link link(profiles::trivorReceiver(profiles::Generation::Newer));
        QVERIFY(link.ready);
        DeviceMemory memory(modelSections(link.profile), FlashTarget::ParameterMemory);
        const QList<QByteArray> before = modelBytes(memory);
        QList<Code> errors;
        connect(&memory, &DeviceMemory::errorSyncing, this,
                [&](Code code) { errors.append(code); });

        link.simulator->addFault(*devsim::parseFault(fault));
        const auto outcome = runSync(memory, link, link.metadata(), direction);
        QCOMPARE(outcome->completions, 1);
        QVERIFY(*outcome->code != Code::NoError);
        QCOMPARE(errors.value(0), *outcome->code);
        QVERIFY(!memory.syncConnection());
        QCOMPARE(memory.sectionCount(), 15);
        QCOMPARE(modelBytes(memory), before);
        QVERIFY(memory.isSynced());
    }

    // A device whose replies come back shorter than its section table promised: the
    // sync fails with InvalidReply and the model keeps what it had.
    void shortReadsKeepModel_data()
    {
        QTest::addColumn<Direction>("direction");
        QTest::newRow("remainder read") << Direction::ComputerToDevice;
        QTest::newRow("section read") << Direction::DeviceToComputer;
    }
    void shortReadsKeepModel()
    {
        QFETCH(Direction, direction);
        Link link(profiles::trivorReceiver(profiles::Generation::Newer), shortReadingTable());
        QVERIFY(link.ready);
        DeviceMemory memory(modelSections(link.profile), FlashTarget::ParameterMemory);
        const QList<QByteArray> before = modelBytes(memory);
        QList<SectionMetadata> metadata = link.metadata();
        metadata[kSectionThree].size += 100;

        const auto outcome = runSync(memory, link, metadata, direction);
        QCOMPARE(outcome->code, Code::InvalidReply);
        QCOMPARE(memory.sectionCount(), 15);
        QCOMPARE(modelBytes(memory), before);
        QVERIFY(!memory.syncConnection());
    }

    // Edits the owner makes while a transfer runs are kept, whichever way it goes: they
    // are in the model when the sync ends and reach the device's flash after it. One edit
    // lies in a section already transferred, one in a section still to come.
    void editsDuringSyncAreKept_data()
    {
        QTest::addColumn<Direction>("direction");
        QTest::newRow("computer to device") << Direction::ComputerToDevice;
        QTest::newRow("device to computer") << Direction::DeviceToComputer;
    }
    void editsDuringSyncAreKept()
    {
        QFETCH(Direction, direction);
        Link link(profiles::trivorReceiver(profiles::Generation::Newer));
        QVERIFY(link.ready);
        const QList<TargetSection> model = modelSections(link.profile);
        DeviceMemory memory(model, FlashTarget::ParameterMemory);
        memory.setFlashCommitDelayMs(50);
        const QList<Edit> edits{editOf(link.profile, model, 0, 5),
                                editOf(link.profile, model, 12, 20)};

        // Section 3 carries the transfer past its middle: section 0 is done, 12 still to come.
        bool edited = false;
        auto outcome = std::make_shared<SyncOutcome>();
        memory.setSyncConnectionAsync(
            link.connection.get(), link.metadata(), direction,
            [&](float f) {
                if (edited || f < 0.5f)
                    return;
                edited = true;
                for (const Edit &edit : edits)
                    applyEdit(memory, edit);
            },
            [outcome](Code code) { outcome->code = code; });
        QVERIFY(QTest::qWaitFor([&] { return outcome->code.has_value(); }, 4 * kWaitMs));
        QCOMPARE(*outcome->code, Code::NoError);
        QVERIFY(edited);

        for (const Edit &edit : edits) {
            const auto &device = link.profile.targets[0].sections[edit.section];
            QByteArray expected = direction == Direction::DeviceToComputer
                                      ? device.contents
                                      : model[edit.section].modelData;
            expected[edit.offset] = edit.byte;
            QCOMPARE(memory.modelData(edit.section), expected);
            QVERIFY(QTest::qWaitFor([&] { return link.flash(edit.section) == expected; }, kWaitMs));
        }
        QVERIFY(QTest::qWaitFor([&] { return memory.isSynced(); }, kWaitMs));
    }

    // A read from the device whose every section arrived whole, and only the closing flash
    // commit failed, keeps what it read: the settings are the device's either way. The
    // failure is still reported and detaches the memory.
    void failedCommitAfterReadKeepsSections()
    {
        Link link(profiles::trivorReceiver(profiles::Generation::Newer), noCommitTable());
        QVERIFY(link.ready);
        DeviceMemory memory(modelSections(link.profile), FlashTarget::ParameterMemory);
        QSignalSpy replaced(&memory, &DeviceMemory::sectionsReplaced);
        QList<Code> errors;
        connect(&memory, &DeviceMemory::errorSyncing, this,
                [&](Code code) { errors.append(code); });

        const auto outcome = runSync(memory, link, link.metadata(), Direction::DeviceToComputer);
        QCOMPARE(outcome->code, Code::NoReply);
        QCOMPARE(errors, QList<Code>{Code::NoReply});
        QVERIFY(!memory.syncConnection());
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(memory.sectionCount(), 13);
        for (const auto &device : link.profile.targets[0].sections) {
            QCOMPARE(memory.modelData(device.id), device.contents);
            QCOMPARE(memory.section(device.id).deviceData, device.contents);
        }
        QVERIFY(link.loggedStarting("Keeping the sections read"));
    }

    // With a device that reports section CRCs, the sync asks it for fresh ones (its table's
    // are stale here) in one request and moves only the sections that differ: one with a
    // changed byte, and one whose CRC matches but whose length does not. The end state is
    // that of a full sync.
    void sectionsInStepAreNotTransferred_data()
    {
        QTest::addColumn<Direction>("direction");
        QTest::newRow("computer to device") << Direction::ComputerToDevice;
        QTest::newRow("device to computer") << Direction::DeviceToComputer;
    }
    void sectionsInStepAreNotTransferred()
    {
        QFETCH(Direction, direction);
        constexpr int kChanged = 5;
        auto record = std::make_shared<WriteRecord>();
        auto crcRequests = std::make_shared<std::atomic<int>>(0);
        Link link(profiles::trivorReceiver(profiles::Generation::Newer),
                  countingCrcTable(record, crcRequests, kSectionOne));
        QVERIFY(link.ready);
        QList<TargetSection> model;
        for (const auto &device : link.profile.targets[0].sections)
            model.append(sizedSection(device.id, int(device.contents.size()), device.contents));
        model[kChanged].modelData[7] = char(~model[kChanged].modelData[7]);
        model[kSectionOne].modelData.chop(kSectionCrcWordBytes);
        DeviceMemory memory(model, FlashTarget::ParameterMemory);
        QList<SectionMetadata> metadata = link.metadata();
        for (SectionMetadata &entry : metadata)
            entry.crc = 0;

        const auto outcome = runSync(memory, link, metadata, direction);
        QCOMPARE(outcome->code, Code::NoError);
        QVERIFY(risesToOne(outcome->progress));
        QCOMPARE(crcRequests->load(), 1);

        const QList<int> moved{kSectionOne, kChanged};
        QList<int> written;
        for (const auto &[indexByte, address, length] : record->taken()) {
            if (!written.contains(indexByte / 2 - 1))
                written.append(indexByte / 2 - 1);
        }
        QCOMPARE(written, direction == Direction::ComputerToDevice ? moved : QList<int>{});
        for (const auto &device : link.profile.targets[0].sections) {
            const bool read =
                link.loggedStarting(QStringLiteral("Reading section %1,").arg(device.id));
            QCOMPARE(read, direction == Direction::DeviceToComputer && moved.contains(device.id));
            QByteArray expected = device.contents;
            if (direction == Direction::ComputerToDevice && device.id == kChanged)
                expected = model[kChanged].modelData;
            QCOMPARE(memory.modelData(device.id), expected);
            QCOMPARE(memory.section(device.id).deviceData, expected);
            QCOMPARE(link.flash(device.id), expected);
        }
        QVERIFY(link.loggedStarting("Section 0 matches the device (CRC 0x"));
        QVERIFY(memory.isSynced());
    }

    // The CRC covers whole words only: a section with a partial last word is transferred even
    // when its CRC matches, so that a change in its last bytes reaches the device.
    void partialWordSectionIsTransferred()
    {
        Link link(profiles::trivorReceiver(profiles::Generation::Older));
        QVERIFY(link.ready);
        QList<TargetSection> model;
        for (const auto &device : link.profile.targets[0].sections)
            model.append(sizedSection(device.id, int(device.contents.size()), device.contents));
        QByteArray &tail = model[kSectionThree].modelData;
        QVERIFY(tail.size() % kSectionCrcWordBytes != 0);
        tail[tail.size() - 1] = char(~tail.back());
        DeviceMemory memory(model, FlashTarget::ParameterMemory);
        QList<SectionMetadata> metadata = link.metadata();
        metadata.first().crc = 0;

        QCOMPARE(runSync(memory, link, metadata, Direction::ComputerToDevice)->code, Code::NoError);
        QCOMPARE(link.flash(kSectionThree), model[kSectionThree].modelData);
        QVERIFY(link.loggedStarting("Section 0 matches the device"));
    }

    // A device that does not answer the CRC request gets every section, as without CRCs.
    void unansweredCrcRequestTransfersEverything()
    {
        devsim::CommandTable table = devsim::standardCommandTable();
        table.remove(devsim::Protocol::Fsk, devsim::fskcmd::kSectionCrcs);
        Link link(profiles::trivorReceiver(profiles::Generation::Newer), std::move(table));
        QVERIFY(link.ready);
        const QList<TargetSection> model = modelSections(link.profile);
        DeviceMemory memory(model, FlashTarget::ParameterMemory);
        QList<SectionMetadata> metadata = link.metadata();
        for (SectionMetadata &entry : metadata)
            entry.crc = sectionCrc(model[entry.id].modelData.left(entry.size));

        const auto outcome = runSync(memory, link, metadata, Direction::ComputerToDevice);
        QCOMPARE(outcome->code, Code::NoError);
        QVERIFY(link.loggedStarting("Could not read the device's section CRCs"));
        for (const auto &device : link.profile.targets[0].sections) {
            QByteArray expected = model[device.id].modelData.left(device.contents.size());
            expected += device.contents.mid(expected.size());
            QCOMPARE(link.flash(device.id), expected);
        }
    }

    // Several sections and no section table: nothing to sync with.
    void noMetadata()
    {
        Link link(profiles::trivorReceiver(profiles::Generation::Older));
        QVERIFY(link.ready);
        DeviceMemory memory({sizedSection(0, 4, "abcd"), sizedSection(1, 2, "ef")},
                            FlashTarget::ParameterMemory);
        QList<Code> errors;
        connect(&memory, &DeviceMemory::errorSyncing, this,
                [&](Code code) { errors.append(code); });
        const auto outcome = runSync(memory, link, {}, Direction::DeviceToComputer);
        QCOMPARE(outcome->code, Code::InvalidState);
        QCOMPARE(errors, QList<Code>{Code::InvalidState});
        QVERIFY(!memory.syncConnection());
        QCOMPARE(memory.modelData(0), QByteArray("abcd"));
    }

    // One section: the owner's image length is the transfer size, and no table is logged.
    void singleSection()
    {
        Link link(profiles::airplaneReceiver());
        QVERIFY(link.ready);
        const QByteArray device = link.ram(0);
        QCOMPARE(device.size(), 1856);
        DeviceMemory memory(sizedSection(0, 1856).schema, FlashTarget::ParameterMemory);
        memory.setDeviceData(0, QByteArray(1856, '\0'));

        auto outcome = runSync(memory, link, {}, Direction::DeviceToComputer);
        QCOMPARE(outcome->code, Code::NoError);
        QCOMPARE(memory.modelData(0), device);
        QVERIFY(!link.loggedStarting("Id, Name"));

        // A model longer than the device's section writes only what the device holds.
        const QByteArray model(1900, 'm');
        memory.setModelData(0, model);
        outcome = runSync(memory, link, {}, Direction::ComputerToDevice);
        QCOMPARE(outcome->code, Code::NoError);
        QCOMPARE(link.flash(0), model.left(1856));
        QCOMPARE(memory.modelData(0), model);
        QVERIFY(link.logged("Reading section 0 remainder, extra device size: -44"));
    }

    // A sync while one runs is refused without touching the first; a memory destroyed
    // mid-sync still completes the sync once, and nothing runs into it.
    void overlappingAndDestroyed()
    {
        Link link(profiles::trivorReceiver(profiles::Generation::Older));
        QVERIFY(link.ready);
        auto memory = std::make_unique<DeviceMemory>(modelSections(link.profile).mid(0, 8),
                                                     FlashTarget::ParameterMemory);
        auto first = std::make_shared<SyncOutcome>();
        memory->setSyncConnectionAsync(
            link.connection.get(), link.metadata(), Direction::DeviceToComputer,
            [first](float f) { first->progress.append(f); },
            [first](Code code) {
                first->code = code;
                ++first->completions;
            });
        const auto second = runSync(*memory, link, link.metadata(), Direction::ComputerToDevice);
        QCOMPARE(second->code, Code::InvalidState);
        QCOMPARE(memory->syncConnection(), link.connection.get());

        QVERIFY(QTest::qWaitFor([&] { return !first->progress.isEmpty(); }, kWaitMs));
        memory.reset();
        QVERIFY(QTest::qWaitFor([&] { return first->code.has_value(); }, kWaitMs));
        QCOMPARE(*first->code, Code::InvalidState);
        QTest::qWait(50);
        QCOMPARE(first->completions, 1);
    }
};

ZX_REGISTER_TEST(DeviceMemorySyncTest);
#include "test_devicememorysync.moc"
