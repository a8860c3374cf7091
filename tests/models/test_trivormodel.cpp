#include "models/classes/schemacatalog.h"
#include "models/classes/trivormodel.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "testregistry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kProduct = 0x83;

QStringList sectionRoots(const TrivorModel &model)
{
    QStringList roots;
    for (const TargetSection &section : model.memory().sections())
        roots.append(section.schema.name());
    return roots;
}

QList<QByteArray> sectionBytes(const TrivorModel &model)
{
    QList<QByteArray> bytes;
    for (const TargetSection &section : model.memory().sections())
        bytes.append(section.modelData);
    return bytes;
}

} // namespace

class TrivorModelTest : public QObject
{
    Q_OBJECT

private slots:
    void sectionsDependOnTheParameterVersion_data()
    {
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QStringList>("roots");

        QTest::newRow("version 5") << 5
                                   << QStringList{"servoFailSafeMode",
                                                  "txConfig",
                                                  "receiverSettings",
                                                  "cpSettings",
                                                  "generalStabilitySettings",
                                                  "trivorSettings",
                                                  "hexavorSettings",
                                                  "servoFramerate",
                                                  "nosewheelSettings",
                                                  "kovaFailsafeSettings",
                                                  "panicSettings",
                                                  "handLaunchAssistSettings",
                                                  "portMapping"};
        QTest::newRow("version 4") << 4 << QStringList{"servoFailSafeMode",
                                                       "identification",
                                                       "orientation",
                                                       "cpSettings",
                                                       "generalStabilitySettings",
                                                       "trivorSettings",
                                                       "hexavorSettings",
                                                       "servoFramerate"};
    }

    // Every section starts at its default image, which covers its schema exactly (the device
    // memory refuses anything else).
    void sectionsDependOnTheParameterVersion()
    {
        QFETCH(int, parameterVersion);
        QFETCH(QStringList, roots);

        TrivorModel model(kProduct, parameterVersion);
        QCOMPARE(sectionRoots(model), roots);
        for (const TargetSection &section : model.memory().sections()) {
            QVERIFY2(!section.defaults.isEmpty(), qPrintable(section.schema.name()));
            QCOMPARE(section.defaults.size(), section.schema.byteSize());
            QCOMPARE(section.modelData, section.defaults);
        }
        QCOMPARE(model.info().productCode(), kProduct);
        QCOMPARE(model.info().parameterVersion(), parameterVersion);
    }

    void unknownParameterVersionHoldsNoSettings()
    {
        TrivorModel model(kProduct, 3);
        QCOMPARE(model.memory().sectionCount(), 1);
        QVERIFY(model.memory().modelData(0).isEmpty());
        QCOMPARE(model.memory().section(0).schema.byteSize(), 0);
        QVERIFY(TrivorModel::sectionNames(3).isEmpty());
    }

    // The small defaults are fixed by the devices, byte by byte.
    void smallDefaultsMatchTheDevices_data()
    {
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<int>("section");
        QTest::addColumn<QByteArray>("hex");

        QTest::newRow("4: failsafe modes") << 4 << 0 << ("01" + QByteArray(62, '0'));
        QTest::newRow("4: identification") << 4 << 1 << QByteArray(96, '0');
        QTest::newRow("4: orientation") << 4 << 2 << QByteArray("00020400");
        QTest::newRow("4: general stability")
            << 4 << 4 << QByteArray("010000000000000000000000330101330101010101010100");
        QTest::newRow("4: frame rates") << 4 << 7 << (QByteArray(4, 2) + QByteArray(28, 1)).toHex();
        QTest::newRow("5: failsafe modes") << 5 << 0 << ("01" + QByteArray(62, '0'));
        QTest::newRow("5: transmitter configuration") << 5 << 1 << QByteArray(2000, '0');
        QTest::newRow("5: receiver settings")
            << 5 << 2 << QByteArray("00020400000000001900000064000000");
        QTest::newRow("5: frame rates") << 5 << 7 << QByteArray(32, 1).toHex();
        QTest::newRow("5: nosewheel")
            << 5 << 8 << QByteArray("ffffff00ff0701f80000000038000a00401f0000003200b4");
        QTest::newRow("5: kova failsafe") << 5 << 9 << QByteArray("00000000");
        QTest::newRow("5: panic") << 5 << 10 << QByteArray("ff001e1e1e1e0000");
        QTest::newRow("5: hand launch") << 5 << 11 << QByteArray("960000000046020a");
        QTest::newRow("5: port mapping")
            << 5 << 12
            << QByteArray("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    }

    void smallDefaultsMatchTheDevices()
    {
        QFETCH(int, parameterVersion);
        QFETCH(int, section);
        QFETCH(QByteArray, hex);

        TrivorModel model(kProduct, parameterVersion);
        QCOMPARE(model.memory().section(section).defaults.toHex(), hex);
    }

    void defaultsDecodeToTheirMeaning()
    {
        TrivorModel model(kProduct, 5);
        const QJsonObject sections =
            QJsonDocument::fromJson(model.toFileData()).object().value("sectionData").toObject();
        const QJsonObject receiver = sections.value("receiverSettings").toObject();
        QCOMPARE(receiver.value("orientation").toObject().value("ySource").toInt(), 2);
        QCOMPARE(receiver.value("gyroPassbandHz").toInt(), 25);
        QCOMPARE(receiver.value("gyroStopbandHz").toInt(), 100);
        const QJsonObject nosewheel = sections.value("nosewheelSettings").toObject();
        QCOMPARE(nosewheel.value("headingHoldTimeoutMs").toInt(), 8000);
        QCOMPARE(nosewheel.value("steeringLimitDeg").toInt(), 180);
        const QJsonObject launch = sections.value("handLaunchAssistSettings").toObject();
        QCOMPARE(launch.value("launchDelayMs").toInt(), 150);
        QCOMPARE(launch.value("throttlePercent").toInt(), 70);
    }

    void fileCarriesEverySectionThatHasBytes()
    {
        TrivorModel model(kProduct, 5);
        const QJsonObject raw =
            QJsonDocument::fromJson(model.toFileData()).object().value("rawSectionData").toObject();
        QCOMPARE(raw.size(), 13);
        for (int index = 0; index < 13; ++index)
            QVERIFY(raw.contains(QString::number(index)));
    }

    // Saving and loading give the same sections, through the class registry and directly.
    void fileRoundTripKeepsTheSections()
    {
        const ScopedModelClasses classes({TrivorModel::getModelClassInfoStatic()});
        for (const int parameterVersion : {4, 5}) {
            TrivorModel model(kProduct, parameterVersion);
            QByteArray cp = model.memory().modelData(3);
            cp[2033] = char(0x5A);
            cp[100] = char(0x11);
            model.memory().setModelData(3, cp);
            const QByteArray file = model.toFileData();

            const std::shared_ptr<Model> loaded = loadModelData(file);
            QVERIFY(loaded);
            auto *trivor = qobject_cast<TrivorModel *>(loaded.get());
            QVERIFY(trivor);
            QCOMPARE(trivor->info().parameterVersion(), parameterVersion);
            QCOMPARE(sectionBytes(*trivor), sectionBytes(model));

            TrivorModel direct(kProduct, parameterVersion);
            QVERIFY(direct.fromFileData(file));
            QCOMPARE(sectionBytes(direct), sectionBytes(model));
        }
    }

    void fileWithOneSectionLeavesTheEarlierOnesEmpty()
    {
        TrivorModel model(kProduct, 4);
        const QByteArray hexavor = model.memory().modelData(5).toHex();
        QJsonObject root;
        root.insert("deviceProductCode", "0x83");
        root.insert("parameterVersion", "0x04");
        root.insert("rawSectionData", QJsonObject{{"5", QString::fromLatin1(hexavor)}});
        QVERIFY(model.fromFileData(QJsonDocument(root).toJson()));
        for (int index = 0; index < 5; ++index)
            QVERIFY(model.memory().modelData(index).isEmpty());
        QCOMPARE(model.memory().modelData(5).toHex(), hexavor);
        QCOMPARE(model.memory().modelData(7), model.memory().section(7).defaults);
    }

    void resetRestoresEverySection()
    {
        TrivorModel model(kProduct, 5);
        model.memory().setModelData(0, QByteArray(32, char(2)));
        model.memory().setModelData(12, QByteArray());
        QSignalSpy replaced(&model, &DeviceModel::allSettingsChanged);
        model.resetToDefaults();
        QCOMPARE(replaced.count(), 1);
        for (const TargetSection &section : model.memory().sections())
            QCOMPARE(section.modelData, section.defaults);
    }

    // The receiver takes its aircraft and rate settings from the transmitter.
    void aircraftAndRateOperationsAreFixed()
    {
        TrivorModel model(kProduct, 5);
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        const QList<QByteArray> before = sectionBytes(model);

        model.setAircraftType(AircraftType::Helicopter);
        model.setWingType(DeviceModel::WingTypeElevon);
        model.setTailType(DeviceModel::TailTypeVTail);
        model.setDualRatePositive(SettingOnlyChannel::Roll, 0, 50);
        model.setExpoNegative(SettingOnlyChannel::Yaw, 2, 30);
        QCOMPARE(sectionBytes(model), before);
        QCOMPARE(changed.count(), 0);

        QCOMPARE(model.aircraftType(), AircraftType::Airplane);
        QCOMPARE(model.wingType(), DeviceModel::WingTypeNormal);
        QCOMPARE(model.tailTypes(), QList<DeviceModel::TailType>{DeviceModel::TailTypeNormal});
        QCOMPARE(model.wingTypes().size(), 9);
        QCOMPARE(model.surfaceOutputCount(), 5);
        QCOMPARE(model.transmitterWingTypeNote(),
                 QString("Please set the wing type on your transmitter to Normal."));
        QCOMPARE(model.dualRatePositive(SettingOnlyChannel::Roll, 0), 0);
        QCOMPARE(model.flightModeCount(), 3);
        QCOMPARE(model.flightModeName(2), QString("Flight Mode 3"));
        QCOMPARE(model.channelName(SettingOnlyChannel::Yaw), QString("Yaw"));
        QCOMPARE(model.expoRange(), (RateRange{100, -100}));
        QCOMPARE(model.dualRateRange(), (RateRange{125, 0}));
    }

    void classListsItsDevicesInOrder()
    {
        const ModelClassInfo *info = TrivorModel::getModelClassInfoStatic();
        QCOMPARE(info, TrivorModel::getModelClassInfoStatic());
        QCOMPARE(info->extension, QString("zrm"));
        QCOMPARE(info->devices.size(), 27);
        QCOMPARE(info->devices.at(0).productCode, 0x83);
        QCOMPARE(info->devices.at(0).parameterVersion, 5);
        QCOMPARE(info->devices.at(14).productCode, 0x6F);
        QCOMPARE(info->devices.at(15).productCode, 0x83);
        QCOMPARE(info->devices.at(15).parameterVersion, 4);
        QCOMPARE(info->devices.at(26).productCode, 0x6F);
        QCOMPARE(info->devices.at(26).parameterVersion, 4);
        for (const ModelDevice &device : info->devices)
            QVERIFY(!device.name.isEmpty());
        QVERIFY(!info->upgradeTargets);
        QCOMPARE(info->create(0x7B, 5)->getModelClassInfo(), info);
    }
};

ZX_REGISTER_TEST(TrivorModelTest);
#include "test_trivormodel.moc"
