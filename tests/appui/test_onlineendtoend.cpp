#include "app/shell/mainwindowcontroller.h"
#include "app/ui/mainwindow.h"
#include "devicestate/devicemanager.h"
#include "online/credentials.h"
#include "online/siteconfig.h"
#include "online/ui/deviceupdatewidget.h"
#include "online/ui/updatepage.h"
#include "online/versions.h"
#include "programrig.h"
#include "testregistry.h"
#include "testservice/testservice.h"
#include "ui/navigation/navigationpane.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include <functional>

using namespace appuitest;

namespace {

// Answers the first modal window with this object name or title from inside its own event
// loop.
void whenModal(const QString &name, std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act = std::move(act)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (modal->objectName() != name && modal->windowTitle() != name))
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

QString currentPageName(DeviceUpdateWidget *widget)
{
    auto *pages = widget->findChild<QStackedWidget *>(QStringLiteral("pages"));
    return pages && pages->currentWidget() ? pages->currentWidget()->objectName() : QString();
}

} // namespace

// The real program against our test service over TLS: a first-time user logs in from the
// update page, sees the newer version the service offers for the demo receiver, installs it,
// and the receiver comes back identified with that version, with nothing newer to offer.
class OnlineEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void logInListDownloadAndInstall()
    {
        testservice::TestService service;
        QSslCertificate certificate;
        QSslKey key;
        const QString certificates = testservice::certificateFolder();
        QVERIFY(testservice::TestService::loadCertificate(
            certificates + "/service.pem", certificates + "/service.key", &certificate, &key));
        service.setCertificate(certificate, key);
        QVERIFY(service.listen());
        service.addDemoContent();
        QVERIFY(siteconfig::setServiceUrlOverride(service.serviceUrl()).has_value());
        QVERIFY(siteconfig::addTrustedCertificatesFile(certificates + "/test-ca.pem").has_value());

        ProgramRig rig;
        QVERIFY2(rig.program, qPrintable(rig.error));
        MainWindow &window = rig.program->mainWindow();
        QVERIFY(QTest::qWaitFor([&] { return window.powerCheckBox()->isEnabled(); }, kWaitMs));
        rig.program->connection().powerOn({});
        QVERIFY(QTest::qWaitFor([&] { return window.syncDialog() != nullptr; }, kWaitMs));
        window.syncDialog()->findChild<QPushButton *>("useDeviceButton")->click();
        QVERIFY(
            QTest::qWaitFor([&] { return window.controller().isCurrentModelAttached(); }, kWaitMs));
        const DeviceManager &manager = window.controller().deviceManager();
        const QString serial = manager.serialNumber();

        auto *page = qobject_cast<UpdatePage *>(
            window.navigation()->pageForTitle(QStringLiteral("Software Update")));
        QVERIFY(page);
        QVERIFY(QTest::qWaitFor([&] { return !page->deviceWidgets().isEmpty(); }, kWaitMs));
        DeviceUpdateWidget *device = page->deviceWidgets().first();
        // Nobody is logged in: the silent check asks nothing and sends nothing.
        QCOMPARE(currentPageName(device), QStringLiteral("loginAndRegisterPage"));
        QVERIFY(service.requests().isEmpty());

        whenModal(QStringLiteral("logInDialog"), [](QWidget *dialog) {
            dialog->findChild<QLineEdit *>("username")->setText("demo");
            dialog->findChild<QLineEdit *>("password")->setText("demo");
            dialog->findChild<QPushButton *>("logInButton")->click();
        });
        QTimer::singleShot(0, device->findChild<QPushButton *>("checkForUpdateButton"),
                           &QPushButton::click);
        QVERIFY(QTest::qWaitFor([&] { return currentPageName(device) == "updatePage"; }, kWaitMs));
        QVERIFY(credentials::account(*rig.program->environment().settings).isLoggedIn());
        QVERIFY(window.findChild<QLabel *>("accountLabel")->isVisible());
        const QString offered = device->findChild<QLabel *>("updateLabel")->text();
        QVERIFY2(offered.endsWith(" is available."), qPrintable(offered));

        whenModal(QStringLiteral("Update Available"), [](QWidget *dialog) {
            dialog->findChild<QPushButton *>("updateButton")->click();
        });
        QTimer::singleShot(0, device->findChild<QPushButton *>("installButton"),
                           &QPushButton::click);
        QMessageBox *finished = waitForBox(QStringLiteral("Update Finished"), 2 * kWaitMs);
        QVERIFY(finished);
        QCOMPARE(finished->text(), QStringLiteral("The device was successfully updated."));
        press(finished, QStringLiteral("OK"));

        // Identified afresh: the service's highest version is on the device now.
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QList<DeviceUpdateWidget *> widgets = page->deviceWidgets();
                return !widgets.isEmpty() && currentPageName(widgets.first()) == "noUpdatesPage";
            },
            2 * kWaitMs));
        QCOMPARE(manager.serialNumber(), serial);
        const QString version = offered.section(' ', 1, 1);
        auto *versionLabel = page->deviceWidgets().first()->findChild<QLabel *>("versionLabel");
        // Identification reports major.minor only, so "2.2" stands for the offered "2.2.0".
        QCOMPARE(compareVersions(versionLabel->text(), version), VersionOrder::Equal);

        siteconfig::clearExtraTrustedCertificates();
        QVERIFY(siteconfig::setServiceUrlOverride(QUrl()).has_value());
    }
};

ZX_REGISTER_TEST(OnlineEndToEndTest);
#include "test_onlineendtoend.moc"
