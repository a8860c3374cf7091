#include "models/classes/imagefields.h"
#include "models/classes/schemacatalog.h"
#include "models/classes/transmittermodel.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kTransmitter = TransmitterModel::kTransmitterProductCode;
constexpr int kLongLayoutProduct = TransmitterModel::kLongLayoutProductCode;

using Path = QList<QPair<QString, int>>;

// The location of `model`.`cp` followed by `path` in the model's schema.
FieldLocation cpLocation(const TransmitterModel &model, const Path &path)
{
    FieldLocation location{0, &model.memory().section(0).schema};
    location = location.locate("model").locate("cp");
    for (const auto &[name, index] : path)
        location = locateElement(location, name, index);
    return location;
}

void poke(TransmitterModel &model, const Path &path, int value)
{
    QByteArray bytes = model.memory().modelData(0);
    QVERIFY(writeFieldBits(bytes, cpLocation(model, path), value));
    model.memory().setModelData(0, bytes);
}

int peek(const TransmitterModel &model, const Path &path)
{
    return readField(model.memory().modelData(0), cpLocation(model, path));
}

} // namespace

class TransmitterModelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<DeviceModel::WingType>(); }

    // Each variant starts from the default image of its layout, also on the device side; a
    // variant without defaults starts empty.
    void newModelStartsFromItsDefaults_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QString>("image");

        QTest::newRow("0xEF version 0") << kTransmitter << 0 << "transmitter-older";
        QTest::newRow("0xEF version 1") << kTransmitter << 1 << "transmitter-older";
        QTest::newRow("0xEF version 2") << kTransmitter << 2 << "";
        QTest::newRow("0x8B version 5") << kLongLayoutProduct << 5 << "transmitter-newer";
        QTest::newRow("0x8B version 4") << kLongLayoutProduct << 4 << "";
    }

    void newModelStartsFromItsDefaults()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(QString, image);

        TransmitterModel model(productCode, parameterVersion);
        const QByteArray expected = builtinDefaultImage(image);
        QCOMPARE(model.memory().modelData(0), expected);
        QCOMPARE(model.memory().section(0).deviceData, expected);
        QCOMPARE(model.defaultImage(), expected);
        QCOMPARE(model.info().productCode(), productCode);
        QCOMPARE(model.info().parameterVersion(), parameterVersion);
    }

    // The defaults describe an airplane with a normal wing, three flight modes on the
    // flight-mode switch, full travel and no sub-trim.
    void defaultsAreAPlainAirplane()
    {
        for (const int productCode : {kTransmitter, kLongLayoutProduct}) {
            TransmitterModel model(productCode, productCode == kTransmitter ? 0 : 5);
            QCOMPARE(model.aircraftType(), AircraftType::Airplane);
            QCOMPARE(model.wingType(), DeviceModel::WingTypeNormal);
            QCOMPARE(model.channelCount(), 7);
            QCOMPARE(model.flightModeCount(), 3);
            QCOMPARE(model.flightModeName(0), QString("Flight Mode 1"));
            QCOMPARE(model.servoSettings(46),
                     (TransmitterModel::ServoSettings{false, TransmitterSwitchFunction::Inhibit, 0,
                                                      -100, 100}));
            QCOMPARE(model.servoSettings(19).source, TransmitterSwitchFunction::Aux);
            QCOMPARE(model.dualRatePositive(SettingOnlyChannel::Pitch, 1), 70);
            QCOMPARE(model.rateSwitch(), int(TransmitterSwitchFunction::Rate));
            QCOMPARE(model.throttleCut(TransmitterModel::ThrottleCutField::CutSwitchID), 89);
            QCOMPARE(model.curvePoint(TransmitterModel::Curve::Throttle, 9, 6), 100);
        }
    }

    void onlyVersionZeroUpgrades_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<bool>("upgrades");

        QTest::newRow("0xEF version 0") << kTransmitter << 0 << true;
        QTest::newRow("0xEF version 1") << kTransmitter << 1 << false;
        QTest::newRow("other product") << 0xD9 << 0 << false;
    }

    void onlyVersionZeroUpgrades()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(bool, upgrades);

        ModelInfo info;
        info.setProductCode(productCode);
        info.setParameterVersion(parameterVersion);
        const QList<ModelDevice> targets =
            TransmitterModel::getModelClassInfoStatic()->upgradeTargets(info);
        QCOMPARE(targets.size(), upgrades ? 1 : 0);
        if (upgrades) {
            QCOMPARE(targets.front().productCode, kTransmitter);
            QCOMPARE(targets.front().parameterVersion, 1);
        }
    }

    void upgradedCopyKeepsTheSettings()
    {
        TransmitterModel model(kTransmitter, 0);
        model.info().setName("Glider");
        model.setServoSubTrim(46, 40);
        model.setChannelCount(9);

        const std::shared_ptr<Model> copy = model.createUpgradedCopy({kTransmitter, 1, {}});
        QVERIFY(copy);
        auto *upgraded = qobject_cast<TransmitterModel *>(copy.get());
        QVERIFY(upgraded);
        QCOMPARE(upgraded->info().parameterVersion(), 1);
        QCOMPARE(upgraded->info().productCode(), kTransmitter);
        QCOMPARE(upgraded->info().name(), QString("Glider"));
        QCOMPARE(upgraded->memory().modelData(0), model.memory().modelData(0));

        // A variant of another layout would take the bytes at the wrong offsets.
        QVERIFY(!model.createUpgradedCopy({kLongLayoutProduct, 5, {}}));
        QVERIFY(!upgraded->createUpgradedCopy({kTransmitter, 1, {}}));
    }

    void classDescribesBothTransmitterVariants()
    {
        const ModelClassInfo *info = TransmitterModel::getModelClassInfoStatic();
        QCOMPARE(info, TransmitterModel::getModelClassInfoStatic());
        QCOMPARE(info->extension, QString("zrm"));
        QCOMPARE(info->devices.size(), 2);
        QCOMPARE(info->devices.at(0).productCode, 0xEF);
        QCOMPARE(info->devices.at(0).parameterVersion, 0);
        QCOMPARE(info->devices.at(1).parameterVersion, 1);
        QVERIFY(!info->devices.at(0).name.isEmpty());
        const std::shared_ptr<Model> created = info->create(0xEF, 1);
        QCOMPARE(created->getModelClassInfo(), info);
    }

    void switchFunctionsFollowTheRawCodes_data()
    {
        QTest::addColumn<int>("rawCode");
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("name");

        QTest::newRow("82") << 82 << 1 << "Bind Switch";
        QTest::newRow("83") << 83 << 2 << "FM Switch";
        QTest::newRow("84") << 84 << 3 << "Aux Switch";
        QTest::newRow("85") << 85 << 4 << "Flap Switch";
        QTest::newRow("87") << 87 << 5 << "Rate Switch";
        QTest::newRow("89") << 89 << 6 << "Throttle Cut Switch";
        QTest::newRow("93") << 93 << 7 << "Wireless Bind Switch";
        QTest::newRow("145") << 145 << 8 << "Flight Mode";
        QTest::newRow("107") << 107 << 9 << "On";
        QTest::newRow("0") << 0 << 0 << "Inhibit";
        QTest::newRow("86 between known codes") << 86 << 0 << "Inhibit";
        QTest::newRow("255") << 255 << 0 << "Inhibit";
    }

    void switchFunctionsFollowTheRawCodes()
    {
        QFETCH(int, rawCode);
        QFETCH(int, function);
        QFETCH(QString, name);

        const TransmitterSwitchFunction found = transmitterSwitchFunction(rawCode);
        QCOMPARE(int(found), function);
        QCOMPARE(transmitterSwitchFunctionName(found), name);
        if (function != 0)
            QCOMPARE(transmitterSwitchRawCode(found), rawCode);
    }

    // The flight-mode switch decides the number of positions; a hold switch adds one.
    void flightModeCount_data()
    {
        QTest::addColumn<int>("switchA");
        QTest::addColumn<int>("switchC");
        QTest::addColumn<int>("count");

        QTest::newRow("no switch") << 0 << 0 << 1;
        QTest::newRow("no switch, hold") << 0 << 84 << 2;
        QTest::newRow("rate switch, hold") << 87 << 107 << 3;
        QTest::newRow("FM switch") << 83 << 0 << 3;
        QTest::newRow("flap switch") << 85 << 0 << 3;
        QTest::newRow("on") << 107 << 0 << 1;
        QTest::newRow("bind switch") << 82 << 0 << 2;
        QTest::newRow("flight-mode switch") << 145 << 0 << 3;
        QTest::newRow("flight-mode switch, hold") << 145 << 89 << 4;
    }

    void flightModeCount()
    {
        QFETCH(int, switchA);
        QFETCH(int, switchC);
        QFETCH(int, count);

        TransmitterModel model(kTransmitter, 1);
        poke(model, {{"flightMode", 0}, {"switch_a", 0}}, switchA);
        poke(model, {{"flightMode", 0}, {"switch_c", 0}}, switchC);
        QCOMPARE(model.flightModeCount(), count);
    }

    void flightModeNames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("switchA");
        QTest::addColumn<int>("switchC");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("helicopter with hold")
            << 1 << 145 << 89 << QStringList{"Hold", "Normal", "Stunt 1", "Stunt 2"};
        QTest::newRow("helicopter") << 1 << 145 << 0 << QStringList{"Normal", "Stunt 1", "Stunt 2"};
        QTest::newRow("airplane") << 0 << 145 << 0
                                  << QStringList{"Flight Mode 1", "Flight Mode 2", "Flight Mode 3"};
        QTest::newRow("other switch")
            << 1 << 83 << 0 << QStringList{"Position 0", "Position 1", "Position 2"};
    }

    void flightModeNames()
    {
        QFETCH(int, type);
        QFETCH(int, switchA);
        QFETCH(int, switchC);
        QFETCH(QStringList, names);

        TransmitterModel model(kTransmitter, 1);
        poke(model, {{"type", 0}}, type);
        poke(model, {{"flightMode", 0}, {"switch_a", 0}}, switchA);
        poke(model, {{"flightMode", 0}, {"switch_c", 0}}, switchC);
        QStringList found;
        for (int position = 0; position < model.flightModeCount(); ++position)
            found.append(model.flightModeName(position));
        QCOMPARE(found, names);
    }

    // Sub-trim shows on a scale of ±250, rounded half away from zero.
    void subTrimDisplay_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("display");

        QTest::newRow("top") << 1023 << 250;
        QTest::newRow("bottom") << -1023 << -250;
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("just below half a step") << 2 << 0;
        QTest::newRow("past half a step") << 3 << 1;
        QTest::newRow("negative past half a step") << -3 << -1;
        QTest::newRow("middle") << 512 << 125;
    }

    void subTrimDisplay()
    {
        QFETCH(int, stored);
        QFETCH(int, display);

        QCOMPARE(TransmitterModel::subTrimDisplayValue(stored), display);
        TransmitterModel model(kTransmitter, 0);
        poke(model, {{"servo", 2}, {"subTrim", 0}}, stored);
        QCOMPARE(model.servoSettings(46).subTrim, display);
    }

    void subTrimSurvivesItsRoundTrip()
    {
        for (int display = -250; display <= 250; ++display) {
            QCOMPARE(TransmitterModel::subTrimDisplayValue(
                         TransmitterModel::subTrimStoredValue(display)),
                     display);
        }
        QCOMPARE(TransmitterModel::subTrimStoredValue(400), 1023);
        QCOMPARE(TransmitterModel::subTrimStoredValue(-400), -1023);
    }

    void channelsUseTheirServo_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("servo");

        QTest::newRow("throttle") << 1 << 0;
        QTest::newRow("aileron") << 45 << 1;
        QTest::newRow("elevator") << 46 << 2;
        QTest::newRow("rudder") << 47 << 3;
        QTest::newRow("gear") << 19 << 4;
        QTest::newRow("aux 1") << 20 << 5;
        QTest::newRow("aux 4") << 23 << 8;
        QTest::newRow("unknown channel") << 99 << 1;
    }

    void channelsUseTheirServo()
    {
        QFETCH(int, channel);
        QFETCH(int, servo);

        TransmitterModel model(kTransmitter, 0);
        poke(model, {{"servo", servo}, {"reverse", 0}}, 1);
        poke(model, {{"servo", servo}, {"sourceID", 0}}, 85);
        poke(model, {{"servo", servo}, {"travelLimitLow", 0}}, 120);
        poke(model, {{"servo", servo}, {"travelLimitHigh", 0}}, -20);
        QCOMPARE(
            model.servoSettings(channel),
            (TransmitterModel::ServoSettings{true, TransmitterSwitchFunction::Flap, 0, -120, -20}));

        model.setServoTravelLimitLow(channel, -90);
        QCOMPARE(peek(model, {{"servo", servo}, {"travelLimitLow", 0}}), 90);
    }

    void channelNames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("name");

        QTest::newRow("throttle") << 0 << 0 << 1 << "Throttle";
        QTest::newRow("aileron") << 0 << 0 << 45 << "Aileron";
        QTest::newRow("rudder") << 0 << 0 << 47 << "Rudder";
        QTest::newRow("helicopter pitch") << 1 << 0 << 20 << "Pitch";
        QTest::newRow("second aileron") << 0 << 1 << 20 << "Aileron";
        QTest::newRow("aux 1 of a normal wing") << 0 << 0 << 20 << "Aux 1";
        QTest::newRow("gear") << 0 << 0 << 19 << "Gear";
    }

    void channelNames()
    {
        QFETCH(int, type);
        QFETCH(int, wing);
        QFETCH(int, channel);
        QFETCH(QString, name);

        TransmitterModel model(kTransmitter, 0);
        poke(model, {{"type", 0}}, type);
        poke(model, {{"subTypeA", 0}}, wing);
        QCOMPARE(model.channelDisplayName(channel), name);
    }

    void aircraftTypeFollowsTheStoredType_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("type");

        QTest::newRow("airplane") << 0 << 0;
        QTest::newRow("helicopter") << 1 << 2;
        QTest::newRow("quadcopter") << 2 << 1;
        QTest::newRow("beyond the list") << 5 << 4;
    }

    void aircraftTypeFollowsTheStoredType()
    {
        QFETCH(int, stored);
        QFETCH(int, type);

        TransmitterModel model(kTransmitter, 0);
        poke(model, {{"type", 0}}, stored);
        QCOMPARE(int(model.aircraftType()), type);
    }

    // A new aircraft type starts its wing type, trim mode and curves from the defaults.
    void settingTheAircraftTypeResetsWhatDependsOnIt()
    {
        TransmitterModel model(kTransmitter, 0);
        model.setWingType(DeviceModel::WingTypeElevonA);
        model.setCurvePoint(TransmitterModel::Curve::Pitch, 2, 3, 77);
        model.setServoSubTrim(45, 10);
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        QList<AircraftType> announced;
        connect(&model, &TransmitterModel::aircraftTypeChanged, this,
                [&announced](AircraftType type) { announced.append(type); });

        model.setAircraftType(AircraftType::Helicopter);
        QCOMPARE(peek(model, {{"type", 0}}), 1);
        QCOMPARE(model.aircraftType(), AircraftType::Helicopter);
        QCOMPARE(model.wingType(), DeviceModel::WingTypeNormal);
        QCOMPARE(model.curvePoint(TransmitterModel::Curve::Pitch, 2, 3), 50);
        QCOMPARE(model.servoSettings(45).subTrim, 10);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(announced, QList<AircraftType>{AircraftType::Helicopter});

        model.setAircraftType(AircraftType::Helicopter);
        QCOMPARE(changed.count(), 1);
    }

    void wingTypes_data()
    {
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("tail");

        QTest::newRow("normal") << 0 << 0 << 0;
        QTest::newRow("dual aileron") << 1 << 1 << 0;
        QTest::newRow("elevon A") << 8 << 7 << 6;
        QTest::newRow("elevon B") << 9 << 8 << 6;
    }

    void wingTypes()
    {
        QFETCH(int, wing);
        QFETCH(int, stored);
        QFETCH(int, tail);

        TransmitterModel model(kTransmitter, 0);
        poke(model, {{"subTypeA", 0}}, 3);
        QSignalSpy announced(&model, &TransmitterModel::wingTypeChanged);
        model.setWingType(DeviceModel::WingType(wing));
        QCOMPARE(peek(model, {{"subTypeA", 0}}), stored);
        QCOMPARE(int(model.wingType()), wing);
        QCOMPARE(int(model.tailType()), tail);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced.front().front().value<DeviceModel::WingType>(),
                 DeviceModel::WingType(wing));
    }

    void unsupportedWingTypeChangesNothing()
    {
        TransmitterModel model(kTransmitter, 0);
        model.setWingType(DeviceModel::WingTypeDualAileron);
        const QByteArray before = model.memory().modelData(0);
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        QSignalSpy announced(&model, &TransmitterModel::wingTypeChanged);
        model.setWingType(DeviceModel::WingTypeFlaperon);
        QCOMPARE(model.memory().modelData(0), before);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(announced.count(), 0);
        // An unknown stored wing type reads as the normal wing.
        poke(model, {{"subTypeA", 0}}, 3);
        QCOMPARE(model.wingType(), DeviceModel::WingTypeNormal);
    }

    void elevonMixDirectionSwitchesBetweenTheElevonTypes()
    {
        TransmitterModel model(kTransmitter, 0);
        model.setWingMixReversed(true);
        QCOMPARE(model.wingType(), DeviceModel::WingTypeNormal);
        model.setWingType(DeviceModel::WingTypeElevonA);
        model.setWingMixReversed(true);
        QCOMPARE(model.wingType(), DeviceModel::WingTypeElevonB);
        QVERIFY(model.wingMixReversed());
    }

    void channelCountFollowsThePhasing()
    {
        TransmitterModel model(kTransmitter, 1);
        QList<AircraftTypeExtraSelector> selectors = model.extraSettingSelectors();
        QCOMPARE(selectors.size(), 1);
        QCOMPARE(selectors.front().label, QString("Transmitter Channels:"));
        QCOMPARE(selectors.front().items, (QStringList{"7", "9"}));
        QCOMPARE(selectors.front().currentItem, 0);

        selectors.front().choose(1);
        QCOMPARE(model.channelCount(), 9);
        QCOMPARE(model.surfaceOutputCount(), 9);
        QCOMPARE(model.extraSettingSelectors().front().currentItem, 1);
        model.setChannelCount(8);
        QCOMPARE(model.channelCount(), 9);

        TransmitterModel longLayout(kLongLayoutProduct, 5);
        longLayout.setChannelCount(9);
        QCOMPARE(longLayout.channelCount(), 7);
    }

    // Rates are kept per channel and condition position; positive is the high side.
    void ratesLiveInTheirChannelsTable()
    {
        TransmitterModel model(kTransmitter, 0);
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        model.setDualRatePositive(SettingOnlyChannel::Yaw, 2, 110);
        model.setDualRateNegative(SettingOnlyChannel::Yaw, 2, 90);
        model.setExpoPositive(SettingOnlyChannel::Roll, 9, 30);
        model.setExpoNegative(SettingOnlyChannel::Pitch, 0, 25);
        QCOMPARE(changed.count(), 4);
        QCOMPARE(peek(model, {{"drExpo", 2}, {"dualRateHigh", 2}}), 110);
        QCOMPARE(peek(model, {{"drExpo", 2}, {"dualRateLow", 2}}), 90);
        QCOMPARE(peek(model, {{"drExpo", 0}, {"expoHigh", 9}}), 30);
        QCOMPARE(peek(model, {{"drExpo", 1}, {"expoLow", 0}}), 25);
        QCOMPARE(model.dualRatePositive(SettingOnlyChannel::Yaw, 2), 110);
        QCOMPARE(model.expoNegative(SettingOnlyChannel::Pitch, 0), 25);
        QCOMPARE(model.channelName(SettingOnlyChannel::Pitch), QString("Elevator"));

        model.setRateSwitch(int(TransmitterSwitchFunction::Flap));
        for (const int axis : {0, 1, 2})
            QCOMPARE(peek(model, {{"drExpo", axis}, {"conditionID", 0}}), 85);
        QCOMPARE(model.rateSwitchName(), QString("Flap Switch"));
    }

    // A page handing in a position past a table's end must not reach the next field.
    void positionsOutsideATableChangeNothing_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("one past the end") << 10;
        QTest::newRow("negative") << -1;
    }

    void positionsOutsideATableChangeNothing()
    {
        QFETCH(int, position);

        TransmitterModel model(kTransmitter, 0);
        const QByteArray before = model.memory().modelData(0);
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        model.setDualRatePositive(SettingOnlyChannel::Roll, position, 1);
        model.setCurvePoint(TransmitterModel::Curve::Throttle, position, 0, 1);
        model.setCurvePoint(TransmitterModel::Curve::Throttle, 0, position - 3, 1);
        model.setDifferentialRate(position, 1);
        model.setFlightModeOutput(position, 1);
        QCOMPARE(model.memory().modelData(0), before);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(model.dualRatePositive(SettingOnlyChannel::Roll, position), 0);
    }

    void controlSettingsReachTheirFields()
    {
        TransmitterModel model(kTransmitter, 0);
        model.setThrottleCut(TransmitterModel::ThrottleCutField::Percent, 15);
        model.setTrainer(TransmitterModel::TrainerField::Wireless, 1);
        model.setDifferentialRate(4, -20);
        model.setDifferentialConditionID(83);
        model.setFlightModeOutput(2, -60);
        model.setCurvePoint(TransmitterModel::Curve::Throttle, 1, 6, 90);
        model.setRateConditionID(SettingOnlyChannel::Pitch, 84);

        QCOMPARE(peek(model, {{"thrCut", 0}, {"percent", 0}}), 15);
        QCOMPARE(peek(model, {{"trainer", 0}, {"wireless", 0}}), 1);
        QCOMPARE(model.differentialRate(4), -20);
        QCOMPARE(model.differentialConditionID(), 83);
        QCOMPARE(peek(model, {{"flightMode", 0}, {"outputTable", 2}}), -60);
        QCOMPARE(peek(model, {{"thrCurve", 1}, {"points", 6}}), 90);
        QCOMPARE(model.rateConditionID(SettingOnlyChannel::Pitch), 84);
        QCOMPARE(model.rateConditionID(SettingOnlyChannel::Roll), 87);
    }

    void resetRestoresTheDefaultsAndAnnouncesTheTypes()
    {
        TransmitterModel model(kTransmitter, 1);
        model.setWingType(DeviceModel::WingTypeElevonB);
        model.setServoReverse(47, true);
        QSignalSpy announced(&model, &TransmitterModel::wingTypeChanged);
        model.resetToDefaults();
        QCOMPARE(model.memory().modelData(0), model.defaultImage());
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced.front().front().value<DeviceModel::WingType>(),
                 DeviceModel::WingTypeNormal);
    }

    // Saving and loading give the same bytes, through the class registry and directly.
    void fileRoundTripKeepsTheBytes()
    {
        const ScopedModelClasses classes({TransmitterModel::getModelClassInfoStatic()});
        for (const int parameterVersion : {0, 1}) {
            TransmitterModel model(kTransmitter, parameterVersion);
            model.setServoSubTrim(20, -33);
            model.setWingType(DeviceModel::WingTypeElevonA);
            model.setChannelCount(9);
            const QByteArray file = model.toFileData();

            const std::shared_ptr<Model> loaded = loadModelData(file);
            QVERIFY(loaded);
            auto *transmitter = qobject_cast<TransmitterModel *>(loaded.get());
            QVERIFY(transmitter);
            QCOMPARE(transmitter->info().parameterVersion(), parameterVersion);
            QCOMPARE(transmitter->memory().modelData(0), model.memory().modelData(0));

            TransmitterModel direct(kTransmitter, parameterVersion);
            QVERIFY(direct.fromFileData(file));
            QCOMPARE(direct.memory().modelData(0), model.memory().modelData(0));
        }
    }

    void longLayoutFileRoundTrip()
    {
        TransmitterModel model(kLongLayoutProduct, 5);
        model.setDualRateNegative(SettingOnlyChannel::Roll, 3, 80);
        TransmitterModel loaded(kLongLayoutProduct, 5);
        QVERIFY(loaded.fromFileData(model.toFileData()));
        QCOMPARE(loaded.memory().modelData(0), model.memory().modelData(0));
        QCOMPARE(loaded.memory().modelData(0).size(), 6892);
    }
};

ZX_REGISTER_TEST(TransmitterModelTest);
#include "test_transmittermodel.moc"
