// DeviceMemory apart from the bulk transfer: construction, the model-sync table, live patches,
// the flash commit and detaching from the device.
#include "test_devicememorylink.h"
#include "testregistry.h"

#include <stdexcept>

using Code = DeviceConnectionError;
using namespace memorytest;

Q_DECLARE_METATYPE(QList<TargetSection>)
using Patches = QList<std::tuple<int, int>>; // address, length
Q_DECLARE_METATYPE(Patches)

namespace {

bool switchMode(Link &link, DeviceMode mode)
{
    std::optional<Code> switched;
    link.connection->switchToMode(mode, [&](Code code) { switched = code; });
    return QTest::qWaitFor([&] { return switched.has_value(); }, kWaitMs) &&
           *switched == Code::NoError && link.connection->mode() == mode;
}

} // namespace

class DeviceMemoryConstructionTest : public QObject
{
    Q_OBJECT

private slots:
    // A list must not be empty, and in a list of several sections every section's defaults
    // must be as long as its schema; a single section is its owner's to size.
    void constructorChecksSections_data()
    {
        QTest::addColumn<QList<TargetSection>>("sections");
        QTest::addColumn<QString>("error");

        TargetSection shortDefaults = sizedSection(1, 8);
        shortDefaults.defaults.chop(1);
        QTest::newRow("empty") << QList<TargetSection>{} << "sections must not be empty";
        QTest::newRow("defaults too short")
            << QList<TargetSection>{sizedSection(0, 4), shortDefaults}
            << "size of defaults must match schema size";
        QTest::newRow("empty section between")
            << QList<TargetSection>{sizedSection(0, 4), TargetSection{}, sizedSection(2, 3)}
            << QString();
        QTest::newRow("single section unchecked")
            << QList<TargetSection>{shortDefaults} << QString();
        QTest::newRow("matching") << QList<TargetSection>{sizedSection(0, 4), sizedSection(1, 8)}
                                  << QString();
    }
    void constructorChecksSections()
    {
        QFETCH(QList<TargetSection>, sections);
        QFETCH(QString, error);
        try {
            DeviceMemory memory(sections, FlashTarget::ParameterMemory);
            QVERIFY2(error.isEmpty(), "no exception");
            QCOMPARE(memory.sectionCount(), sections.size());
        } catch (const std::invalid_argument &e) {
            QCOMPARE(QString::fromUtf8(e.what()), error);
        }
    }

    void schemaConstructorMakesOneEmptySection()
    {
        const LayoutNode schema = sizedSection(0, 64).schema;
        DeviceMemory memory(schema, FlashTarget::TxSystemSettings);
        QCOMPARE(memory.sectionCount(), 1);
        QCOMPARE(memory.section(0).schema.name(), schema.name());
        QVERIFY(memory.modelData(0).isEmpty());
        QVERIFY(memory.section(0).deviceData.isEmpty());
        QCOMPARE(memory.flashTarget(), FlashTarget::TxSystemSettings);
        QVERIFY(memory.isSynced());
        QVERIFY(!memory.syncConnection());

        memory.ensureSectionCount(3);
        QCOMPARE(memory.sectionCount(), 3);
        QVERIFY(memory.section(2).defaults.isEmpty());
    }

    // Sections whose counts are all zero are left out; the name is the schema's, empty
    // without one.
    void syncTableText()
    {
        QList<TargetSection> sections{sizedSection(0, 32), TargetSection{}, TargetSection{}};
        QList<SectionSyncStats> stats{{32, 32, 32, 32}, {0, 0, 0, 0}, {1000, 990, 0, 990}};
        QCOMPARE(DeviceMemory::syncTableText(sections, stats),
                 QStringLiteral("Id, Name, ModelBeforeSync, Device, Defaults, ModelAfterSync\n"
                                " 0  section0                     32    32    32    32\n"
                                " 2                             1000   990     0   990\n"));
    }
};

// Live writing against the simulated single-section receiver, once attached by a sync.
class DeviceMemoryLiveWritingTest : public QObject
{
    Q_OBJECT

    struct Attached
    {
        std::shared_ptr<WriteRecord> record = std::make_shared<WriteRecord>();
        Link link{devsim::profiles::airplaneReceiver(), recordingTable(record)};
        DeviceMemory memory{sizedSection(0, 1856).schema, FlashTarget::ParameterMemory};

        Attached()
        {
            memory.setFlashCommitDelayMs(50);
            memory.setDeviceData(0, QByteArray(1856, '\0'));
        }
        bool sync()
        {
            return link.ready &&
                   runSync(memory, link, {}, InitialSyncDirection::DeviceToComputer)->code ==
                       Code::NoError;
        }
        // Inverts `count` bytes from `offset`, as the owner would after an edit.
        void edit(int offset, int count = 1)
        {
            QByteArray data = memory.modelData(0);
            for (int i = offset; i < offset + count; ++i)
                data[i] = char(~data[i]);
            memory.setModelData(0, data);
            emit memory.settingsChanged();
        }
        bool patchesDone()
        {
            return QTest::qWaitFor([&] { return !memory.writeInFlight(); }, kWaitMs);
        }
    };

private slots:
    // Each run of differing bytes goes out in patches of at most 56 bytes at its own address;
    // the flash commit follows the delay after the last patch.
    void editsBecomePatches_data()
    {
        QTest::addColumn<QList<int>>("editOffsets");
        QTest::addColumn<QList<int>>("editLengths");
        QTest::addColumn<Patches>("patches");

        // A patch runs 56 bytes from the first difference, or to the section's end.
        QTest::newRow("two separate edits")
            << QList<int>{10, 200} << QList<int>{1, 3} << Patches{{10, 56}, {200, 56}};
        QTest::newRow("edits within one patch")
            << QList<int>{10, 65} << QList<int>{1, 1} << Patches{{10, 56}};
        QTest::newRow("100 consecutive bytes at the end")
            << QList<int>{1756} << QList<int>{100} << Patches{{1756, 56}, {1812, 44}};
        QTest::newRow("100 consecutive bytes")
            << QList<int>{500} << QList<int>{100} << Patches{{500, 56}, {556, 56}};
    }
    void editsBecomePatches()
    {
        QFETCH(QList<int>, editOffsets);
        QFETCH(QList<int>, editLengths);
        QFETCH(Patches, patches);
        Attached a;
        QVERIFY(a.sync());
        QVERIFY(a.memory.isSynced());
        a.record->taken();

        QByteArray data = a.memory.modelData(0);
        for (int i = 0; i < editOffsets.size(); ++i) {
            for (int b = 0; b < editLengths[i]; ++b)
                data[editOffsets[i] + b] = char(~data[editOffsets[i] + b]);
        }
        a.memory.setModelData(0, data);
        emit a.memory.settingsChanged();
        QVERIFY(a.memory.writeInFlight());
        // Another notice while the pass is in flight sends nothing twice.
        emit a.memory.settingsChanged();
        QVERIFY(!a.memory.isSynced());
        QVERIFY(a.patchesDone());

        QList<std::tuple<int, int, int>> expected;
        for (const auto &[address, length] : patches)
            expected.append({2, address, length}); // section 0's index byte
        QCOMPARE(a.record->taken(), expected);
        QCOMPARE(a.link.ram(0), data);
        QCOMPARE(a.memory.section(0).deviceData, data);

        QVERIFY(QTest::qWaitFor([&] { return a.memory.isSynced(); }, kWaitMs));
        QVERIFY(QTest::qWaitFor([&] { return a.link.flash(0) == data; }, kWaitMs));
    }

    // An edit made while a pass is in flight goes out when it completes.
    void editDuringPassFollowsIt()
    {
        Attached a;
        QVERIFY(a.sync());
        a.record->taken();
        a.edit(0, 2);
        a.edit(100);
        QVERIFY(a.patchesDone());
        QCOMPARE(a.record->taken(), (QList<std::tuple<int, int, int>>{{2, 0, 56}, {2, 100, 56}}));
        QCOMPARE(a.link.ram(0), a.memory.modelData(0));
    }

    // Nothing pending: false at once. Pending: the commit runs now and succeeds.
    void syncCommitsPendingWrite()
    {
        Attached a;
        QVERIFY(a.sync());
        std::optional<bool> failed;
        a.memory.sync([&](bool f) { failed = f; });
        QCOMPARE(failed, std::optional<bool>(false));

        a.memory.setFlashCommitDelayMs(60'000);
        a.edit(7);
        QVERIFY(a.patchesDone());
        QVERIFY(!a.memory.isSynced());
        failed.reset();
        a.memory.sync([&](bool f) { failed = f; });
        QVERIFY(a.memory.isSynced());
        QVERIFY(QTest::qWaitFor([&] { return failed.has_value(); }, kWaitMs));
        QCOMPARE(*failed, false);
        QCOMPARE(a.link.flash(0), a.memory.modelData(0));
    }

    // A patch the device does not answer detaches the memory with the error; later edits
    // send nothing.
    void failedPatchDetaches()
    {
        Attached a;
        QVERIFY(a.sync());
        QList<Code> errors;
        QObject::connect(&a.memory, &DeviceMemory::errorSyncing,
                         [&](Code code) { errors.append(code); });
        a.link.simulator->addFault({devsim::FaultKind::Drop, 1});
        a.edit(3);
        QVERIFY(QTest::qWaitFor([&] { return !errors.isEmpty(); }, kWaitMs));
        QCOMPARE(errors, QList<Code>{Code::NoReply});
        QVERIFY(!a.memory.syncConnection());
        QVERIFY(!a.memory.writeInFlight());

        a.record->taken();
        a.edit(4);
        QVERIFY(!a.memory.writeInFlight());
        QTest::qWait(50);
        QVERIFY(a.record->taken().isEmpty());
    }

    // Leaving the application detaches; a mode change that stays in FSK does not.
    void leavingFskModeDetaches()
    {
        Attached a;
        QVERIFY(a.sync());
        QSignalSpy changed(&a.memory, &DeviceMemory::syncConnectionChanged);
        emit a.link.connection->modeSelected();
        QCOMPARE(a.memory.syncConnection(), a.link.connection.get());

        std::optional<Code> went;
        a.link.connection->fskGo([&](Code code) { went = code; });
        QVERIFY(QTest::qWaitFor([&] { return went.has_value(); }, kWaitMs));
        QCOMPARE(*went, Code::NoError);
        QVERIFY(!a.memory.syncConnection());
        QCOMPARE(changed.size(), 1);
    }

    // A commit still pending when the memory lets go of the device cannot be made any more:
    // the device's RAM holds patches its flash does not. The memory stays out of step and
    // says why, a forced commit fails (from the event loop), and only a sync on the next
    // connection brings model and device together again.
    void detachingWithCommitPending_data()
    {
        QTest::addColumn<bool>("deviceLeaves");
        QTest::newRow("owner detaches") << false;
        QTest::newRow("device leaves the application") << true;
    }
    void detachingWithCommitPending()
    {
        QFETCH(bool, deviceLeaves);
        Attached a;
        QVERIFY(a.sync());
        a.memory.setFlashCommitDelayMs(60'000);
        a.edit(9);
        QVERIFY(a.patchesDone());
        if (deviceLeaves) {
            QVERIFY(switchMode(a.link, DeviceMode::Bootloader));
            QVERIFY(!a.memory.syncConnection());
        } else {
            a.memory.setSyncConnection(nullptr);
        }
        QVERIFY(!a.memory.isSynced());

        std::optional<bool> failed;
        a.memory.sync([&](bool f) { failed = f; });
        QVERIFY(!failed.has_value());
        QVERIFY(QTest::qWaitFor([&] { return failed.has_value(); }, kWaitMs));
        QCOMPARE(*failed, true);
        QVERIFY(!a.memory.isSynced());
        QVERIFY(a.link.loggedStarting("Detached with changes not committed to the device's "
                                      "flash"));

        if (deviceLeaves)
            QVERIFY(switchMode(a.link, DeviceMode::FSK));
        QVERIFY(a.sync());
        QVERIFY(a.memory.isSynced());
    }

    // Completions that arrive after the memory is gone touch nothing.
    void memoryDestroyedWithPatchesQueued()
    {
        auto record = std::make_shared<WriteRecord>();
        Link link(devsim::profiles::airplaneReceiver(), recordingTable(record));
        QVERIFY(link.ready);
        auto memory = std::make_unique<DeviceMemory>(sizedSection(0, 1856).schema,
                                                     FlashTarget::ParameterMemory);
        memory->setDeviceData(0, QByteArray(1856, '\0'));
        QCOMPARE(runSync(*memory, link, {}, InitialSyncDirection::DeviceToComputer)->code,
                 Code::NoError);
        QByteArray data = memory->modelData(0);
        for (int i = 0; i < 300; ++i)
            data[i] = char(~data[i]);
        memory->setModelData(0, data);
        emit memory->settingsChanged();
        QVERIFY(memory->writeInFlight());
        memory.reset();
        int patches = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                patches += int(record->taken().size());
                return patches == 6;
            },
            kWaitMs));
        QTest::qWait(20);
    }
};

ZX_REGISTER_TEST(DeviceMemoryConstructionTest);
ZX_REGISTER_TEST(DeviceMemoryLiveWritingTest);
#include "test_devicememory.moc"
