#include "models/classes/airplanerxsettings.h"
#include "ratesrig.h"
#include "testregistry.h"
#include "ui/pages/rates/gainprioritypage.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QtTest>

#include <array>

using AirplaneRx::SettingType;

Q_DECLARE_METATYPE(SettingType)

namespace {

constexpr int kRollChannel = 45;
const std::array<QString, 3> kAxisKeys{QStringLiteral("roll"), QStringLiteral("pitch"),
                                       QStringLiteral("yaw")};

DeviceSetting gainSetting(SettingType type, int flightMode)
{
    return AirplaneRx::makeSetting(type, flightMode + 1);
}

} // namespace

class GainPriorityPageTest : public QObject
{
    Q_OBJECT

private slots:
    // The boxes show the gains of the shown flight mode and axis; a reversed direction flag
    // shows as a ticked box.
    void showsTheModelsGains()
    {
        const auto model = makeReceiver(kPlainVersion);
        for (int axis = 0; axis < 3; ++axis) {
            const int channel = kRollChannel + axis;
            model->setValue(gainSetting(SettingType::RateGain, 1), channel, 40 + axis);
            model->setValue(gainSetting(SettingType::HeadingGain, 1), channel, 20 + axis);
            model->setValue(gainSetting(SettingType::StickGain, 1), channel, 60 + axis);
            model->setValue(gainSetting(SettingType::HeadingHoldDelay, 1), channel, 250 + axis);
        }
        model->setValue(gainSetting(SettingType::RateGainNormal, 1), kRollChannel + 2, 0);
        model->setValue(gainSetting(SettingType::HeadingGainNormal, 1), kRollChannel + 1, 0);

        const PageRig rig(model, PageKind::GainPriority);
        QVERIFY(qobject_cast<GainPriorityPage *>(rig.page.get()));
        // The defaults of flight mode 1 first.
        QCOMPARE(rig.child<QSpinBox>(QStringLiteral("rollRateGain"))->value(), 50);
        QCOMPARE(rig.child<QSpinBox>(QStringLiteral("rollHeadingGain"))->value(), 30);
        QCOMPARE(rig.child<QSpinBox>(QStringLiteral("rollStickGain"))->value(), 100);

        chooseFlightMode(rig, 1);
        for (int axis = 0; axis < 3; ++axis) {
            const QString key = kAxisKeys[axis];
            QCOMPARE(rig.child<QSpinBox>(key + QStringLiteral("RateGain"))->value(), 40 + axis);
            QCOMPARE(rig.child<QSpinBox>(key + QStringLiteral("HeadingGain"))->value(), 20 + axis);
            QCOMPARE(rig.child<QSpinBox>(key + QStringLiteral("StickGain"))->value(), 60 + axis);
            QCOMPARE(rig.child<QSpinBox>(key + QStringLiteral("HeadingHoldDelay"))->value(),
                     250 + axis);
            QCOMPARE(rig.child<QCheckBox>(key + QStringLiteral("RateReversed"))->isChecked(),
                     axis == 2);
            QCOMPARE(rig.child<QCheckBox>(key + QStringLiteral("HeadingReversed"))->isChecked(),
                     axis == 1);
        }
        const auto *rate = rig.child<QSpinBox>(QStringLiteral("pitchRateGain"));
        QCOMPARE(rate->minimum(), 0);
        QCOMPARE(rate->maximum(), 100);
        QCOMPARE(rate->suffix(), QStringLiteral(" %"));
        // The delay is the receiver's raw byte: the whole of it, and no unit it does not have.
        const auto *delay = rig.child<QSpinBox>(QStringLiteral("pitchHeadingHoldDelay"));
        QCOMPARE(delay->minimum(), 0);
        QCOMPARE(delay->maximum(), 255);
        QVERIFY(delay->suffix().isEmpty());
        QVERIFY(delay->toolTip().contains(QStringLiteral("0 to 255")));
    }

    // An edit changes exactly the setting it names: the model reads the new value, only that
    // setting's byte differs, and the byte carries the receiver's packing (the stick gain is
    // stored as 100 minus the percent except on 0xFE; a direction shares its byte with the gain).
    void editChangesOnlyItsSetting_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("control");
        QTest::addColumn<SettingType>("type");
        QTest::addColumn<int>("flightMode");
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("storedByte");

        QTest::newRow("rate gain pitch FM2")
            << kPlainVersion << "RateGain" << SettingType::RateGain << 1 << 1 << 65 << 65;
        QTest::newRow("heading gain yaw FM3")
            << kPlainVersion << "HeadingGain" << SettingType::HeadingGain << 2 << 2 << 12 << 12;
        QTest::newRow("stick gain 0xFF")
            << kPlainVersion << "StickGain" << SettingType::StickGain << 0 << 0 << 30 << 70;
        QTest::newRow("stick gain 0xFE")
            << kKovaVersion << "StickGain" << SettingType::StickGain << 0 << 0 << 30 << 30;
        QTest::newRow("stick gain 0xFE FM3 yaw")
            << kKovaVersion << "StickGain" << SettingType::StickGain << 2 << 2 << 0 << 0;
        QTest::newRow("heading hold delay roll FM2")
            << kPlainVersion << "HeadingHoldDelay" << SettingType::HeadingHoldDelay << 1 << 0 << 255
            << 255;
        QTest::newRow("heading hold delay yaw FM3 0xFE")
            << kKovaVersion << "HeadingHoldDelay" << SettingType::HeadingHoldDelay << 2 << 2 << 7
            << 7;
        QTest::newRow("rate gain reversed roll FM1")
            << kPlainVersion << "RateReversed" << SettingType::RateGainNormal << 0 << 0 << 0
            << (0x80 | 50);
        QTest::newRow("heading reversed pitch FM3 0xFE")
            << kKovaVersion << "HeadingReversed" << SettingType::HeadingGainNormal << 2 << 1 << 0
            << (0x80 | 30);
    }
    void editChangesOnlyItsSetting()
    {
        QFETCH(int, version);
        QFETCH(QString, control);
        QFETCH(SettingType, type);
        QFETCH(int, flightMode);
        QFETCH(int, axis);
        QFETCH(int, value);
        QFETCH(int, storedByte);

        const auto model = makeReceiver(version);
        const PageRig rig(model, PageKind::GainPriority);
        chooseFlightMode(rig, flightMode);
        const QString name = kAxisKeys[axis] + control;
        const QByteArray before = imageOf(*model);
        if (auto *box = rig.child<QSpinBox>(name))
            box->setValue(value);
        else if (auto *check = rig.child<QCheckBox>(name))
            check->click(); // ticks the box: reversed, which the flag stores as 0
        else
            QFAIL(qPrintable(name));
        const QByteArray after = imageOf(*model);

        const int channel = kRollChannel + axis;
        const DeviceSetting setting = gainSetting(type, flightMode);
        const int offset = model->settingOffset(setting, channel);
        QCOMPARE(differingOffsets(before, after), QList<int>{offset});
        QCOMPARE(model->value(setting, channel), value);
        QCOMPARE(int(quint8(after.at(offset))), storedByte);
    }

    // A change made elsewhere (another page, undo, a sync) shows in the box of the shown
    // flight mode, and only there.
    void followsChangesFromElsewhere()
    {
        const auto model = makeReceiver(kKovaVersion);
        const PageRig rig(model, PageKind::GainPriority);
        auto *stick = rig.child<QSpinBox>(QStringLiteral("yawStickGain"));
        auto *reversed = rig.child<QCheckBox>(QStringLiteral("yawRateReversed"));

        model->setValue(gainSetting(SettingType::StickGain, 0), kRollChannel + 2, 45);
        QCOMPARE(stick->value(), 45);
        model->setValue(gainSetting(SettingType::RateGainNormal, 0), kRollChannel + 2, 0);
        QVERIFY(reversed->isChecked());

        model->setValue(gainSetting(SettingType::StickGain, 1), kRollChannel + 2, 80);
        QCOMPARE(stick->value(), 45);
        chooseFlightMode(rig, 1);
        QCOMPARE(stick->value(), 80);
        QVERIFY(!reversed->isChecked());

        auto *delay = rig.child<QSpinBox>(QStringLiteral("yawHeadingHoldDelay"));
        model->setValue(gainSetting(SettingType::HeadingHoldDelay, 1), kRollChannel + 2, 90);
        QCOMPARE(delay->value(), 90);

        model->resetToDefaults();
        QCOMPARE(stick->value(), 100);
        QCOMPARE(delay->value(), 0);
    }
};

ZX_REGISTER_TEST(GainPriorityPageTest);
#include "test_gainprioritypage.moc"
