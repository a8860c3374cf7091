#include "accountrig.h"
#include "online/ui/logindialog.h"
#include "online/ui/registerdevicedialog.h"
#include "testregistry.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QtTest>

using namespace accounttest;

namespace {

const QString kSerialNumber = QStringLiteral("ZX4K7QW2MB9TP");
const QString kShownSerialNumber = QStringLiteral("ZX4K7QW2M-B9TP");

// The rig's account logged in with `userGuid`, and one registrable device the service knows.
void prepare(AccountRig &rig, const QString &userGuid)
{
    rig.logInAs(userGuid);
    rig.service.addDevice({kSerialNumber, 0x8A, true, QString()});
}

QString registeredTo(const AccountRig &rig)
{
    for (const testservice::KnownDevice &device : rig.service.devices()) {
        if (device.serialNumber == kSerialNumber)
            return device.registeredTo;
    }
    return {};
}

} // namespace

class RegisterDeviceDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // Enter registers the device under the stored account with the nickname and the
    // notification choice; the serial number is shown grouped for reading.
    void registrationSucceeds()
    {
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        prepare(rig, kUserGuid);
        MessageBoxCatcher catcher;
        RegisterDeviceDialog dialog(rig.context());
        dialog.setSerialNumber(kSerialNumber);
        dialog.open();
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("serialNumber"))->text(),
                 kShownSerialNumber);
        QTest::keyClicks(lineEdit(dialog, "nickname"), QStringLiteral("Red Baron"));
        dialog.findChild<QCheckBox *>(QStringLiteral("notify"))->setChecked(true);

        QTest::keyClick(lineEdit(dialog, "nickname"), Qt::Key_Return);

        QVERIFY(waitUntilClosed(dialog));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(registeredTo(rig), kUserGuid);
        const QByteArray request = rig.service.requests().constLast();
        for (const QByteArray &element :
             {QByteArray("<![CDATA[") + kSerialNumber.toUtf8() + "]]>",
              QByteArray("<RegistrationNickName>Red Baron</RegistrationNickName>"),
              QByteArray("<NotifyUpdatesAndNewReleases>true</NotifyUpdatesAndNewReleases>")})
            QVERIFY2(request.contains(element), element.constData());
        QVERIFY(catcher.boxes.isEmpty());
    }

    // The service's refusals, each with its message; other verdicts and transport failures
    // the generic one. The account stays as it was and the button is usable again.
    void refusalsAreExplained_data()
    {
        QTest::addColumn<int>("faultKind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expectedText");
        const int errorCode = int(testservice::FaultKind::ErrorCode);
        QTest::newRow("3007") << errorCode << "3007"
                              << "The device is already registered.";
        QTest::newRow("3008") << errorCode << "3008"
                              << "This product cannot be registered.";
        QTest::newRow("3009") << errorCode << "3009"
                              << "The device's serial number was not recognized. Please call "
                                 "customer service to fix this problem.";
        const QString generic =
            QStringLiteral("An error occurred while trying to register device.");
        QTest::newRow("3010 rejected") << errorCode << "3010" << generic;
        QTest::newRow("updates code") << errorCode << "2004" << generic;
        QTest::newRow("connection closed")
            << int(testservice::FaultKind::CloseConnection) << QString() << generic;
    }

    void refusalsAreExplained()
    {
        QFETCH(int, faultKind);
        QFETCH(QString, code);
        QFETCH(QString, expectedText);
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        prepare(rig, kUserGuid);
        rig.service.addFault(
            fault("RegisterDeviceRequest", testservice::FaultKind(faultKind), code));
        MessageBoxCatcher catcher;
        RegisterDeviceDialog dialog(rig.context());
        dialog.setSerialNumber(kSerialNumber);
        dialog.open();

        button(dialog, "registerDeviceButton")->click();

        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{errorBox(expectedText)});
        QVERIFY(dialog.isVisible());
        QVERIFY(button(dialog, "registerDeviceButton")->isEnabled());
        QCOMPARE(credentials::account(*rig.settings).userGuid, kUserGuid);
    }

    // The service no longer knows the stored account: it is forgotten, the user logs in
    // again, and the device is registered to the new log-in without another click.
    void staleAccountLogsInAndRetries()
    {
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        prepare(rig, QStringLiteral("0badc0de-0000-4000-8000-000000000000"));
        MessageBoxCatcher catcher;
        RegisterDeviceDialog dialog(rig.context());
        dialog.setSerialNumber(kSerialNumber);
        dialog.open();

        button(dialog, "registerDeviceButton")->click();

        auto *logIn = waitForWindow<LogInDialog>();
        QVERIFY(logIn);
        QCOMPARE(logIn->parentWidget(), &dialog);
        QVERIFY(!credentials::account(*rig.settings).isLoggedIn());
        QVERIFY(rig.accountChangedCount >= 1);
        QCOMPARE(lineEdit(*logIn, "username")->text(), kUsername);
        lineEdit(*logIn, "password")->setText(kPassword);
        button(*logIn, "logInButton")->click();

        QVERIFY(waitUntilClosed(dialog));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(credentials::account(*rig.settings).userGuid, kUserGuid);
        QCOMPARE(registeredTo(rig), kUserGuid);
        QCOMPARE(rig.operations, (QStringList{"RegisterDeviceRequest", "LoginUserRequest",
                                              "RegisterDeviceRequest"}));
        QVERIFY(catcher.boxes.isEmpty());
    }

    // However the dialog is closed while the service has not answered, the request ends with
    // it and its late end shows nothing.
    void closingWhileWaitingAbortsTheRequest_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel button") << "cancel";
        QTest::newRow("escape") << "escape";
        QTest::newRow("window close") << "close";
    }

    void closingWhileWaitingAbortsTheRequest()
    {
        QFETCH(QString, how);
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        prepare(rig, kUserGuid);
        rig.service.addFault(fault("RegisterDeviceRequest", testservice::FaultKind::Stall));
        MessageBoxCatcher catcher;
        RegisterDeviceDialog dialog(rig.context());
        dialog.setSerialNumber(kSerialNumber);
        dialog.open();
        button(dialog, "registerDeviceButton")->click();
        QVERIFY(QTest::qWaitFor([&] { return rig.service.openConnectionCount() > 0; }, kWaitMs));

        if (how == QLatin1String("cancel"))
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        else if (how == QLatin1String("escape"))
            QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_Escape);
        else
            dialog.close();

        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(rig.waitForClosedConnections());
        QVERIFY(rig.drainReplies());
        QCoreApplication::processEvents();
        QVERIFY(catcher.boxes.isEmpty());
    }
};

ZX_REGISTER_TEST(RegisterDeviceDialogTest);
#include "test_registerdevicedialog.moc"
