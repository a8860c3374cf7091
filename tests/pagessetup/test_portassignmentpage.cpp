// The port assignment and failsafe page against a real receiver model.
#include "setuprig.h"
#include "testregistry.h"
#include "ui/pages/setup/portassignmentpage.h"

#include <QSpinBox>
#include <QStandardItemModel>
#include <QtTest>

using namespace setuptest;

namespace {

constexpr int kThrottle = 1;
constexpr int kAileron = 2;
constexpr int kRightAileron = 3;
constexpr int kLeftAileron = 4;
constexpr int kElevator = 9;
constexpr int kRudder = 12;

DeviceSetting output(int port)
{
    return makeSetting(SettingType::ServoOutput, 0, port);
}

DeviceSetting failsafe(int port)
{
    return makeSetting(SettingType::Failsafe, 0, port);
}

bool itemEnabled(const QComboBox *box, int value)
{
    const auto *items = qobject_cast<const QStandardItemModel *>(box->model());
    return items && items->item(box->findData(value))->isEnabled();
}

} // namespace

class PortAssignmentPageTest : public QObject
{
    Q_OBJECT

private slots:
    // One row per port: the throttle port and the receiver's surface outputs.
    void portsOfTheReceiver_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("ports");
        QTest::newRow("0xD9") << 0xD9 << 6;
        QTest::newRow("0xEE") << 0xEE << 7;
        QTest::newRow("0xDB") << 0xDB << 9;
    }
    void portsOfTheReceiver()
    {
        QFETCH(int, productCode);
        QFETCH(int, ports);
        Rig rig(kPlain, productCode);
        PortAssignmentPage page(rig.model, rig.context);
        QCOMPARE(page.portCount(), ports);
        QVERIFY(page.outputBox(ports) && !page.outputBox(ports + 1));
    }

    // A new receiver drives throttle, aileron, elevator and rudder from ports 1 to 4; ports
    // nothing drives have no failsafe, and that state cannot be chosen.
    void showsTheModelsPorts()
    {
        Rig rig;
        PortAssignmentPage page(rig.model, rig.context);
        const QList<int> outputs{kThrottle, kAileron, kElevator, kRudder, 0, 0};
        for (int port = 1; port <= page.portCount(); ++port) {
            QCOMPARE(page.outputBox(port)->currentData().toInt(), outputs.at(port - 1));
            const int expected =
                outputs.at(port - 1) ? PortFailsafe::kHold : PortFailsafe::kDoesNotApply;
            QCOMPARE(page.failsafeBox(port)->currentData().toInt(), expected);
            QCOMPARE(page.failsafeBox(port)->isEnabled(), expected != PortFailsafe::kDoesNotApply);
            QVERIFY(!itemEnabled(page.failsafeBox(port), PortFailsafe::kDoesNotApply));
        }
        QCOMPARE(itemTexts(page.outputBox(1)),
                 (QStringList{"Not assigned", "Throttle", "Aileron", "Elevator", "Rudder"}));
        QVERIFY(!page.bankAngleBox());
    }

    // Each edit stores exactly the byte of its port: the output byte, or the port's bit in
    // the failsafe bytes (port 9 is in the second one). A port given an output gets a
    // failsafe.
    void editsStoreOnlyTheirPort()
    {
        Rig rig(kPlain, 0xDB);
        PortAssignmentPage page(rig.model, rig.context);

        QByteArray before = rig.bytes();
        QVERIFY(choose(page.outputBox(9), kAileron));
        QCOMPARE(rig.model->value(output(9), 0), kAileron);
        QCOMPARE(changedOffsets(before, rig.bytes()),
                 QList<int>{rig.offsetOf(SettingType::ServoOutput, 9)});
        QVERIFY(page.failsafeBox(9)->isEnabled());
        QCOMPARE(page.failsafeBox(9)->currentData().toInt(), PortFailsafe::kHold);

        for (int port : {1, 9}) {
            before = rig.bytes();
            QVERIFY(choose(page.failsafeBox(port), PortFailsafe::kPreset));
            QCOMPARE(rig.model->value(failsafe(port), 0), PortFailsafe::kPreset);
            const int failsafeByte = rig.offsetOf(SettingType::Failsafe, port);
            QCOMPARE(changedOffsets(before, rig.bytes()), QList<int>{failsafeByte});
            QCOMPARE(rig.bytes().at(failsafeByte) ^ before.at(failsafeByte),
                     char(1 << ((port - 1) % 8)));
        }
        QCOMPARE(rig.model->value(failsafe(2), 0), PortFailsafe::kHold);

        before = rig.bytes();
        QVERIFY(choose(page.outputBox(9), 0));
        QCOMPARE(changedOffsets(before, rig.bytes()),
                 QList<int>{rig.offsetOf(SettingType::ServoOutput, 9)});
        QCOMPARE(page.failsafeBox(9)->currentData().toInt(), PortFailsafe::kDoesNotApply);
        QVERIFY(!page.failsafeBox(9)->isEnabled());
    }

    // The choices follow the surfaces and mixes the model has now, and every port shows
    // changes made elsewhere.
    void followsTheModel()
    {
        Rig rig;
        PortAssignmentPage page(rig.model, rig.context);
        rig.model->setWingType(DeviceModel::WingTypeDualAileron);
        QCOMPARE(page.outputBox(2)->currentData().toInt(), kRightAileron);
        QCOMPARE(page.outputBox(6)->currentData().toInt(), kLeftAileron);
        QStringList texts = itemTexts(page.outputBox(1));
        QVERIFY(texts.contains("R Aileron") && texts.contains("L Aileron"));
        QVERIFY(!texts.contains("Aileron"));

        int first = -1;
        int second = -1;
        QCOMPARE(rig.model->addMix(first), AirplaneRx::AddMixResult::Added);
        QCOMPARE(rig.model->addMix(second), AirplaneRx::AddMixResult::Added);
        texts = itemTexts(page.outputBox(5));
        QCOMPARE(texts.mid(texts.size() - 2),
                 (QStringList{QStringLiteral("Mix: %1").arg(rig.model->mixNames().value(first)),
                              QStringLiteral("Mix: %1").arg(rig.model->mixNames().value(second))}));

        rig.model->setValue(output(5), 0, AirplaneRx::kFirstMixChannel + second);
        QCOMPARE(page.outputBox(5)->currentData().toInt(), AirplaneRx::kFirstMixChannel + second);
        rig.model->setValue(output(5), 0, AirplaneRx::kFirstMixChannel + first);
        QCOMPARE(page.outputBox(5)->currentData().toInt(), AirplaneRx::kFirstMixChannel + first);
        rig.model->setValue(failsafe(2), 0, PortFailsafe::kPreset);
        QCOMPARE(page.failsafeBox(2)->currentData().toInt(), PortFailsafe::kPreset);
    }

    // The receiver with envelope protection holds a bank and a pitch angle on signal loss;
    // each box stores only its own angle, in degrees either side of level.
    void envelopeReceiverHoldsAnAttitude()
    {
        Rig rig(kEnvelope);
        PortAssignmentPage page(rig.model, rig.context);
        const DeviceSetting loiter = makeSetting(SettingType::FailsafeLoiter);
        const struct
        {
            QSpinBox *box;
            int channel;
        } angles[] = {{page.bankAngleBox(), AirplaneRx::kRollChannel},
                      {page.pitchAngleBox(), AirplaneRx::kPitchChannel}};
        for (const auto &[box, channel] : angles) {
            QVERIFY(box);
            QCOMPARE(box->minimum(), -PortAssignmentPage::kMaximumLoiterAngle);
            QCOMPARE(box->maximum(), PortAssignmentPage::kMaximumLoiterAngle);
            QCOMPARE(box->value(), rig.model->value(loiter, channel));

            const QByteArray before = rig.bytes();
            box->setValue(-20);
            QCOMPARE(rig.model->value(loiter, channel), -20);
            QCOMPARE(changedOffsets(before, rig.bytes()),
                     QList<int>{rig.model->settingOffset(loiter, channel)});

            rig.model->setValue(loiter, channel, 15);
            QCOMPARE(box->value(), 15);
        }
        QVERIFY(rig.model->settingOffset(loiter, AirplaneRx::kRollChannel) !=
                rig.model->settingOffset(loiter, AirplaneRx::kPitchChannel));
    }
};

ZX_REGISTER_TEST(PortAssignmentPageTest);
#include "test_portassignmentpage.moc"
