#include "models/classes/airplanerxsettings.h"
#include "models/classes/imagefields.h"
#include "models/classes/transmittermodel.h"
#include "ratesrig.h"
#include "testregistry.h"
#include "ui/pages/rates/dualrateexpopage.h"
#include "ui/pages/rates/ratecurveplot.h"

#include <QComboBox>
#include <QSpinBox>
#include <QtTest>

#include <array>

using AirplaneRx::SettingType;

Q_DECLARE_METATYPE(PageMode)
Q_DECLARE_METATYPE(SettingType)

namespace {

constexpr std::array kChannels{SettingOnlyChannel::Roll, SettingOnlyChannel::Pitch,
                               SettingOnlyChannel::Yaw};
const std::array<QString, 3> kAxisKeys{QStringLiteral("roll"), QStringLiteral("pitch"),
                                       QStringLiteral("yaw")};

// Distinct positive values per axis and side, so that a swapped axis or side shows.
void setDistinctRates(DualRateExpoSettings &rates, int flightMode, int base)
{
    for (int axis = 0; axis < 3; ++axis) {
        const int value = base + 10 * axis;
        rates.setExpoPositive(kChannels[axis], flightMode, value + 1);
        rates.setExpoNegative(kChannels[axis], flightMode, value + 2);
        rates.setDualRatePositive(kChannels[axis], flightMode, value + 51);
        rates.setDualRateNegative(kChannels[axis], flightMode, value + 52);
    }
}

// The curve as the model holds it, the exponentials read as the signed bytes they are.
RateCurve storedCurve(const DualRateExpoSettings &rates, SettingOnlyChannel channel, int flightMode)
{
    return {qint8(rates.expoPositive(channel, flightMode)),
            qint8(rates.expoNegative(channel, flightMode)),
            rates.dualRatePositive(channel, flightMode),
            rates.dualRateNegative(channel, flightMode)};
}

// The location of `model`.`cp`.`flightMode`.`switch_a` of a transmitter.
FieldLocation flightModeSwitchField(const TransmitterModel &model)
{
    FieldLocation cp{0, &model.memory().section(0).schema};
    cp = cp.locate("model").locate("cp");
    return locateElement(cp, QStringLiteral("flightMode")).locate(QStringLiteral("switch_a"));
}

} // namespace

class DualRateExpoPageTest : public QObject
{
    Q_OBJECT

private slots:
    // Each side's box shows the model's value of the shown flight mode, with the range the
    // model reports for the page's mode; the plot shows the curve both settings give.
    void showsValuesInTheModelsRange_data()
    {
        QTest::addColumn<PageMode>("mode");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("plotLimit");

        QTest::newRow("exponential 0xFF")
            << PageMode::Exponential << kPlainVersion << -100 << 100 << 125;
        QTest::newRow("exponential 0xFE")
            << PageMode::Exponential << kKovaVersion << 0 << 100 << 100;
        QTest::newRow("dual rate 0xFF") << PageMode::DualRate << kPlainVersion << 0 << 125 << 125;
        QTest::newRow("dual rate 0xFE") << PageMode::DualRate << kKovaVersion << 0 << 100 << 100;
    }
    void showsValuesInTheModelsRange()
    {
        QFETCH(PageMode, mode);
        QFETCH(int, version);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, plotLimit);

        const auto model = makeReceiver(version);
        setDistinctRates(*model, 0, 10);
        setDistinctRates(*model, 2, 20);
        const PageRig rig(model, PageKind::DualRateExpo, mode);
        auto *page = qobject_cast<DualRateExpoPage *>(rig.page.get());
        QVERIFY(page);
        QCOMPARE(page->mode(), mode);
        const auto *selector = rig.child<QComboBox>(QStringLiteral("flightModeSelector"));
        QCOMPARE(selector->count(), 3);
        QCOMPARE(selector->itemText(2), QStringLiteral("Flight Mode 3"));

        for (int flightMode : {0, 2}) {
            chooseFlightMode(rig, flightMode);
            QCOMPARE(page->flightMode(), flightMode);
            for (int axis = 0; axis < 3; ++axis) {
                const SettingOnlyChannel channel = kChannels[axis];
                auto *positive = rig.child<QSpinBox>(kAxisKeys[axis] + QStringLiteral("Positive"));
                auto *negative = rig.child<QSpinBox>(kAxisKeys[axis] + QStringLiteral("Negative"));
                QVERIFY(positive && negative);
                QCOMPARE(positive->minimum(), minimum);
                QCOMPARE(positive->maximum(), maximum);
                QCOMPARE(negative->maximum(), maximum);
                QCOMPARE(positive->suffix(), QStringLiteral(" %"));
                const RateCurve stored = storedCurve(*model, channel, flightMode);
                QCOMPARE(positive->value(), mode == PageMode::DualRate ? stored.dualRatePositive
                                                                       : stored.expoPositive);
                QCOMPARE(negative->value(), mode == PageMode::DualRate ? stored.dualRateNegative
                                                                       : stored.expoNegative);
                auto *plot = rig.child<RateCurvePlot>(kAxisKeys[axis] + QStringLiteral("Curve"));
                QCOMPARE(plot->curve(), stored);
                QCOMPARE(plot->outputLimitPercent(), plotLimit);
            }
        }
    }

    // An edit in a box changes that one value of that flight mode and axis: only its byte of
    // the image differs afterwards, and the plot follows.
    void editChangesOnlyItsValue_data()
    {
        QTest::addColumn<PageMode>("mode");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("axis");
        QTest::addColumn<QString>("side");
        QTest::addColumn<int>("flightMode");
        QTest::addColumn<int>("value");
        QTest::addColumn<SettingType>("type");

        QTest::newRow("expo roll positive FM1") << PageMode::Exponential << kPlainVersion << 0
                                                << "Positive" << 0 << 35 << SettingType::ExpoPos;
        QTest::newRow("expo yaw negative FM3, sharper")
            << PageMode::Exponential << kPlainVersion << 2 << "Negative" << 2 << -40
            << SettingType::ExpoNeg;
        QTest::newRow("expo pitch positive FM2 0xFE")
            << PageMode::Exponential << kKovaVersion << 1 << "Positive" << 1 << 70
            << SettingType::ExpoPos;
        QTest::newRow("dual rate pitch negative FM2 above 100")
            << PageMode::DualRate << kPlainVersion << 1 << "Negative" << 1 << 120
            << SettingType::DualRateNeg;
        QTest::newRow("dual rate roll positive FM3 0xFE")
            << PageMode::DualRate << kKovaVersion << 0 << "Positive" << 2 << 55
            << SettingType::DualRatePos;
    }
    void editChangesOnlyItsValue()
    {
        QFETCH(PageMode, mode);
        QFETCH(int, version);
        QFETCH(int, axis);
        QFETCH(QString, side);
        QFETCH(int, flightMode);
        QFETCH(int, value);
        QFETCH(SettingType, type);

        const auto model = makeReceiver(version);
        const PageRig rig(model, PageKind::DualRateExpo, mode);
        chooseFlightMode(rig, flightMode);
        auto *box = rig.child<QSpinBox>(kAxisKeys[axis] + side);
        QVERIFY(box);

        const QByteArray before = imageOf(*model);
        box->setValue(value);
        const QByteArray after = imageOf(*model);
        const int channel = int(kChannels[axis]);
        const int offset =
            model->settingOffset(AirplaneRx::makeSetting(type, flightMode + 1), channel);
        QCOMPARE(differingOffsets(before, after), QList<int>{offset});
        QCOMPARE(int(qint8(after.at(offset))), value);

        const RateCurve stored = storedCurve(*model, kChannels[axis], flightMode);
        const bool positive = side == QLatin1String("Positive");
        const int read = mode == PageMode::DualRate
                             ? (positive ? stored.dualRatePositive : stored.dualRateNegative)
                             : (positive ? stored.expoPositive : stored.expoNegative);
        QCOMPARE(read, value);
        QCOMPARE(rig.child<RateCurvePlot>(kAxisKeys[axis] + QStringLiteral("Curve"))->curve(),
                 stored);
    }

    // A change made elsewhere shows at once: in the box of the shown flight mode, in the plot
    // (also for the setting the page does not edit), and after a reset.
    void followsChangesFromElsewhere()
    {
        const auto model = makeReceiver(kPlainVersion);
        const PageRig rig(model, PageKind::DualRateExpo, PageMode::Exponential);
        auto *pitch = rig.child<QSpinBox>(QStringLiteral("pitchPositive"));
        auto *plot = rig.child<RateCurvePlot>(QStringLiteral("pitchCurve"));

        model->setExpoPositive(SettingOnlyChannel::Pitch, 0, 45);
        QCOMPARE(pitch->value(), 45);
        model->setDualRatePositive(SettingOnlyChannel::Pitch, 0, 90);
        QCOMPARE(plot->curve(), (RateCurve{45, 0, 90, 100}));

        model->setExpoPositive(SettingOnlyChannel::Pitch, 1, 25);
        QCOMPARE(pitch->value(), 45);
        chooseFlightMode(rig, 1);
        QCOMPARE(pitch->value(), 25);
        QCOMPARE(plot->curve(), (RateCurve{25, 0, 100, 100}));

        model->resetToDefaults();
        QCOMPARE(pitch->value(), 0);
        QCOMPARE(plot->curve(), RateCurve{});
    }

    // The airplane receiver has no rate switch, so the page offers none; a transmitter's
    // switch can be chosen and follows changes made elsewhere.
    void rateSwitchWhereTheModelHasOne()
    {
        const PageRig receiver(makeReceiver(kPlainVersion), PageKind::DualRateExpo,
                               PageMode::DualRate);
        QVERIFY(receiver.child<QComboBox>(QStringLiteral("rateSwitchSelector"))->isHidden());

        const auto transmitter =
            std::make_shared<TransmitterModel>(TransmitterModel::kTransmitterProductCode, 1);
        const PageRig rig(transmitter, PageKind::DualRateExpo, PageMode::DualRate);
        QVERIFY(qobject_cast<DualRateExpoPage *>(rig.page.get()));
        auto *selector = rig.child<QComboBox>(QStringLiteral("rateSwitchSelector"));
        QVERIFY(!selector->isHidden());
        QCOMPARE(selector->currentData().toInt(), transmitter->rateSwitch());

        const int rateIndex = selector->findData(int(TransmitterSwitchFunction::Rate));
        QVERIFY(rateIndex > 0);
        QTest::keyClick(selector, Qt::Key_Home);
        for (int i = 0; i < rateIndex; ++i)
            QTest::keyClick(selector, Qt::Key_Down);
        QCOMPARE(transmitter->rateSwitch(), int(TransmitterSwitchFunction::Rate));
        QCOMPARE(transmitter->rateSwitchName(), QStringLiteral("Rate Switch"));

        transmitter->setRateSwitch(int(TransmitterSwitchFunction::Aux));
        QCOMPARE(selector->currentData().toInt(), int(TransmitterSwitchFunction::Aux));
    }

    // When the model's flight modes change (a transmitter's flight-mode switch), the selector
    // lists the new ones and a choice that no longer exists falls back to the first.
    void flightModesFollowTheModel()
    {
        const auto transmitter =
            std::make_shared<TransmitterModel>(TransmitterModel::kTransmitterProductCode, 1);
        const auto setSwitch = [&](int rawCode) {
            QByteArray bytes = transmitter->memory().modelData(0);
            QVERIFY(writeFieldBits(bytes, flightModeSwitchField(*transmitter), rawCode));
            transmitter->memory().setModelData(0, bytes);
            emit transmitter->settingsChanged();
        };
        const PageRig rig(transmitter, PageKind::DualRateExpo, PageMode::Exponential);
        auto *selector = rig.child<QComboBox>(QStringLiteral("flightModeSelector"));
        const auto names = [&] {
            QStringList list;
            for (int i = 0; i < selector->count(); ++i)
                list.append(selector->itemText(i));
            return list;
        };
        const auto modelNames = [&] {
            QStringList list;
            for (int i = 0; i < transmitter->flightModeCount(); ++i)
                list.append(transmitter->flightModeName(i));
            return list;
        };

        setSwitch(83); // the three-position flight-mode switch
        QCOMPARE(transmitter->flightModeCount(), 3);
        QCOMPARE(names(), modelNames());
        transmitter->setExpoPositive(SettingOnlyChannel::Roll, 0, 15);
        transmitter->setExpoPositive(SettingOnlyChannel::Roll, 2, 35);
        chooseFlightMode(rig, 2);
        auto *roll = rig.child<QSpinBox>(QStringLiteral("rollPositive"));
        QCOMPARE(roll->value(), 35);

        setSwitch(107); // always on: one position
        QCOMPARE(transmitter->flightModeCount(), 1);
        QCOMPARE(names(), modelNames());
        QCOMPARE(selector->currentIndex(), 0);
        QCOMPARE(roll->value(), 15);
        QVERIFY(!selector->isEnabled());
    }
};

ZX_REGISTER_TEST(DualRateExpoPageTest);
#include "test_dualrateexpopage.moc"
