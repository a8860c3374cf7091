#include "app/log.h"
#include "device/sectioncrc.h"
#include "models/devicemodel.h"
#include "models/modellibrary.h"
#include "testmodelclasses.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kCategory = QStringLiteral("DeviceModel");

using Records = QList<SectionMetadata>;

QStringList loggedMessages(const Log &log, const QString &category)
{
    QStringList messages;
    for (int i = 0; i < log.count(); ++i)
        if (log.entry(i).category == category)
            messages.append(log.entry(i).message);
    return messages;
}

SectionMetadata record(std::uint8_t id, std::optional<std::uint32_t> crc)
{
    return {id, 4, crc};
}

} // namespace

Q_DECLARE_METATYPE(Records)

class DeviceModelNamesTest : public QObject
{
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");

        QTest::newRow("surface 1") << "surface" << 1 << "Throttle";
        QTest::newRow("surface 8") << "surface" << 8 << "L Aileron 2";
        QTest::newRow("surface 19") << "surface" << 19 << "Gear";
        QTest::newRow("surface 20") << "surface" << 20 << "Aux 1";
        QTest::newRow("surface 25") << "surface" << 25 << "Aux 6";
        QTest::newRow("surface 29") << "surface" << 29 << "Aux 10";
        QTest::newRow("surface 30") << "surface" << 30 << "";
        QTest::newRow("surface 50") << "surface" << 50 << "Mix index 0";
        QTest::newRow("surface 57") << "surface" << 57 << "Mix index 7";
        QTest::newRow("surface 65") << "surface" << 65 << "Mix index 15";
        QTest::newRow("surface 66") << "surface" << 66 << "";
        QTest::newRow("surface 0") << "surface" << 0 << "";
        QTest::newRow("axis 45") << "axis" << 45 << "Roll";
        QTest::newRow("axis 47") << "axis" << 47 << "Yaw";
        QTest::newRow("axis falls back") << "axis" << 12 << "Rudder";
        QTest::newRow("axis surface 46") << "axisSurface" << 46 << "Elevator";
        QTest::newRow("axis surface falls back") << "axisSurface" << 21 << "Aux 2";
        QTest::newRow("aircraft 0") << "aircraft" << 0 << "Airplane";
        QTest::newRow("aircraft 2") << "aircraft" << 2 << "Helicopter";
        QTest::newRow("aircraft 3") << "aircraft" << 3 << "";
        QTest::newRow("flight mode short") << "flightModeShort" << 3 << "FM 3";
        QTest::newRow("flight mode long") << "flightModeLong" << 0 << "Flight Mode 0";
    }

    void names()
    {
        QFETCH(QString, kind);
        QFETCH(int, code);
        QFETCH(QString, name);
        const QHash<QString, std::function<QString(int)>> byKind{
            {"surface", &DeviceModel::surfaceName},
            {"axis", &DeviceModel::axisName},
            {"axisSurface", &DeviceModel::axisSurfaceName},
            {"aircraft", &DeviceModel::aircraftTypeName},
            {"flightModeShort", [](int n) { return DeviceModel::flightModeName(n, true); }},
            {"flightModeLong", [](int n) { return DeviceModel::flightModeName(n, false); }},
        };
        QCOMPARE(byKind.value(kind)(code), name);
    }

    void scalarTypeSizes()
    {
        const QList<int> expected{0, 1, 1, 2, 2, 4, 4, 0, 0};
        for (int code = 0; code < expected.size(); ++code)
            QCOMPARE(DeviceModel::scalarTypeSize(code), expected.at(code));
        QCOMPARE(DeviceModel::scalarTypeSize(-1), 0);
    }
};

class DeviceModelCrcTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_log = std::make_unique<Log>();
        Log::install(m_log.get());
    }
    void cleanup()
    {
        Log::install(nullptr);
        m_log.reset();
    }

    // One section: the trailing partial word is not covered. Several: all bytes in section
    // order, padded with zeros to whole words.
    void modelCrcCoversTheRightBytes()
    {
        TestSingleSectionModel single;
        const QByteArray ten = QByteArray::fromHex("0102030405060708090A");
        single.memory().setModelData(0, ten);
        QCOMPARE(single.modelCrc(), sectionCrc(ten.left(8)));
        single.memory().setModelData(0, QByteArray());
        QCOMPARE(single.modelCrc(), kSectionCrcInitial);

        TestMultiSectionModel multi;
        const QByteArray three = QByteArray::fromHex("AABBCC");
        multi.memory().setModelData(0, ten);
        multi.memory().setModelData(1, three);
        multi.memory().setModelData(2, QByteArray());
        QCOMPARE(multi.modelCrc(), sectionCrc(ten + three + QByteArray(3, '\0')));
    }

    void matchesDeviceCrcs_data()
    {
        QTest::addColumn<QList<QByteArray>>("sections"); // model bytes of sections 0 to 2
        QTest::addColumn<Records>("device");
        QTest::addColumn<bool>("matches");

        const QByteArray a = QByteArray::fromHex("01020304");
        const QByteArray b = QByteArray::fromHex("05060708");
        const QByteArray c = QByteArray::fromHex("090A0B0C");
        const QList<QByteArray> full{a, b, c};

        QTest::newRow("equal") << full
                               << Records{record(0, sectionCrc(a)), record(1, sectionCrc(b)),
                                          record(2, sectionCrc(c))}
                               << true;
        QTest::newRow("one differs")
            << full << Records{record(0, sectionCrc(a)), record(1, 7), record(2, sectionCrc(c))}
            << false;
        QTest::newRow("device lacks section 1")
            << full << Records{record(0, sectionCrc(a)), record(2, sectionCrc(c))} << false;
        QTest::newRow("more records than sections")
            << full
            << Records{record(0, sectionCrc(a)), record(1, sectionCrc(b)), record(2, sectionCrc(c)),
                       record(3, 0)}
            << false;
        QTest::newRow("later record without CRC")
            << full << Records{record(0, sectionCrc(a)), record(1, std::nullopt), record(2, 0)}
            << false;
        QTest::newRow("all sections empty")
            << QList<QByteArray>{{}, {}, {}} << Records{record(0, 1), record(5, 2)} << true;
        QTest::newRow("all empty, too many records")
            << QList<QByteArray>{{}, {}, {}}
            << Records{record(0, 1), record(1, 1), record(2, 1), record(3, 1)} << false;
        QTest::newRow("empty model section skipped")
            << QList<QByteArray>{a, {}, c}
            << Records{record(0, sectionCrc(a)), record(2, sectionCrc(c))} << true;
        QTest::newRow("records after the last section unexamined")
            << QList<QByteArray>{a, {}, {}} << Records{record(0, sectionCrc(a)), record(1, 9)}
            << true;
        QTest::newRow("no records") << full << Records{} << false;
    }

    void matchesDeviceCrcs()
    {
        QFETCH(QList<QByteArray>, sections);
        QFETCH(Records, device);
        QFETCH(bool, matches);
        TestMultiSectionModel model;
        for (int i = 0; i < sections.size(); ++i)
            model.memory().setModelData(i, sections.at(i));
        QCOMPARE(model.matchesDeviceCrcs(0, device), matches);
    }

    // Without section CRCs (one section, or a first record without one) the whole CRC decides.
    void wholeCrcDecidesWithoutSectionCrcs()
    {
        TestSingleSectionModel single;
        const std::uint32_t crc = single.modelCrc();
        QVERIFY(single.matchesDeviceCrcs(crc, {record(0, 1), record(1, 2)}));
        QVERIFY(!single.matchesDeviceCrcs(crc + 1, {}));

        TestMultiSectionModel multi;
        QVERIFY(multi.matchesDeviceCrcs(multi.modelCrc(), {record(0, std::nullopt)}));
        QVERIFY(!multi.matchesDeviceCrcs(multi.modelCrc() + 1, {record(0, std::nullopt)}));
        QVERIFY(loggedMessages(*m_log, kCategory).isEmpty());
    }

    void logsTheComparison()
    {
        TestMultiSectionModel model;
        model.info().setName("Glider");
        const QByteArray ten = QByteArray::fromHex("0102030405060708090A");
        model.memory().setModelData(1, ten);
        const std::uint32_t crc0 = sectionCrc(model.memory().modelData(0));
        const std::uint32_t crc1 = sectionCrc(ten.left(8));
        const std::uint32_t crc2 = sectionCrc(model.memory().modelData(2));

        QVERIFY(model.matchesDeviceCrcs(0, {record(2, crc2), record(0, crc0), record(1, crc1)}));
        const auto hex = [](std::uint32_t value) {
            return "0x" + QString::number(value, 16).toUpper().rightJustified(8, '0');
        };
        QCOMPARE(loggedMessages(*m_log, kCategory),
                 (QStringList{
                     "note: sections from device are expected to be sorted but they weren't",
                     "Model CRC compare (Glider):",
                     QString("  section 0, model: %1, device: %1").arg(hex(crc0)),
                     "  model's section 1 memory not a multiple of 4 (size = 10)",
                     QString("  section 1, model: %1, device: %1").arg(hex(crc1)),
                     QString("  section 2, model: %1, device: %1").arg(hex(crc2)),
                 }));

        m_log->clear();
        QVERIFY(!model.matchesDeviceCrcs(0, {record(0, 0x1A)}));
        QCOMPARE(loggedMessages(*m_log, kCategory).last(),
                 QString("  section 0, model: %1, device: 0x0000001A").arg(hex(crc0)));
    }

private:
    std::unique_ptr<Log> m_log;
};

class DeviceModelSignalsTest : public QObject
{
    Q_OBJECT

private slots:
    // A single change and a bulk change both reach the device memory, which schedules its
    // write to a connected device.
    void changesReachTheMemory()
    {
        TestSingleSectionModel model;
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        QSignalSpy bulk(&model, &DeviceModel::allSettingsChanged);
        QSignalSpy memory(&model.memory(), &DeviceMemory::settingsChanged);

        model.setValue(0, 1, 9);
        QCOMPARE(model.value(0, 1), 9);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(bulk.count(), 0);
        QCOMPARE(memory.count(), 1);

        model.resetToDefaults();
        QCOMPARE(model.memory().modelData(0), TestSingleSectionModel::defaultBytes());
        QCOMPARE(bulk.count(), 1);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(memory.count(), 2);
    }

    // A model in a library has its file written after the library's delay, for info and
    // settings changes alike; a model outside a library tells no one.
    void changesMarkTheModelForSaving()
    {
        QTemporaryDir dir;
        ModelLibrary library(dir.path());
        const auto model = std::make_shared<TestSingleSectionModel>();
        model->setValue(0, 0, 3);
        QVERIFY(!library.addModel(model).isEmpty());
        QVERIFY(library.flushPendingSaves());
        QVERIFY(library.pendingModels().isEmpty());

        model->setValue(0, 0, 4);
        QCOMPARE(library.pendingModels(), (QList<std::shared_ptr<Model>>{model}));
        QVERIFY(library.flushPendingSaves());

        model->info().setNotes("gusty");
        QCOMPARE(library.pendingModels(), (QList<std::shared_ptr<Model>>{model}));
    }

    void baseValueAccessDoesNothing()
    {
        TestMultiSectionModel model;
        const QByteArray before = model.memory().modelData(1);
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        model.setValue(1, 0, 5);
        QCOMPARE(model.value(1, 0), 0);
        QCOMPARE(model.memory().modelData(1), before);
        QCOMPARE(changed.count(), 1);
    }

    // Nothing pending: the answer is false, and only after the event loop turned.
    void syncWithoutPendingWriteReportsFalseLater()
    {
        TestMultiSectionModel model;
        QVERIFY(model.isSynced());
        std::optional<bool> outcome;
        model.sync([&](bool failed) { outcome = failed; });
        QVERIFY(!outcome);
        QTRY_VERIFY(outcome.has_value());
        QCOMPARE(*outcome, false);
    }
};

ZX_REGISTER_TEST(DeviceModelNamesTest);
ZX_REGISTER_TEST(DeviceModelCrcTest);
ZX_REGISTER_TEST(DeviceModelSignalsTest);
#include "test_devicemodel.moc"
