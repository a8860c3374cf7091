#include "models/classes/airplanerxaircrafttype.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "models/classes/schemacatalog.h"
#include "models/edithistory.h"
#include "models/modellibrary.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace AirplaneRx;

namespace {

// Offsets of the image's groups, as the receiver lays them out.
constexpr int kSystem = 64;
constexpr int kAxis = 128;
constexpr int kAxisSize = 80;
constexpr int kSurface = 368;
constexpr int kSurfaceSize = 32;
constexpr int kMixes = 1008;
constexpr int kMixSize = 16;
constexpr int kServo = 1264;
constexpr int kDifferential = 1312;
constexpr int kAutopilot = 1344;

// Surface codes of a normal wing and tail: slots 0, 1 and 2.
constexpr int kAileron = 2;
constexpr int kElevator = 9;
constexpr int kRudder = 12;

DeviceSetting setting(SettingType type, int flightMode = 0, int port = 0, int secondary = 0)
{
    return makeSetting(type, flightMode, port, secondary);
}

void setBytes(AirplaneRxModel &model, std::initializer_list<std::pair<int, int>> bytes)
{
    QByteArray image = model.memory().modelData(0);
    for (const auto &[offset, value] : bytes)
        image[offset] = char(value);
    model.memory().setModelData(0, image);
}

int byteOf(const AirplaneRxModel &model, int offset)
{
    return quint8(model.memory().modelData(0).at(offset));
}

} // namespace

class AirplaneRxModelTest : public QObject
{
    Q_OBJECT

private slots:
    void defaultImages()
    {
        const LayoutNode &schema = AirplaneRxModel::imageSchema();
        QCOMPARE(schema.byteSize(), kImageSize);
        QVERIFY(schema.name().isEmpty());
        for (int version : {0xFF, 0xFE}) {
            const QByteArray image = AirplaneRxModel::builtinDefaultImageFor(version);
            QCOMPARE(image.size(), kImageSize);
            AirplaneRxModel model(0xD9, version);
            QCOMPARE(model.memory().modelData(0), image);
            QCOMPARE(model.memory().section(0).deviceData, image);
            // The defaults set up a recognisable normal wing and tail with no mixes.
            QByteArray bytes = image;
            const AirplaneRxImage probe(schema, bytes);
            QCOMPARE(recogniseRow(wingRows(), probe), int(wingRows().size()) - 1);
            QCOMPARE(recogniseRow(tailRows(), probe), 3);
            QVERIFY(model.usedMixes().isEmpty());

            model.setValue(setting(SettingType::PosTravel), kAileron, 20);
            QVERIFY(model.memory().modelData(0) != image);
            QSignalSpy reset(&model, &DeviceModel::allSettingsChanged);
            model.resetToDefaults();
            QCOMPARE(model.memory().modelData(0), image);
            QCOMPARE(reset.count(), 1);
        }
        QVERIFY(AirplaneRxModel(0xD9, 0x01).memory().modelData(0).isEmpty());
    }

    // Every setting type with a field addresses the byte the receiver keeps it in; types,
    // flight modes, axes, mixes and ports outside the receiver's ranges address none.
    void settingOffsets_data()
    {
        QTest::addColumn<DeviceSetting>("address");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("offset");
        const auto row = [](const char *name, DeviceSetting address, int channel, int offset) {
            QTest::newRow(name) << address << channel << offset;
        };
        row("pos travel of the aileron", setting(SettingType::PosTravel), kAileron, kSurface + 2);
        row("neg travel of the elevator", setting(SettingType::NegTravel), kElevator,
            kSurface + kSurfaceSize + 3);
        row("balance Y point 4 of the rudder", setting(SettingType::BalanceY, 0, 0, 4), kRudder,
            kSurface + 2 * kSurfaceSize + 13 + 4);
        row("sub-trim", setting(SettingType::SubTrim), kAileron, kSurface + 4);
        row("rate gain fm 2 pitch", setting(SettingType::RateGain, 2), 46, 4);
        row("heading flag fm 3 yaw", setting(SettingType::HeadingGainNormal, 3), 47, 9 + 8);
        row("heading gain by a surface's axis", setting(SettingType::HeadingGain, 1), kRudder,
            9 + 2);
        row("stick gain fm 1 roll", setting(SettingType::StickGain, 1), 45, kAxis);
        row("dual rate neg fm 2 yaw", setting(SettingType::DualRateNeg, 2), 47,
            kAxis + 2 * kAxisSize + 10 + 1);
        row("heading-hold delay fm 2 pitch", setting(SettingType::HeadingHoldDelay, 2), 46,
            kAxis + kAxisSize + 25 + 1);
        row("heading-hold delay by a surface's axis", setting(SettingType::HeadingHoldDelay, 3),
            kRudder, kAxis + 2 * kAxisSize + 25 + 2);
        row("outer roll differential fm 3", setting(SettingType::OuterRollDifferential, 3), 45,
            kDifferential + 5 + 2);
        row("aircraft type", setting(SettingType::AircraftType), 0, kAutopilot + 85);
        row("flight mode switch", setting(SettingType::FlightModeSwitch), 0, kSystem + 22);
        row("sensor filter", setting(SettingType::SensorDigitalFilter), 0, kSystem + 24);
        row("mix 3 master", setting(SettingType::MixMaster, 0, 0, 3), 0, kMixes + 3 * kMixSize);
        row("mix 3 trim", setting(SettingType::MixTrimEnabled, 0, 0, 3), 0, kMixes + 3 * kMixSize);
        row("mix 15 neg rate", setting(SettingType::MixNegRate, 0, 0, 15), 0,
            kMixes + 15 * kMixSize + 3);
        row("mix 0 condition", setting(SettingType::MixCondition), 0, kMixes + 4);
        row("kova enabled", setting(SettingType::KovaEnabled), 0, kAutopilot + 100);
        row("limited flight modes", setting(SettingType::KovaLimitedFlightModesDisabled), 0,
            kSystem + 25);
        row("attitude feature fm 2 pitch", setting(SettingType(62), 2), 46, kAutopilot + 3 * 3 + 2);
        row("attitude envelope neg fm 5 roll", setting(SettingType::AttitudeEnvelopeNeg, 5), 45,
            kAutopilot + 8 * 3 + 1);
        row("throttle-to-pitch angle", setting(SettingType::Thr2PitchAngle), 0, kAutopilot + 31);
        row("panic source", setting(SettingType(75)), 0, kAutopilot + 34);
        row("panic envelope neg pitch", setting(SettingType::PanicEnvelopeNeg), 46,
            kAutopilot + 35 + 2 + 1);
        row("failsafe loiter pitch", setting(SettingType::FailsafeLoiter), 46, kAutopilot + 87);
        row("compensation", setting(SettingType::Compensation), 0, kAutopilot + 39);
        row("deck", setting(SettingType::Deck), 0, kAutopilot + 93);
        row("thrust limit", setting(SettingType::ThrustLimit), 0, kAutopilot + 97);
        row("guidance feature 3", setting(SettingType(100)), 0, kAutopilot + 88 + 2);
        row("failsafe port 9", setting(SettingType::Failsafe, 0, 9), 0, kServo + 20 + 1);
        row("output port 20", setting(SettingType::ServoOutput, 0, 20), 0, kServo + 19);

        row("unknown type", setting(SettingType(30)), 45, -1);
        row("type 0", setting(SettingType(0)), 45, -1);
        row("flight mode 0", setting(SettingType::StickGain, 0), 45, -1);
        row("flight mode 6", setting(SettingType::StickGain, 6), 45, -1);
        row("gain flight mode 4", setting(SettingType::RateGain, 4), 45, -1);
        row("heading-hold delay flight mode 0", setting(SettingType::HeadingHoldDelay, 0), 45, -1);
        row("heading-hold delay flight mode 6", setting(SettingType::HeadingHoldDelay, 6), 45, -1);
        row("axis of the throttle", setting(SettingType::StickGain, 1), 1, -1);
        row("yaw has no attitude", setting(SettingType::AttitudeEnvelopePos, 1), 47, -1);
        row("surface not in the model", setting(SettingType::PosTravel), 5, -1);
        row("mix 16", setting(SettingType::MixSlave, 0, 0, 16), 0, -1);
        row("balance point 7", setting(SettingType::BalanceX, 0, 0, 7), kAileron, -1);
        row("output port 0", setting(SettingType::ServoOutput, 0, 0), 0, -1);
        row("output port 21", setting(SettingType::ServoOutput, 0, 21), 0, -1);
        row("failsafe port 25", setting(SettingType::Failsafe, 0, 25), 0, -1);
    }
    void settingOffsets()
    {
        QFETCH(DeviceSetting, address);
        QFETCH(int, channel);
        QFETCH(int, offset);
        AirplaneRxModel model(0xDB, 0xFF);
        QCOMPARE(model.settingOffset(address, channel), offset);
        if (offset < 0) {
            const QByteArray before = model.memory().modelData(0);
            QCOMPARE(model.value(address, channel), 0);
            model.setValue(address, channel, 1);
            QCOMPARE(model.memory().modelData(0), before);
        }
    }

    // Stored bytes and the value the editor sees; the write of that value stores the bytes.
    void packing_data()
    {
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<DeviceSetting>("address");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<int>("value");
        const int trim = kSurface + 4;
        const auto row = [](const char *name, int version, DeviceSetting address, int channel,
                            QList<int> offsets, QList<int> stored, int value) {
            QTest::newRow(name) << version << address << channel << offsets << stored << value;
        };
        const DeviceSetting subTrim = setting(SettingType::SubTrim);
        row("sub-trim 0", 0xFF, subTrim, kAileron, {trim, trim + 1}, {0x00, 0x00}, 0);
        row("sub-trim 1023", 0xFF, subTrim, kAileron, {trim, trim + 1}, {0x03, 0xFF}, 341);
        row("sub-trim -1020", 0xFF, subTrim, kAileron, {trim, trim + 1}, {0x04, 0x04}, -340);
        row("sub-trim -3 keeps reverse", 0xFF, subTrim, kAileron, {trim, trim + 1}, {0x87, 0xFD},
            -1);
        row("reverse", 0xFF, setting(SettingType::Reverse), kAileron, {trim}, {0x80}, 1);
        row("orientation", 0xFF, setting(SettingType::Orientation), 0, {kSystem + 20, kSystem + 21},
            {0x24, 0x07}, 0x030201);
        row("orientation mixed", 0xFF, setting(SettingType::Orientation), 0,
            {kSystem + 20, kSystem + 21}, {0x12, 0x02}, 0xFE01FD);
        row("percent, plain receiver", 0xFF, setting(SettingType::StickGain, 1), 45, {kAxis}, {30},
            70);
        row("percent, flight envelope", 0xFE, setting(SettingType::StickGain, 1), 45, {kAxis}, {30},
            30);
        row("rate gain value", 0xFF, setting(SettingType::RateGain, 1), 45, {0}, {0x85}, 5);
        row("rate gain reversed", 0xFF, setting(SettingType::RateGainNormal, 1), 45, {0}, {0x85},
            0);
        row("heading gain normal", 0xFF, setting(SettingType::HoldGainNormal, 1), 45, {9}, {0x05},
            1);
        row("aircraft type 2", 0xFF, setting(SettingType::AircraftType), 0, {kAutopilot + 85}, {2},
            2);
        row("gyro threshold on", 0xFF, setting(SettingType::GyroThresholdEnable), 0, {kSystem + 23},
            {1}, 1);
        row("mix master keeps trim", 0xFF, setting(SettingType::MixMaster, 0, 0, 1), 0,
            {kMixes + kMixSize}, {0x80 | 47}, 47);
        row("attitude feature bit 1", 0xFF, setting(SettingType(62), 1), 45, {kAutopilot + 2},
            {0x02}, 1);
        row("signed expo", 0xFF, setting(SettingType::ExpoPos, 1), 45, {kAxis + 15}, {0xF6}, -10);
        row("failsafe set", 0xFF, setting(SettingType::Failsafe, 0, 2), 0, {kServo + 20}, {0x02},
            0);
        row("failsafe clear", 0xFF, setting(SettingType::Failsafe, 0, 2), 0, {kServo + 20}, {0x00},
            1);
        row("output throttle", 0xFF, setting(SettingType::ServoOutput, 0, 1), 0, {kServo}, {0x80},
            1);
        row("output aileron", 0xFF, setting(SettingType::ServoOutput, 0, 2), 0, {kServo + 1},
            {0xA0}, kAileron);
        row("output rudder", 0xFF, setting(SettingType::ServoOutput, 0, 3), 0, {kServo + 2}, {0xA2},
            kRudder);
        row("output unassigned", 0xFF, setting(SettingType::ServoOutput, 0, 5), 0, {kServo + 4},
            {0xFF}, 0);
        row("output mix 4", 0xFF, setting(SettingType::ServoOutput, 0, 5), 0, {kServo + 4}, {0x84},
            54);
        // Mix 0 (driving surface slot 3) by its surface: its own code would be the throttle's.
        row("output mix 0", 0xFF, setting(SettingType::ServoOutput, 0, 5), 0,
            {kSurface + 3 * kSurfaceSize, kSurface + 3 * kSurfaceSize + 1, kServo + 4},
            {0, 0, 0xA3}, kFirstMixChannel);
        row("heading-hold delay", 0xFF, setting(SettingType::HeadingHoldDelay, 3), 47,
            {kAxis + 2 * kAxisSize + 25 + 2}, {200}, 200);
        row("heading-hold delay, envelope receiver", 0xFE,
            setting(SettingType::HeadingHoldDelay, 1), 45, {kAxis + 25}, {255}, 255);
    }
    void packing()
    {
        QFETCH(int, parameterVersion);
        QFETCH(DeviceSetting, address);
        QFETCH(int, channel);
        QFETCH(QList<int>, offsets);
        QFETCH(QList<int>, stored);
        QFETCH(int, value);

        AirplaneRxModel model(0xDB, parameterVersion);
        QByteArray image = model.memory().modelData(0);
        for (int i = 0; i < offsets.size(); ++i)
            image[offsets.at(i)] = char(stored.at(i));
        model.memory().setModelData(0, image);
        QCOMPARE(model.value(address, channel), value);

        // Writing the value back after a neighbouring one restores the stored bytes.
        model.setValue(address, channel, value + 1);
        model.setValue(address, channel, value);
        for (int i = 0; i < offsets.size(); ++i)
            QCOMPARE(byteOf(model, offsets.at(i)), stored.at(i) & 0xFF);
    }

    // Stored bytes whose value reads back differently from what a write of it stores.
    void readOnlyDecodings_data()
    {
        QTest::addColumn<DeviceSetting>("address");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("value");
        const int trimHigh = kSurface + 4;
        QTest::newRow("sub-trim -1 reads 0")
            << setting(SettingType::SubTrim) << trimHigh << 0x07FF << 0;
        QTest::newRow("sub-trim -1024 reads -341")
            << setting(SettingType::SubTrim) << trimHigh << 0x0400 << -341;
        QTest::newRow("aircraft type 3 reads 0")
            << setting(SettingType::AircraftType) << kAutopilot + 85 << 3 << 0;
        QTest::newRow("gyro threshold 2 reads 0")
            << setting(SettingType::GyroThresholdEnable) << kSystem + 23 << 2 << 0;
        QTest::newRow("output low bits 0 read as throttle")
            << setting(SettingType::ServoOutput, 0, 6) << kServo + 5 << 0xC0 << 1;
        QTest::newRow("failsafe of an unassigned port")
            << setting(SettingType::Failsafe, 0, 6) << kServo + 20 << 0x20 << 2;
    }
    void readOnlyDecodings()
    {
        QFETCH(DeviceSetting, address);
        QFETCH(int, offset);
        QFETCH(int, stored);
        QFETCH(int, value);
        AirplaneRxModel model(0xDB, 0xFF);
        if (stored > 0xFF) // a high and a low byte
            setBytes(model, {{offset, stored >> 8}, {offset + 1, stored & 0xFF}});
        else
            setBytes(model, {{offset, stored}});
        QCOMPARE(model.value(address, kAileron), value);
    }

    // Writes keep to the field's range instead of spilling into its neighbours.
    void writesAreClampedToTheField()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        model.setValue(setting(SettingType::PosTravel), kAileron, 300);
        QCOMPARE(byteOf(model, kSurface + 2), 255);
        model.setValue(setting(SettingType::NegTravel), kAileron, -5);
        QCOMPARE(byteOf(model, kSurface + 3), 0);
        model.setValue(setting(SettingType::ExpoNeg, 1), 45, -1000);
        QCOMPARE(byteOf(model, kAxis + 20), 0x80);
        model.setValue(setting(SettingType::SubTrim), kAileron, 100000);
        QCOMPARE(model.value(setting(SettingType::SubTrim), kAileron), 341);
        model.setValue(setting(SettingType::RateGain, 1), 45, 500);
        QCOMPARE(byteOf(model, 0) & 0x7F, 127);
        model.setValue(setting(SettingType::StickGain, 1), 45, INT_MIN);
        QCOMPARE(qint8(byteOf(model, kAxis)), qint8(127));
        model.setValue(setting(SettingType::HeadingHoldDelay, 2), 45, 300);
        QCOMPARE(byteOf(model, kAxis + 25 + 1), 255);
        model.setValue(setting(SettingType::HeadingHoldDelay, 2), 45, -4);
        QCOMPARE(byteOf(model, kAxis + 25 + 1), 0);
        // A surface code the model has no slot for leaves the output alone.
        model.setValue(setting(SettingType::ServoOutput, 0, 6), 0, 5);
        QCOMPARE(byteOf(model, kServo + 5), 0xFF);
    }

    void addMixResults_data()
    {
        QTest::addColumn<QList<int>>("surfaceMixes");
        QTest::addColumn<QList<int>>("surfaceAxes");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("mix");
        QTest::addColumn<int>("slot");
        QTest::newRow("fresh model") << QList<int>{} << QList<int>{} << 0 << 0 << 3;
        QTest::newRow("mix 0 taken, skips 7")
            << QList<int>{0, 1, 2, 3, 4, 5, 6} << QList<int>{} << 0 << 8 << 3;
        QTest::newRow("all mixes but 7 in use")
            << QList<int>{0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15} << QList<int>{} << 1
            << -1 << -1;
        QTest::newRow("free slot only beyond 7")
            << QList<int>{} << QList<int>{1, 6, 9, 0, 0, 0, 0, 0} << 2 << -1 << -1;
    }
    void addMixResults()
    {
        QFETCH(QList<int>, surfaceMixes);
        QFETCH(QList<int>, surfaceAxes);
        QFETCH(int, result);
        QFETCH(int, mix);
        QFETCH(int, slot);
        AirplaneRxModel model(0xDB, 0xFF);
        QByteArray image = model.memory().modelData(0);
        for (int s = 0; s < surfaceMixes.size(); ++s)
            image[kSurface + (kSurfaceSlotCount - 1 - s) * kSurfaceSize] = char(surfaceMixes.at(s));
        for (int s = 0; s < surfaceAxes.size(); ++s)
            image[kSurface + s * kSurfaceSize + 1] = char(surfaceAxes.at(s));
        model.memory().setModelData(0, image);

        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        int added = -1;
        QCOMPARE(int(model.addMix(added)), result);
        if (result != 0) {
            QCOMPARE(model.memory().modelData(0), image);
            QCOMPARE(changed.count(), 0);
            return;
        }
        QCOMPARE(added, mix);
        QCOMPARE(byteOf(model, kSurface + slot * kSurfaceSize), mix);
        QCOMPARE(byteOf(model, kSurface + slot * kSurfaceSize + 1), kMixDrivenAxis);
        QVERIFY(model.usedMixes().contains(mix));
        QCOMPARE(model.mixNames().at(mix), QString("Mix %1").arg(model.usedMixes().size()));
        QVERIFY(changed.count() > 0);
    }

    // An axis slave drives every surface of that axis; any other slave needs a control-path
    // surface of the mix's own.
    void mixSlaveLinksSurfaces()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        int mix = -1;
        for (int i = 0; i < 4; ++i)
            QCOMPARE(model.addMix(mix), AddMixResult::Added);
        QCOMPARE(mix, 3);
        const int ownSlot = 6; // slots 0 to 2 are the tail and wing, 3 to 5 mixes 0 to 2
        QCOMPARE(byteOf(model, kSurface + ownSlot * kSurfaceSize), 3);

        // A second pitch surface, to see that all of them follow.
        setBytes(model, {{kSurface + 10 * kSurfaceSize + 1, 7}});
        model.setValue(setting(SettingType::MixSlave, 0, 0, 3), 0, kPitchChannel);
        QCOMPARE(byteOf(model, kMixes + 3 * kMixSize + 1), kPitchChannel);
        QCOMPARE(byteOf(model, kSurface + 1 * kSurfaceSize), 3);
        QCOMPARE(byteOf(model, kSurface + 10 * kSurfaceSize), 3);
        QCOMPARE(byteOf(model, kSurface + ownSlot * kSurfaceSize), kNoMix);
        QCOMPARE(byteOf(model, kSurface + ownSlot * kSurfaceSize + 1), kFreeSurfaceAxis);
        QCOMPARE(byteOf(model, kSurface + 0 * kSurfaceSize), kNoMix); // roll stays alone

        // Back to a surface slave: the pitch surfaces are released, a free slot is taken.
        model.setValue(setting(SettingType::MixSlave, 0, 0, 3), 0, kAileron);
        QCOMPARE(byteOf(model, kSurface + 1 * kSurfaceSize), kNoMix);
        QCOMPARE(byteOf(model, kSurface + 10 * kSurfaceSize), kNoMix);
        QCOMPARE(byteOf(model, kSurface + ownSlot * kSurfaceSize), 3);
        QCOMPARE(byteOf(model, kSurface + ownSlot * kSurfaceSize + 1), kMixDrivenAxis);

        // A mix that owns its control-path surface keeps it.
        const QByteArray before = model.memory().modelData(0);
        model.setValue(setting(SettingType::MixSlave, 0, 0, 3), 0, kRudder);
        QByteArray expected = before;
        expected[kMixes + 3 * kMixSize + 1] = char(kRudder);
        QCOMPARE(model.memory().modelData(0), expected);
        QCOMPARE(model.usedMixes(), (QList<int>{0, 1, 2, 3}));
    }

    // Mix 0's output code would be the throttle's (0x80), so a port carries mix 0 through the
    // mix's own surface; while mix 0 has none (its slave is an axis) no port can carry it, and
    // a port asked to keeps what it had.
    void mixZeroOutputGoesThroughItsSurface()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        int mix = -1;
        QCOMPARE(model.addMix(mix), AddMixResult::Added);
        QCOMPARE(mix, 0);
        const DeviceSetting port5 = setting(SettingType::ServoOutput, 0, 5);
        model.setValue(port5, 0, kFirstMixChannel);
        QCOMPARE(byteOf(model, kServo + 4), kAssignedBit | (kSurfaceOutputBase + 3));
        QCOMPARE(model.value(port5, 0), kFirstMixChannel);
        QCOMPARE(model.value(setting(SettingType::ServoOutput, 0, 1), 0), kThrottleChannel);

        model.setValue(setting(SettingType::MixSlave, 0, 0, mix), 0, kPitchChannel);
        const QByteArray before = model.memory().modelData(0);
        model.setValue(setting(SettingType::ServoOutput, 0, 6), 0, kFirstMixChannel);
        QCOMPARE(model.memory().modelData(0), before);
        QCOMPARE(model.value(setting(SettingType::ServoOutput, 0, 6), 0), 0);
    }

    // Removing a mix gives back what adding it took, whatever was done with the mix between:
    // the image is the one before the add, except the mix's own bytes, which are the defaults
    // (the add put them there), and the names are those before the add. One change is
    // announced.
    void removeMixUndoesAddMix_data()
    {
        QTest::addColumn<int>("mixesBefore"); // mixes in use before the add
        QTest::addColumn<QString>("use");     // what is done with the added mix
        for (int mixes : {0, 1}) {
            const QByteArray suffix = mixes == 0 ? ", mix 0" : ", mix 1";
            for (const char *use : {"untouched", "edited", "on ports", "axis slave"})
                QTest::newRow((QByteArray(use) + suffix).constData())
                    << mixes << QString::fromLatin1(use);
        }
    }
    void removeMixUndoesAddMix()
    {
        QFETCH(int, mixesBefore);
        QFETCH(QString, use);
        AirplaneRxModel model(0xDB, 0xFF);
        int mix = -1;
        for (int i = 0; i < mixesBefore; ++i)
            QCOMPARE(model.addMix(mix), AddMixResult::Added);
        if (mixesBefore > 0)
            model.setMixName(0, QStringLiteral("Crow"));
        // What an earlier mix of this index left behind, as a file may carry it.
        const int next = mixesBefore;
        setBytes(model, {{kMixes + next * kMixSize + 2, 40}, {kMixes + next * kMixSize + 4, 20}});
        const QByteArray before = model.memory().modelData(0);
        const QStringList namesBefore = model.mixNames();

        QCOMPARE(model.addMix(mix), AddMixResult::Added);
        QCOMPARE(mix, next);
        const int ownSlot = 3 + next;
        if (use == "edited") {
            model.setValue(setting(SettingType::MixPosRate, 0, 0, mix), 0, 80);
            model.setValue(setting(SettingType::MixMaster, 0, 0, mix), 0, kYawChannel);
            model.setMixName(mix, QStringLiteral("Snap Flap"));
        } else if (use == "on ports") {
            model.setValue(setting(SettingType::ServoOutput, 0, 5), 0, kFirstMixChannel + mix);
            // The mix's surface by its own code, as a file may carry it.
            setBytes(model, {{kServo + 5, kAssignedBit | (kSurfaceOutputBase + ownSlot)}});
            QCOMPARE(model.value(setting(SettingType::ServoOutput, 0, 6), 0),
                     kFirstMixChannel + mix);
        } else if (use == "axis slave") {
            model.setValue(setting(SettingType::MixSlave, 0, 0, mix), 0, kPitchChannel);
            QCOMPARE(byteOf(model, kSurface + 1 * kSurfaceSize), mix);
        }

        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        QVERIFY(model.removeMix(mix));
        QCOMPARE(changed.count(), 1);
        QByteArray expected = before;
        expected.replace(kMixes + mix * kMixSize, kMixSize,
                         model.defaultImage().mid(kMixes + mix * kMixSize, kMixSize));
        QCOMPARE(model.memory().modelData(0), expected);
        QCOMPARE(model.mixNames(), namesBefore);
        QCOMPARE(model.value(setting(SettingType::ServoOutput, 0, 1), 0), kThrottleChannel);
    }

    // Only a mix in use can be removed; anything else changes nothing and announces nothing.
    // Removing one mix leaves the others as they were.
    void removeMixKeepsTheOthers()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        int mix = -1;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(model.addMix(mix), AddMixResult::Added);
        model.setValue(setting(SettingType::MixSlave, 0, 0, 2), 0, kRollChannel);
        model.setValue(setting(SettingType::ServoOutput, 0, 5), 0, kFirstMixChannel + 2);
        model.setMixName(2, QStringLiteral("Crow"));

        QByteArray image = model.memory().modelData(0);
        QSignalSpy changed(&model, &DeviceModel::settingsChanged);
        for (int unused : {-1, 3, kNoMix, 15, kMixCount})
            QVERIFY(!model.removeMix(unused));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(model.memory().modelData(0), image);

        QVERIFY(model.removeMix(1));
        QCOMPARE(model.usedMixes(), (QList<int>{0, 2}));
        QCOMPARE(model.mixNames(), (QStringList{"Mix 1", "", "Crow"}));
        QCOMPARE(byteOf(model, kSurface + 0 * kSurfaceSize), 2); // the aileron, mix 2's slave
        QCOMPARE(byteOf(model, kServo + 4), kAssignedBit | 2);
        QCOMPARE(byteOf(model, kSurface + 3 * kSurfaceSize), 0);
        QCOMPARE(byteOf(model, kSurface + 4 * kSurfaceSize + 1), kFreeSurfaceAxis);

        // The removal is one step of the edit history, names included.
        auto shared = std::make_shared<AirplaneRxModel>(0xDB, 0xFF);
        EditHistory history;
        history.setModel(shared);
        {
            const EditHistory::ActionScope scope(history);
            QCOMPARE(shared->addMix(mix), AddMixResult::Added);
            shared->setMixName(mix, QStringLiteral("Crow"));
        }
        const DeviceModelEditState added = shared->editState();
        QVERIFY(shared->removeMix(mix));
        QVERIFY(shared->usedMixes().isEmpty());
        history.undo();
        QCOMPARE(shared->editState(), added);
        QCOMPARE(history.undoCount(), 1);
    }

    void mixNamesFitTheUsedMixes_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("used");
        QTest::addColumn<QStringList>("fitted");
        QTest::newRow("none") << QStringList{"Lift"} << QList<int>{} << QStringList{};
        QTest::newRow("gaps") << QStringList{} << QList<int>{0, 2}
                              << QStringList{"Mix 1", "", "Mix 2"};
        QTest::newRow("unused cleared")
            << QStringList{"Mix 1", "Crow"} << QList<int>{1} << QStringList{"", "Crow"};
        QTest::newRow("taken numbers skipped")
            << QStringList{"", "Mix 1"} << QList<int>{0, 1} << QStringList{"Mix 2", "Mix 1"};
        QTest::newRow("longer list cut")
            << QStringList{"A", "B", "C"} << QList<int>{0} << QStringList{"A"};
    }
    void mixNamesFitTheUsedMixes()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<int>, used);
        QFETCH(QStringList, fitted);
        QCOMPARE(fittedMixNames(names, used), fitted);
    }

    void fileRoundTrip()
    {
        AirplaneRxModel model(0xDA, 0xFF);
        int mix = -1;
        model.addMix(mix);
        model.addMix(mix);
        model.setMixName(1, "Crow");
        model.setTransmitterChannels(12);
        model.setValue(setting(SettingType::SubTrim), kAileron, -17);
        model.info().setName("Glider");

        const QByteArray file = model.toFileData();
        AirplaneRxModel loaded(0xDA, 0xFF);
        QVERIFY(loaded.fromFileData(file));
        QCOMPARE(loaded.memory().modelData(0), model.memory().modelData(0));
        QCOMPARE(loaded.mixNames(), (QStringList{"Mix 1", "Crow"}));
        QCOMPARE(loaded.transmitterChannels(), 12);
        QCOMPARE(loaded.info().name(), QString("Glider"));
        QCOMPARE(loaded.toFileData(), file);

        // A channel count outside 5 to 24 is not taken; a missing names key clears them.
        QJsonObject root = QJsonDocument::fromJson(file).object();
        root.insert("transmitterChannels", 30);
        root.remove("mixNames");
        AirplaneRxModel other(0xDA, 0xFF);
        QVERIFY(other.fromJsonDocument(QJsonDocument(root)));
        QCOMPARE(other.transmitterChannels(), AirplaneRxModel::kDefaultTransmitterChannels);
        QVERIFY(other.mixNames().isEmpty());
    }

    // A file may carry a short image: every access stays inside the bytes there are.
    void shortImageIsHandled()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        const QByteArray shortImage = model.memory().modelData(0).left(kSurface + 40);
        model.memory().setModelData(0, shortImage);
        for (int type = 0; type < 110; ++type) {
            for (int channel : {0, kAileron, kRudder, 45, 47, 53}) {
                const DeviceSetting address = makeSetting(SettingType(type), 2, 3, 1);
                (void)model.value(address, channel);
                model.setValue(address, channel, 1);
            }
        }
        int mix = -1;
        (void)model.addMix(mix);
        model.setTailType(DeviceModel::TailTypeSailplaneWing);
        model.setWingType(DeviceModel::WingTypeFourAilerons);
        QCOMPARE(model.memory().modelData(0).size(), shortImage.size());
        QCOMPARE(model.dualRatePositive(SettingOnlyChannel::Roll, 0), 100);
    }

    void classInfo()
    {
        const ModelClassInfo *info = AirplaneRxModel::getModelClassInfoStatic();
        QCOMPARE(info, AirplaneRxModel::getModelClassInfoStatic());
        QCOMPARE(info->extension, QString("zrm"));
        const QList<std::pair<int, int>> expected{{0xD9, 0xFF}, {0xD9, 0xFE}, {0xDA, 0xFF},
                                                  {0xDA, 0xFE}, {0xEE, 0xFF}, {0xDB, 0xFF},
                                                  {0x78, 0xFE}};
        QCOMPARE(info->devices.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(info->devices.at(i).productCode, expected.at(i).first);
            QCOMPARE(info->devices.at(i).parameterVersion, expected.at(i).second);
            QVERIFY(!info->devices.at(i).name.isEmpty());
        }
        QVERIFY(info->devices.at(0).name != info->devices.at(1).name);
        const auto model = info->create(0x78, 0xFE);
        QCOMPARE(model->getModelClassInfo(), info);
        QCOMPARE(model->info().productCode(), 0x78);
        QCOMPARE(model->parameterVersion(), 0xFE);
    }

    // A rate reads back as the value stored, in its field's sign: dual rates are unsigned,
    // exponentials signed, each up to the ends of its range.
    void ratesRoundTrip_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("offset"); // of Pitch, flight mode 2, within its axis
        QTest::addColumn<int>("byte");
        QTest::newRow("dual rate + 125") << "dualRatePos" << 125 << 5 + 1 << 125;
        QTest::newRow("dual rate - 0") << "dualRateNeg" << 0 << 10 + 1 << 0;
        QTest::newRow("expo + 100") << "expoPos" << 100 << 15 + 1 << 100;
        QTest::newRow("expo + -100") << "expoPos" << -100 << 15 + 1 << 0x9C;
        QTest::newRow("expo - -10") << "expoNeg" << -10 << 20 + 1 << 0xF6;
        QTest::newRow("expo - -1") << "expoNeg" << -1 << 20 + 1 << 0xFF;
    }
    void ratesRoundTrip()
    {
        QFETCH(QString, field);
        QFETCH(int, value);
        QFETCH(int, offset);
        QFETCH(int, byte);
        using Setter = void (AirplaneRxModel::*)(SettingOnlyChannel, int, int);
        using Getter = int (AirplaneRxModel::*)(SettingOnlyChannel, int) const;
        const QMap<QString, std::pair<Setter, Getter>> access{
            {"dualRatePos",
             {&AirplaneRxModel::setDualRatePositive, &AirplaneRxModel::dualRatePositive}},
            {"dualRateNeg",
             {&AirplaneRxModel::setDualRateNegative, &AirplaneRxModel::dualRateNegative}},
            {"expoPos", {&AirplaneRxModel::setExpoPositive, &AirplaneRxModel::expoPositive}},
            {"expoNeg", {&AirplaneRxModel::setExpoNegative, &AirplaneRxModel::expoNegative}},
        };
        const auto [set, get] = access.value(field);
        AirplaneRxModel model(0xD9, 0xFF);
        (model.*set)(SettingOnlyChannel::Pitch, 1, value);
        QCOMPARE(byteOf(model, kAxis + kAxisSize + offset), byte);
        QCOMPARE((model.*get)(SettingOnlyChannel::Pitch, 1), value);
    }

    void ratesAndExpo()
    {
        AirplaneRxModel model(0xD9, 0xFF);
        QSignalSpy changed(&model.memory(), &DeviceMemory::settingsChanged);
        model.setDualRatePositive(SettingOnlyChannel::Pitch, 1, 90);
        model.setExpoNegative(SettingOnlyChannel::Yaw, 0, -10);
        QCOMPARE(model.expoNegative(SettingOnlyChannel::Yaw, 0), -10);
        QCOMPARE(changed.count(), 2);
        // A flight mode beyond the field reads 0 and writes nothing.
        const QByteArray before = model.memory().modelData(0);
        model.setDualRateNegative(SettingOnlyChannel::Roll, 5, 1);
        QCOMPARE(model.memory().modelData(0), before);
        QCOMPARE(model.dualRateNegative(SettingOnlyChannel::Roll, 5), 0);

        QCOMPARE(model.flightModeName(0), QString("Flight Mode 1"));
        QCOMPARE(model.flightModeCount(), 3);
        QCOMPARE(model.expoRange(), (RateRange{100, -100}));
        QCOMPARE(model.dualRateRange(), (RateRange{125, 0}));
        AirplaneRxModel kova(0xD9, 0xFE);
        QCOMPARE(kova.expoRange(), (RateRange{100, 0}));
        QCOMPARE(kova.dualRateRange(), (RateRange{100, 0}));
    }

    // The axes by their axis names; any other channel by the surface or output it names,
    // never as an axis it is not.
    void channelNames_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("name");
        QTest::newRow("roll") << 45 << "Roll";
        QTest::newRow("pitch") << 46 << "Pitch";
        QTest::newRow("yaw") << 47 << "Yaw";
        QTest::newRow("throttle") << 1 << "Throttle";
        QTest::newRow("elevator surface") << kElevator << "Elevator";
        QTest::newRow("aux output") << 21 << "Aux 2";
        QTest::newRow("mix output") << 53 << "Mix index 3";
    }
    void channelNames()
    {
        QFETCH(int, channel);
        QFETCH(QString, name);
        const AirplaneRxModel model(0xD9, 0xFF);
        QCOMPARE(model.channelName(SettingOnlyChannel(channel)), name);
    }

    // The transmitter channel count is a setting like any other: changing it marks the model
    // changed, so its library saves it; a value outside 5 to 24 changes nothing.
    void transmitterChannelsAreSaved()
    {
        QTemporaryDir dir;
        ModelLibrary library(dir.filePath("Models"));
        auto model = std::make_shared<AirplaneRxModel>(0xDA, 0xFF);
        const QString fileName = library.addModel(model);
        QVERIFY(!fileName.isEmpty());
        QVERIFY(library.flushPendingSaves());

        QSignalSpy changed(model.get(), &DeviceModel::settingsChanged);
        model->setTransmitterChannels(AirplaneRxModel::kMaxTransmitterChannels + 1);
        model->setTransmitterChannels(AirplaneRxModel::kMinTransmitterChannels - 1);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!library.isPending(fileName));
        model->setTransmitterChannels(12);
        QCOMPARE(changed.count(), 1);
        QVERIFY(library.isPending(fileName));
        QVERIFY(library.flushPendingSaves());

        const std::shared_ptr<Model> loaded = loadModelFile(library.filePath(fileName));
        QVERIFY(loaded);
        QCOMPARE(static_cast<AirplaneRxModel &>(*loaded).transmitterChannels(), 12);
    }
};

ZX_REGISTER_TEST(AirplaneRxModelTest);
#include "test_airplanerxmodel.moc"
