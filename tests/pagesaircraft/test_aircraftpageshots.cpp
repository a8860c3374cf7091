// Screenshots of the aircraft pages for a person to look at: with ZX_PAGE_SHOTS set, each page
// is grabbed at 1000x700 into /tmp/pages-aircraft/.
#include "aircraftrig.h"
#include "models/classes/airplanerxsettings.h"
#include "models/classes/transmittermodel.h"
#include "testregistry.h"
#include "ui/pages/aircraft/aircrafttypepage.h"
#include "ui/pages/aircraft/surfacesetuppage.h"
#include "ui/widgets/picture.h"

#include <QComboBox>
#include <QDir>

using namespace aircrafttest;

namespace {

using WT = DeviceModel::WingType;
using TT = DeviceModel::TailType;

const QString kShotFolder = QStringLiteral("/tmp/pages-aircraft");
constexpr QSize kShotSize(1000, 700);

bool saveShot(QWidget &page, const QString &name)
{
    page.resize(kShotSize);
    page.show();
    QCoreApplication::processEvents();
    return page.grab().save(kShotFolder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace

class AircraftPageShots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("ZX_PAGE_SHOTS"))
            QSKIP("set ZX_PAGE_SHOTS to write the screenshots");
        setPictureFolder(QStringLiteral(ZX_PICTURE_DIR));
        QVERIFY(QDir().mkpath(kShotFolder));
    }
    void cleanupTestCase() { setPictureFolder({}); }

    void aircraftTypePages_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("tail");
        QTest::newRow("aircraft-type-normal")
            << kSmallReceiver << int(WT::WingTypeNormal) << int(TT::TailTypeNormal);
        QTest::newRow("aircraft-type-dual-aileron-vtail")
            << kLargeReceiver << int(WT::WingTypeDualAileron) << int(TT::TailTypeVTail);
        QTest::newRow("aircraft-type-1a1f-dual-elevator")
            << kLargeReceiver << int(WT::WingTypeOneAileronOneFlap)
            << int(TT::TailTypeDualElevator);
        QTest::newRow("aircraft-type-2a2f-dual-rudder-elevator")
            << kLargeReceiver << int(WT::WingTypeTwoAileronsTwoFlaps)
            << int(TT::TailTypeDualRudderAndElevator);
        QTest::newRow("aircraft-type-four-ailerons-dual-rudder")
            << kLargeReceiver << int(WT::WingTypeFourAilerons) << int(TT::TailTypeDualRudder);
        QTest::newRow("aircraft-type-flaperon-sailplane")
            << kLargeReceiver << int(WT::WingTypeFlaperon) << int(TT::TailTypeSailplaneWing);
        QTest::newRow("aircraft-type-flying-wing-winglets")
            << kLargeReceiver << int(WT::WingTypeElevon) << int(TT::TailTypeElevonDualRudder);
        QTest::newRow("aircraft-type-flying-wing-rudder")
            << kLargeReceiver << int(WT::WingTypeElevon) << int(TT::TailTypeElevonRudder);
    }
    void aircraftTypePages()
    {
        QFETCH(int, productCode);
        QFETCH(int, wing);
        QFETCH(int, tail);
        const TooltipTable tooltips = shippedTooltips();
        const auto model = receiver(productCode);
        model->setWingType(WT(wing));
        model->setTailType(TT(tail));
        AircraftTypePage page(model, *model, &tooltips);
        QVERIFY(saveShot(page, QString::fromLatin1(QTest::currentDataTag())));
    }

    void transmitterAircraftTypePage()
    {
        const auto model = std::make_shared<TransmitterModel>(0xEF, 1);
        model->setWingType(WT::WingTypeElevonA);
        AircraftTypePage page(model, *model, nullptr);
        QVERIFY(saveShot(page, QStringLiteral("aircraft-type-transmitter")));
        model->setAircraftType(AircraftType::Helicopter);
        QVERIFY(saveShot(page, QStringLiteral("aircraft-type-transmitter-helicopter")));
    }

    void confirmation()
    {
        const auto model = receiver();
        AircraftTypePage page(model, *model, nullptr);
        page.resize(kShotSize);
        page.show();
        QVERIFY(choose(page.findChild<QComboBox *>(QStringLiteral("wingTypeBox")),
                       WT::WingTypeDualAileron));
        QMessageBox *question = page.pendingConfirmation();
        QVERIFY(question);
        QCoreApplication::processEvents();
        QVERIFY(question->grab().save(kShotFolder + QStringLiteral("/aircraft-type-confirm.png")));
        QVERIFY(press(question, QMessageBox::RejectRole));
    }

    void surfacePages_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("tail");
        QTest::addColumn<bool>("withHelp");
        QTest::newRow("surface-setup-normal")
            << kSmallReceiver << int(WT::WingTypeNormal) << int(TT::TailTypeNormal) << true;
        QTest::newRow("surface-setup-four-ailerons")
            << kLargeReceiver << int(WT::WingTypeFourAilerons)
            << int(TT::TailTypeDualRudderAndElevator) << true;
        QTest::newRow("surface-setup-wizard")
            << kSmallReceiver << int(WT::WingTypeDualAileron) << int(TT::TailTypeVTail) << false;
    }
    void surfacePages()
    {
        QFETCH(int, productCode);
        QFETCH(int, wing);
        QFETCH(int, tail);
        QFETCH(bool, withHelp);
        const TooltipTable tooltips = shippedTooltips();
        const auto model = receiver(productCode);
        model->setWingType(WT(wing));
        model->setTailType(TT(tail));
        model->setValue(AirplaneRx::makeSetting(AirplaneRx::SettingType::BalanceY, 0, 0, 2), 2,
                        110);
        SurfaceSetupPage page(model, withHelp ? &tooltips : nullptr);
        QVERIFY(saveShot(page, QString::fromLatin1(QTest::currentDataTag())));
    }
};

ZX_REGISTER_TEST(AircraftPageShots);
#include "test_aircraftpageshots.moc"
