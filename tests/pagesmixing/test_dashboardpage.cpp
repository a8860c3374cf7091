// The dashboard: the model, its receiver and the settings that shape the aircraft, always
// current.
#include "../sync/syncrig.h"
#include "pagesrig.h"
#include "testregistry.h"
#include "ui/pages/mixing/dashboardpage.h"
#include "ui/widgets/helpindicator.h"
#include "ui/widgets/picture.h"

#include <QLabel>
#include <QTest>

using namespace pagestest;
using AirplaneRx::SettingType;

namespace {

QString shown(const QWidget &page, const char *name)
{
    const auto *label = page.findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

QColor pictureCentre(const QWidget &page)
{
    const auto *label = page.findChild<QLabel *>(QStringLiteral("modelPicture"));
    const QImage image = label->pixmap(Qt::ReturnByValue).toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

QImage filled(Qt::GlobalColor colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A serial number whose product letter names `serialCode` (byte 8 of the 18 bytes its last
// 24 characters encode).
QString serialNaming(char serialCode)
{
    QByteArray data(18, '\x01');
    data[8] = serialCode;
    return QStringLiteral("ZX0001") + QString::fromLatin1(data.toBase64());
}

const QString kNotLinked =
    QStringLiteral("Not linked to a receiver: your changes are kept on this computer.");
const QString kInStep = QStringLiteral("In step with the connected receiver.");
const QString kSaving = QStringLiteral("Saving your latest changes on the receiver...");

} // namespace

class DashboardPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setPictureFolder(QStringLiteral(ZX_PICTURE_DIR)); }
    void cleanupTestCase() { setPictureFolder({}); }

    void showsTheModelAtAGlance()
    {
        const auto model = newReceiver();
        model->info().setName(QStringLiteral("Cub"));
        model->info().setSerialNumber(QStringLiteral("ABCDEFGHIJKLM"));
        model->info().setImage(filled(Qt::red));
        DashboardPage page(model, nullptr, nullptr, nullptr);

        QVERIFY(page.showBackground());
        QVERIFY(page.showLogo());
        QCOMPARE(shown(page, "modelName"), QStringLiteral("Cub"));
        QCOMPARE(pictureCentre(page), QColor(Qt::red));
        QCOMPARE(shown(page, "deviceName"), QStringLiteral("ZR-217 Receiver"));
        QCOMPARE(shown(page, "serialNumber"), QStringLiteral("Serial number: ABCDEFGHI-JKLM"));
        QCOMPARE(shown(page, "connectionState"), QStringLiteral("No Device Connected"));
        QCOMPARE(shown(page, "syncState"), kNotLinked);
        QCOMPARE(shown(page, "aircraftType"), QStringLiteral("Airplane"));
        QCOMPARE(shown(page, "wingType"), QStringLiteral("Normal"));
        QCOMPARE(shown(page, "tailType"), QStringLiteral("Normal"));
        QCOMPARE(shown(page, "flightModeCount"), QStringLiteral("3"));
        QCOMPARE(shown(page, "flightModeSwitch"), QStringLiteral("None"));
        QCOMPARE(shown(page, "mixesInUse"), QStringLiteral("None"));

        // A model never synced has no serial number to show, and no picture of its own.
        const auto fresh = newReceiver(kEnvelopeVersion);
        fresh->info().setImage(QImage());
        DashboardPage freshPage(fresh, nullptr, nullptr, nullptr);
        QCOMPARE(shown(freshPage, "serialNumber"),
                 QStringLiteral("Serial number: none yet, the model was never synced"));
        QVERIFY(pictureCentre(freshPage).isValid());
    }

    // Every change of the model or its info shows without the page being rebuilt.
    void followsEveryChange()
    {
        const auto model = newReceiver();
        DashboardPage page(model, nullptr, nullptr, nullptr);

        model->info().setName(QStringLiteral("Stik"));
        QCOMPARE(shown(page, "modelName"), QStringLiteral("Stik"));
        model->info().setImage(filled(Qt::blue));
        QCOMPARE(pictureCentre(page), QColor(Qt::blue));
        model->info().setSerialNumber(QStringLiteral("XYZ123456"));
        QCOMPARE(shown(page, "serialNumber"), QStringLiteral("Serial number: XYZ123456"));

        model->setWingType(DeviceModel::WingTypeDualAileron);
        QCOMPARE(shown(page, "wingType"), QStringLiteral("Dual Aileron"));
        model->setTailType(DeviceModel::TailTypeVTail);
        QCOMPARE(shown(page, "tailType"), QStringLiteral("V-Tail"));
        QCOMPARE(shown(page, "wingType"), QStringLiteral("Dual Aileron"));

        int first = -1;
        int second = -1;
        QCOMPARE(model->addMix(first), AirplaneRx::AddMixResult::Added);
        QCOMPARE(shown(page, "mixesInUse"), QStringLiteral("Mix 1"));
        model->setMixName(first, QStringLiteral("Crow"));
        QCOMPARE(model->addMix(second), AirplaneRx::AddMixResult::Added);
        QCOMPARE(shown(page, "mixesInUse"), QStringLiteral("Crow, Mix 1"));

        model->setValue(AirplaneRx::makeSetting(SettingType::FlightModeSwitch), 0, 20);
        QCOMPARE(shown(page, "flightModeSwitch"), QStringLiteral("Aux 1"));
        model->setValue(AirplaneRx::makeSetting(SettingType::FlightModeSwitch), 0, 40);
        QCOMPARE(shown(page, "flightModeSwitch"), QStringLiteral("Code 40"));

        model->resetToDefaults();
        QCOMPARE(shown(page, "wingType"), QStringLiteral("Normal"));
        QCOMPARE(shown(page, "mixesInUse"), QStringLiteral("None"));
        QCOMPARE(shown(page, "flightModeSwitch"), QStringLiteral("None"));
    }

    // A product code the catalog does not list leaves the serial number to name the device.
    void namesTheDeviceBySerialNumber_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("expected");
        QTest::newRow("serial names a receiver")
            << serialNaming('\x19') << QStringLiteral("ZR-219 Receiver");
        QTest::newRow("serial names nothing")
            << QStringLiteral("short") << QStringLiteral("Unknown receiver (product code 1)");
    }
    void namesTheDeviceBySerialNumber()
    {
        QFETCH(QString, serial);
        QFETCH(QString, expected);
        const auto model = std::make_shared<AirplaneRxModel>(1, kPlainVersion);
        model->info().setSerialNumber(serial);
        DashboardPage page(model, nullptr, nullptr, nullptr);
        QCOMPARE(shown(page, "deviceName"), expected);
    }

    // The connection line follows the link and the device manager; the sync line follows the
    // model's link with the device and its pending flash commit until the commit is made.
    void followsTheConnectionAndTheSync()
    {
        synctest::SyncRig rig;
        const devsim::DeviceProfile profile = devsim::profiles::airplaneReceiver();
        const auto model = std::dynamic_pointer_cast<AirplaneRxModel>(
            rig.newModel(QStringLiteral("Cub"), {}, profile.productCode, profile.parameterVersion));
        QVERIFY(model);
        const TooltipTable tooltips = shippedTooltips();
        DashboardPage page(model, rig.manager.get(), rig.connection.get(), &tooltips);
        const auto *help = page.findChild<HelpIndicator *>();
        QVERIFY(help && !help->helpText().isEmpty());
        QCOMPARE(shown(page, "connectionState"), QStringLiteral("No Device Connected"));

        QVERIFY(rig.identify());
        QCOMPARE(shown(page, "connectionState"),
                 rig.connection->statusText() + QStringLiteral(": ZR-217 Receiver"));
        QCOMPARE(shown(page, "syncState"), kNotLinked);

        bool attached = false;
        model->memory().setSyncConnectionAsync(
            rig.connection.get(), rig.manager->targetSections(),
            InitialSyncDirection::ComputerToDevice, {}, [&](DeviceConnectionError error) {
                attached = error == DeviceConnectionError::NoError;
            });
        QVERIFY(QTest::qWaitFor([&] { return attached; }, synctest::kWaitMs));
        QVERIFY(QTest::qWaitFor([&] { return shown(page, "syncState") == kInStep; },
                                synctest::kWaitMs));

        model->memory().setFlashCommitDelayMs(100);
        model->setValue(AirplaneRx::makeSetting(SettingType::FlightModeSwitch), 0, 21);
        QCOMPARE(shown(page, "syncState"), kSaving);
        // Nothing announces the commit; the page must notice it by itself.
        QVERIFY(QTest::qWaitFor([&] { return shown(page, "syncState") == kInStep; },
                                synctest::kWaitMs));

        rig.connection->close();
        QCOMPARE(shown(page, "connectionState"), QStringLiteral("No Device Connected"));
        QVERIFY(QTest::qWaitFor([&] { return shown(page, "syncState") != kInStep; },
                                synctest::kWaitMs));
        QVERIFY(shown(page, "syncState").startsWith(QStringLiteral("Not linked")));
    }
};

ZX_REGISTER_TEST(DashboardPageTest);
#include "test_dashboardpage.moc"
