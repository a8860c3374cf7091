#include "accountrig.h"
#include "online/ui/logindialog.h"
#include "online/ui/registerdialog.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QSslError>
#include <QtTest>

using namespace accounttest;

namespace {

const QString kGenericText = QStringLiteral("An error occurred while trying to log in.");
const QString kNotCorrectText =
    QStringLiteral("The username or password you entered is not correct, or your account has "
                   "not been activated.");

QMap<QString, QVariant> allValues(const QSettings &settings)
{
    QMap<QString, QVariant> values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

} // namespace

class LogInDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // Enter in the password box logs in; the account is remembered with the name as typed,
    // the main window hears of it, and the password stays out of the settings file.
    void logInRemembersTheAccount()
    {
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        MessageBoxCatcher catcher;
        LogInDialog dialog(rig.context());
        dialog.open();

        QTest::keyClicks(lineEdit(dialog, "username"), kUsername);
        QLineEdit *password = lineEdit(dialog, "password");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QTest::keyClicks(password, kPassword);
        QTest::keyClick(password, Qt::Key_Return);

        QVERIFY(!button(dialog, "logInButton")->isEnabled());
        QVERIFY(waitUntilClosed(dialog));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const credentials::Account account = credentials::account(*rig.settings);
        QCOMPARE(account.userGuid, kUserGuid);
        QCOMPARE(account.username, kUsername);
        QCOMPARE(account.firstName, QStringLiteral("Ada"));
        QCOMPARE(account.lastName, QStringLiteral("Lovelace"));
        QVERIFY(!rig.settings->contains(credentials::kPasswordKey));
        QCOMPARE(rig.accountChangedCount, 1);
        QVERIFY(catcher.boxes.isEmpty());
    }

    // The boxes start from the settings; a refused log-in or a service that answers nonsense
    // gets its message, changes no setting, and leaves the dialog open for another try.
    void refusedLogInChangesNothing_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("malformedAnswer");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("wrong password") << "wrong" << false << kNotCorrectText;
        QTest::newRow("malformed answer") << kPassword << true << kGenericText;
    }

    void refusedLogInChangesNothing()
    {
        QFETCH(QString, password);
        QFETCH(bool, malformedAnswer);
        QFETCH(QString, expectedText);
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        if (malformedAnswer)
            rig.service.addFault(fault("LoginUserRequest", testservice::FaultKind::MalformedBody));
        rig.logInAs(QStringLiteral("earlier-guid"));
        rig.settings->setValue(credentials::kPasswordKey, password);
        const auto before = allValues(*rig.settings);
        MessageBoxCatcher catcher;
        LogInDialog dialog(rig.context());
        dialog.open();
        QCOMPARE(lineEdit(dialog, "username")->text(), kUsername);
        QCOMPARE(lineEdit(dialog, "password")->text(), password);

        button(dialog, "logInButton")->click();

        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{errorBox(expectedText)});
        QVERIFY(dialog.isVisible());
        QVERIFY(button(dialog, "logInButton")->isEnabled());
        QCOMPARE(allValues(*rig.settings), before);
        QCOMPARE(rig.accountChangedCount, 0);
    }

    // A certificate the program does not trust: the generic text, the transport's error
    // with its code, then one line per TLS error with its number.
    void untrustedCertificateShowsEveryTlsError()
    {
        AccountRig rig(true);
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        MessageBoxCatcher catcher;
        LogInDialog dialog(rig.context());
        dialog.open();
        lineEdit(dialog, "username")->setText(kUsername);
        lineEdit(dialog, "password")->setText(kPassword);

        button(dialog, "logInButton")->click();

        QVERIFY(catcher.waitForBoxes(1));
        const QStringList lines = catcher.boxes.first().split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= 4, qPrintable(catcher.boxes.first()));
        QCOMPARE(lines.at(0), errorBox(kGenericText));
        QCOMPARE(lines.at(1), QString());
        const QRegularExpression withCode(QStringLiteral("^.+ \\((\\d+)\\)$"));
        const auto transport = withCode.match(lines.at(2));
        QVERIFY2(transport.hasMatch(), qPrintable(lines.at(2)));
        QCOMPARE(transport.captured(1).toInt(), int(QNetworkReply::SslHandshakeFailedError));
        const QStringList tlsLines = lines.mid(3);
        for (const QString &line : tlsLines)
            QVERIFY2(withCode.match(line).hasMatch(), qPrintable(line));
        const QSslError selfSigned(QSslError::SelfSignedCertificate);
        QVERIFY2(tlsLines.contains(QStringLiteral("%1 (%2)").arg(
                     selfSigned.errorString(), QString::number(int(selfSigned.error())))),
                 qPrintable(catcher.boxes.first()));
        QVERIFY(credentials::account(*rig.settings).userGuid.isEmpty());
    }

    // Escape while the service has not answered yet closes the dialog and really ends the
    // request; its late end shows nothing.
    void escapeWhileWaitingAbortsTheLogIn()
    {
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        rig.service.addFault(fault("LoginUserRequest", testservice::FaultKind::Stall));
        MessageBoxCatcher catcher;
        LogInDialog dialog(rig.context());
        dialog.open();
        lineEdit(dialog, "username")->setText(kUsername);
        lineEdit(dialog, "password")->setText(kPassword);
        button(dialog, "logInButton")->click();
        QVERIFY(QTest::qWaitFor([&] { return rig.service.openConnectionCount() > 0; }, kWaitMs));

        QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_Escape);

        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(rig.waitForClosedConnections());
        QVERIFY(rig.drainReplies());
        QCoreApplication::processEvents();
        QVERIFY(catcher.boxes.isEmpty());
        QVERIFY(credentials::account(*rig.settings).userGuid.isEmpty());
    }

    // "Create an Account..." hands over to the register form, which belongs to the log-in
    // dialog's parent, so it outlives the log-in dialog.
    void createAccountOpensTheRegisterForm()
    {
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        QWidget host;
        host.show();
        auto *dialog = new LogInDialog(rig.context(), &host);
        dialog->open();

        button(*dialog, "createAccountButton")->click();

        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        delete dialog;
        auto *form = waitForWindow<RegisterDialog>();
        QVERIFY(form);
        QCOMPARE(form->parentWidget(), &host);
        QVERIFY(form->windowModality() != Qt::NonModal);
        form->reject();
    }
};

ZX_REGISTER_TEST(LogInDialogTest);
#include "test_logindialog.moc"
