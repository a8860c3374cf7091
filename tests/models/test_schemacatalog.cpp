#include "devicestate/layout.h"
#include "models/classes/schemacatalog.h"
#include "testregistry.h"

#include <QtTest>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

// The offset of a path such as {"model", "cp", "servo"} from the root of a schema.
FieldLocation locatePath(const LayoutNode &root, const QStringList &path)
{
    FieldLocation location{0, &root};
    for (const QString &name : path)
        location = location.locate(name);
    return location;
}

} // namespace

class SchemaCatalogTest : public QObject
{
    Q_OBJECT

private slots:
    // Every schema the program carries parses to the size its device uses.
    void schemaHasItsDeviceSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("rootName");
        QTest::addColumn<int>("size");

        const auto row = [](const char *name, const char *rootName, int size) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(rootName)
                                << size;
        };
        row("airplane-receiver-modes", "root", 4);
        row("level-calibration-features", "root", 4);
        row("level-calibration-failsafe", "root", 132);
        row("vantrel-receiver", "root", 1832);
        row("serial-receiver-mode", "root", 1);
        row("serial-receiver-test-mode", "root", 2);
        row("serial-receiver-settings", "root", 500);
        row("transmitter-older", "root", 1564);
        row("transmitter-newer", "root", 6889);
        row("transmitter-system", "root", 64);

        row("trivor-older-servoFailSafeMode", "servoFailSafeMode", 32);
        row("trivor-older-identification", "identification", 48);
        row("trivor-older-orientation", "orientation", 4);
        row("trivor-older-cpSettings", "cpSettings", 2483);
        row("trivor-older-generalStabilitySettings", "generalStabilitySettings", 24);
        row("trivor-older-trivorSettings", "trivorSettings", 196);
        row("trivor-older-hexavorSettings", "hexavorSettings", 243);
        row("trivor-older-servoFramerate", "servoFramerate", 32);
        row("trivor-older-txConfig", "txConfig", 1000);
        row("trivor-older-receiverSettings", "receiverSettings", 16);

        row("trivor-newer-servoFailSafeMode", "servoFailSafeMode", 32);
        row("trivor-newer-txConfig", "txConfig", 1000);
        row("trivor-newer-receiverSettings", "receiverSettings", 16);
        row("trivor-newer-cpSettings", "cpSettings", 2468);
        row("trivor-newer-generalStabilitySettings", "generalStabilitySettings", 212);
        row("trivor-newer-trivorSettings", "trivorSettings", 340);
        row("trivor-newer-hexavorSettings", "hexavorSettings", 352);
        row("trivor-newer-servoFramerate", "servoFramerate", 32);
        row("trivor-newer-nosewheelSettings", "nosewheelSettings", 24);
        row("trivor-newer-kovaFailsafeSettings", "kovaFailsafeSettings", 4);
        row("trivor-newer-panicSettings", "panicSettings", 8);
        row("trivor-newer-handLaunchAssistSettings", "handLaunchAssistSettings", 8);
        row("trivor-newer-portMapping", "portMapping", 32);
    }

    void schemaHasItsDeviceSize()
    {
        QFETCH(QString, name);
        QFETCH(QString, rootName);
        QFETCH(int, size);

        QVERIFY(builtinSchemaNames().contains(name));
        const LayoutNode *root = builtinSchema(name);
        QVERIFY(root);
        QCOMPARE(root->name(), rootName);
        QCOMPARE(root->byteSize(), size);
        QVERIFY(!builtinSchemaText(name).isEmpty());
    }

    // A default image covers its schema exactly, so that the device memory accepts it as the
    // section's defaults. The long transmitter image is the exception: the transmitter keeps
    // its model memory in whole 32-bit words, three bytes past the end of the layout.
    void defaultImageHasItsSchemaSize_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("schema");
        QTest::addColumn<int>("size");

        const auto row = [](const QString &image, const QString &schema, int size) {
            QTest::newRow(qPrintable(image)) << image << schema << size;
        };
        row("transmitter-older", "transmitter-older", 1564);
        row("transmitter-newer", "transmitter-newer", 6892);
        for (const char *generation : {"older", "newer"}) {
            for (const char *section :
                 {"servoFailSafeMode", "cpSettings", "generalStabilitySettings", "trivorSettings",
                  "hexavorSettings", "servoFramerate"}) {
                const QString name = QString("trivor-%1-%2").arg(generation, section);
                row(name, name, builtinSchema(name)->byteSize());
            }
        }
        for (const char *section : {"identification", "orientation"})
            row(QString("trivor-older-") + section, QString("trivor-older-") + section,
                builtinSchema(QString("trivor-older-") + section)->byteSize());
        for (const char *section :
             {"txConfig", "receiverSettings", "nosewheelSettings", "kovaFailsafeSettings",
              "panicSettings", "handLaunchAssistSettings", "portMapping"})
            row(QString("trivor-newer-") + section, QString("trivor-newer-") + section,
                builtinSchema(QString("trivor-newer-") + section)->byteSize());
    }

    void defaultImageHasItsSchemaSize()
    {
        QFETCH(QString, image);
        QFETCH(QString, schema);
        QFETCH(int, size);

        QCOMPARE(builtinDefaultImage(image).size(), size);
        // Never shorter than the layout, and never more than the tail of its last word.
        const int schemaSize = builtinSchema(schema)->byteSize();
        QVERIFY(size >= schemaSize && size < schemaSize + 4);
    }

    // The older receiver settings need one byte of padding before the 16-bit output scaler:
    // the device's layout is one byte longer than the sum of its fields.
    void olderReceiverSettingsKeepTheDevicePadding()
    {
        const LayoutNode &root = *builtinSchema("trivor-older-cpSettings");
        QCOMPARE(root.locate("initSetupFlags").offset, 2032);
        QCOMPARE(root.locate("_padding").offset, 2033);
        QCOMPARE(root.locate("_padding").node->byteSize(), 1);
        QCOMPARE(root.locate("outputScaler").offset, 2034);
        QCOMPARE(parseLayout(builtinSchemaText("trivor-older-cpSettings")).byteSize(), 2482);
    }

    void fieldOffsetsFollowTheDeviceLayout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<int>("offset");

        QTest::newRow("receiver orientation")
            << "trivor-newer-receiverSettings" << QStringList{"orientation", "zSource"} << 2;
        QTest::newRow("receiver option bits")
            << "trivor-newer-receiverSettings" << QStringList{"optionBits"} << 4;
        QTest::newRow("receiver attitude trim")
            << "trivor-newer-receiverSettings" << QStringList{"attitudeTrim"} << 6;
        QTest::newRow("receiver stopband")
            << "trivor-newer-receiverSettings" << QStringList{"gyroStopbandHz"} << 12;
        QTest::newRow("transmitter system stick mode")
            << "transmitter-system" << QStringList{"stickMode"} << 10;
        QTest::newRow("transmitter system wireless trainer")
            << "transmitter-system" << QStringList{"wirelessTrainer"} << 17;
        QTest::newRow("older transmitter channel phasing")
            << "transmitter-older" << QStringList{"model", "channelPhasing"} << 1562;
        QTest::newRow("newer transmitter servo after padding")
            << "transmitter-newer" << QStringList{"model", "cp", "servo"} << 8;
        QTest::newRow("newer transmitter system settings on a word")
            << "transmitter-newer" << QStringList{"model", "txSystem"} << 3500;
        QTest::newRow("newer transmitter last byte")
            << "transmitter-newer" << QStringList{"model", "analogIsReversed"} << 6888;
    }

    void fieldOffsetsFollowTheDeviceLayout()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, path);
        QFETCH(int, offset);

        const FieldLocation location = locatePath(*builtinSchema(name), path);
        QVERIFY(location.found());
        QCOMPARE(location.offset, offset);
    }

    void levelCalibrationFeaturesCarryTheSensorBit()
    {
        const LayoutNode *features =
            builtinSchema("level-calibration-features")->child("systemFeatures");
        QVERIFY(features);
        QCOMPARE(features->bitFields().size(), std::size_t(1));
        QCOMPARE(features->bitFields().front(), (BitField{"lyraSensor", 0, 1}));
    }

    void everyCompiledInSchemaParses()
    {
        const QStringList names = builtinSchemaNames();
        QVERIFY(!names.isEmpty());
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        for (const QString &name : names)
            QVERIFY2(builtinSchema(name), qPrintable(name));
    }

    void unknownNamesGiveNothing()
    {
        QCOMPARE(builtinSchema("no-such-schema"), nullptr);
        QVERIFY(builtinSchemaText("no-such-schema").isEmpty());
        QVERIFY(builtinDefaultImage("no-such-image").isEmpty());
        // A schema's name without its suffix is the only way to reach it.
        QCOMPARE(builtinSchema("transmitter-older.packed.layout"), nullptr);
    }

    // Concurrent first look-ups share one parse: every thread gets the same tree.
    void concurrentLookUpsShareOneTree()
    {
        constexpr int kThreads = 4;
        std::vector<const LayoutNode *> found(kThreads, nullptr);
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&found, i] { found[i] = builtinSchema("vantrel-receiver"); });
        for (std::thread &thread : threads)
            thread.join();
        for (const LayoutNode *root : found)
            QCOMPARE(root, builtinSchema("vantrel-receiver"));
    }
};

ZX_REGISTER_TEST(SchemaCatalogTest);
#include "test_schemacatalog.moc"
