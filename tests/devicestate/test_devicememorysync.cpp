// The bulk transfer of a sync against the simulated multi-section and single-section
// receivers, through the real connection.
#include "devsim/fskreply.h"
#include "test_devicememorylink.h"
#include "testregistry.h"

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
