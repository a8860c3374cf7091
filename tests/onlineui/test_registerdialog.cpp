#include "accountrig.h"
#include "online/ui/registerdialog.h"
#include "testregistry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QtTest>

using namespace accounttest;

namespace {

const QString kNewEmail = QStringLiteral("grace@example.com");

// A form the service takes: a new user name and matching confirmations.
void fillForm(RegisterDialog &dialog)
{
    const std::pair<const char *, QString> values[] = {
        {"username", QStringLiteral("grace")},
        {"password", QStringLiteral("Hopper-1906")},
        {"confirmPassword", QStringLiteral("Hopper-1906")},
        {"firstName", QStringLiteral("Grace")},
        {"lastName", QStringLiteral("Hopper")},
        {"email", kNewEmail},
        {"confirmEmail", kNewEmail},
        {"addressLine1", QStringLiteral("1 Harbour Road")},
        {"city", QStringLiteral("Arlington")},
        {"postalCode", QStringLiteral("22201")},
    };
    for (const auto &[name, value] : values)
        lineEdit(dialog, name)->setText(value);
}

QComboBox *comboBox(RegisterDialog &dialog, const char *objectName)
{
    return dialog.findChild<QComboBox *>(QString::fromLatin1(objectName));
}

} // namespace

class RegisterDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // The form reaches the service as typed, the codes of the chosen state and country with
    // it (no state when none is chosen); the dialog closes and the parent says where the
    // activation mail went.
    void registrationIsSentAndConfirmed_data()
    {
        QTest::addColumn<QString>("stateName");
        QTest::addColumn<QString>("countryName");
        QTest::addColumn<QString>("stateCode");
        QTest::addColumn<QString>("countryCode");
        QTest::newRow("state chosen") << "Puerto Rico"
                                      << "United States"
                                      << "PR"
                                      << "US";
        QTest::newRow("no state") << QString() << "Germany" << QString() << "DE";
    }

    void registrationIsSentAndConfirmed()
    {
        QFETCH(QString, stateName);
        QFETCH(QString, countryName);
        QFETCH(QString, stateCode);
        QFETCH(QString, countryCode);
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        MessageBoxCatcher catcher;
        QWidget host;
        host.show();
        RegisterDialog dialog(rig.context(), &host);
        dialog.open();
        fillForm(dialog);
        QComboBox *state = comboBox(dialog, "state");
        QComboBox *country = comboBox(dialog, "country");
        QCOMPARE(state->count(), 67);
        QCOMPARE(state->currentIndex(), -1);
        QCOMPARE(country->count(), 240);
        if (!stateName.isEmpty())
            state->setCurrentIndex(state->findText(stateName));
        country->setCurrentIndex(country->findText(countryName));

        QTest::keyClick(lineEdit(dialog, "postalCode"), Qt::Key_Return);

        QVERIFY(waitUntilClosed(dialog));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{QStringLiteral("Almost Done...: We've sent an email "
                                                           "to %1. Open it up to activate your "
                                                           "account.")
                                                .arg(kNewEmail)});
        QCOMPARE(rig.requestCount(QStringLiteral("RegisterUserRequest")), 1);
        const QByteArray request = rig.service.requests().constLast();
        for (const QString &element :
             {QStringLiteral("<CultureInfoName>en</CultureInfoName>"),
              QStringLiteral("<UserID>grace</UserID>"),
              QStringLiteral("<Email>%1</Email>").arg(kNewEmail),
              QStringLiteral("<City>Arlington</City>"),
              QStringLiteral("<CountryCode>%1</CountryCode>").arg(countryCode),
              QStringLiteral("<EmailNotify>false</EmailNotify>")})
            QVERIFY2(request.contains(element.toUtf8()), qPrintable(element));
        if (stateCode.isEmpty())
            QVERIFY(!request.contains("<StateAbbr"));
        else
            QVERIFY(request.contains("<StateAbbr>" + stateCode.toUtf8() + "</StateAbbr>"));
    }

    // What the service refuses, each with its own message; anything else, and a transport
    // failure, the generic one. The form stays open with the button usable again.
    void refusalsAreExplained_data()
    {
        QTest::addColumn<int>("faultKind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expectedText");
        const int errorCode = int(testservice::FaultKind::ErrorCode);
        QTest::newRow("8001") << errorCode << "8001"
                              << "The email you entered is already registered to an account.";
        QTest::newRow("8003") << errorCode << "8003"
                              << "The username you entered is already taken.";
        QTest::newRow("8005") << errorCode << "8005"
                              << "The email you entered is not a valid format.";
        QTest::newRow("8006") << errorCode << "8006"
                              << "The password you entered is not valid.";
        QTest::newRow("8009") << errorCode << "8009"
                              << "The username you entered is not valid.";
        const QString generic = QStringLiteral("An error occurred while trying to register.");
        QTest::newRow("log-in code") << errorCode << "7002" << generic;
        QTest::newRow("unknown code") << errorCode << "9999" << generic;
        QTest::newRow("malformed")
            << int(testservice::FaultKind::MalformedBody) << QString() << generic;
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
        rig.service.addFault(fault("RegisterUserRequest", testservice::FaultKind(faultKind), code));
        MessageBoxCatcher catcher;
        RegisterDialog dialog(rig.context());
        dialog.open();
        fillForm(dialog);

        button(dialog, "registerButton")->click();

        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{errorBox(expectedText)});
        QVERIFY(dialog.isVisible());
        QVERIFY(button(dialog, "registerButton")->isEnabled());
    }

    // A confirmation that differs from its first entry is caught before anything is sent.
    void confirmationsMustMatch_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("password") << "confirmPassword"
                                  << "The passwords you entered do not match.";
        QTest::newRow("email") << "confirmEmail"
                               << "The email addresses you entered do not match.";
    }

    void confirmationsMustMatch()
    {
        QFETCH(QString, field);
        QFETCH(QString, expectedText);
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        MessageBoxCatcher catcher;
        RegisterDialog dialog(rig.context());
        dialog.open();
        fillForm(dialog);
        lineEdit(dialog, qPrintable(field))->setText(QStringLiteral("something else"));

        button(dialog, "registerButton")->click();

        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{errorBox(expectedText)});
        QVERIFY(dialog.isVisible());
        QVERIFY(button(dialog, "registerButton")->isEnabled());
        QVERIFY(rig.drainReplies());
        QCOMPARE(rig.requestCount(QStringLiteral("RegisterUserRequest")), 0);
    }

    // Cancel while the service has not answered closes the form and ends the request; its
    // late end shows nothing.
    void cancelWhileWaitingShowsNothingLater()
    {
        AccountRig rig;
        QVERIFY2(rig.isReady(), qPrintable(rig.error()));
        rig.service.addFault(fault("RegisterUserRequest", testservice::FaultKind::Stall));
        MessageBoxCatcher catcher;
        RegisterDialog dialog(rig.context());
        dialog.open();
        fillForm(dialog);
        button(dialog, "registerButton")->click();
        QVERIFY(QTest::qWaitFor([&] { return rig.service.openConnectionCount() > 0; }, kWaitMs));

        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();

        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(rig.waitForClosedConnections());
        QVERIFY(rig.drainReplies());
        QCoreApplication::processEvents();
        QVERIFY(catcher.boxes.isEmpty());
    }
};

ZX_REGISTER_TEST(RegisterDialogTest);
#include "test_registerdialog.moc"
