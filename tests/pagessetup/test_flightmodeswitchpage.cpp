// The flight-mode switch page against a real receiver model.
#include "setuprig.h"
#include "testregistry.h"
#include "ui/pages/setup/flightmodeswitchpage.h"

#include <QCheckBox>
#include <QLabel>
#include <QtTest>

using namespace setuptest;

namespace {

const DeviceSetting kSwitch = makeSetting(SettingType::FlightModeSwitch);
const DeviceSetting kLimitedModesDisabled =
    makeSetting(SettingType::KovaLimitedFlightModesDisabled);
constexpr int kGear = 19;
constexpr int kAux1 = 20;
constexpr int kAux6 = 25;

} // namespace

class FlightModeSwitchPageTest : public QObject
{
    Q_OBJECT

private slots:
    // The switch can sit on any channel the transmitter has from Gear on, up to Aux 10; a
    // stored channel the transmitter lacks is still named.
    void choicesFollowTheTransmitter_data()
    {
        QTest::addColumn<int>("transmitterChannels");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("last");
        QTest::newRow("9 channels") << 9 << 0 << 6 << "Channel 9 (Aux 4)";
        QTest::newRow("5 channels") << 5 << kGear << 2 << "Channel 5 (Gear)";
        QTest::newRow("24 channels") << 24 << 0 << 12 << "Channel 15 (Aux 10)";
        QTest::newRow("stored beyond") << 9 << kAux6 << 7 << "Channel 11 (Aux 6)";
        QTest::newRow("stored unknown") << 9 << 77 << 7 << "Unknown (77)";
    }
    void choicesFollowTheTransmitter()
    {
        QFETCH(int, transmitterChannels);
        QFETCH(int, current);
        QFETCH(int, count);
        QFETCH(QString, last);
        const ChoiceItems items = FlightModeSwitch::choices(transmitterChannels, current);
        QCOMPARE(items.size(), count);
        QCOMPARE(items.first(), std::make_pair(QStringLiteral("None"), 0));
        QCOMPARE(items.last().first, last);
    }

    // Choosing a channel stores exactly the flight-mode switch byte.
    void choosingAChannelStoresOnlyTheSwitch()
    {
        Rig rig;
        FlightModeSwitchPage page(rig.model, rig.context);
        QCOMPARE(page.switchBox()->currentData().toInt(), FlightModeSwitch::kNone);
        QCOMPARE(page.switchBox()->count(), 6);
        QCOMPARE(page.findChild<QLabel *>(QStringLiteral("flightModeCount"))->text(),
                 QStringLiteral("3"));
        QVERIFY(!page.limitedModesBox());

        const QByteArray before = rig.bytes();
        QVERIFY(choose(page.switchBox(), kAux1));
        QCOMPARE(rig.model->value(kSwitch, 0), kAux1);
        QCOMPARE(changedOffsets(before, rig.bytes()),
                 QList<int>{rig.offsetOf(SettingType::FlightModeSwitch)});
        QCOMPARE(page.switchBox()->currentText(), QStringLiteral("Channel 6 (Aux 1)"));
    }

    // A change made elsewhere shows, and so does a transmitter with other channels; a
    // switch on a channel the transmitter does not have is pointed out.
    void followsTheModelAndTheTransmitter()
    {
        Rig rig;
        FlightModeSwitchPage page(rig.model, rig.context);
        page.show();
        QLabel *note = page.note();
        QVERIFY(!note->isVisible());

        rig.model->setValue(kSwitch, 0, kAux6);
        QCOMPARE(page.switchBox()->currentText(), QStringLiteral("Channel 11 (Aux 6)"));
        QVERIFY(note->isVisible());
        QVERIFY(note->text().contains(QStringLiteral("9 channels")));

        rig.model->setTransmitterChannels(12);
        page.refresh(); // the page is refreshed when shown again
        QCOMPARE(page.switchBox()->count(), 9);
        QCOMPARE(page.switchBox()->currentText(), QStringLiteral("Channel 11 (Aux 6)"));
        QVERIFY(!note->isVisible());
    }

    // The receiver with envelope protection also chooses whether its limited flight modes
    // are offered (stored as "disabled"), and nothing else changes with it.
    void envelopeReceiverOffersLimitedModes()
    {
        Rig rig(kEnvelope);
        FlightModeSwitchPage page(rig.model, rig.context);
        QCheckBox *box = page.limitedModesBox();
        QVERIFY(box);
        QCOMPARE(box->isChecked(), rig.model->value(kLimitedModesDisabled, 0) == 0);

        const QByteArray before = rig.bytes();
        box->click();
        QCOMPARE(rig.model->value(kLimitedModesDisabled, 0), box->isChecked() ? 0 : 1);
        QCOMPARE(changedOffsets(before, rig.bytes()),
                 QList<int>{rig.offsetOf(SettingType::KovaLimitedFlightModesDisabled)});

        rig.model->setValue(kLimitedModesDisabled, 0, box->isChecked() ? 1 : 0);
        QCOMPARE(box->isChecked(), rig.model->value(kLimitedModesDisabled, 0) == 0);
    }
};

ZX_REGISTER_TEST(FlightModeSwitchPageTest);
#include "test_flightmodeswitchpage.moc"
