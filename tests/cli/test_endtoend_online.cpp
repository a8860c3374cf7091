// zanprog with the account and update service: zanprog-testservice plays the service with its
// demo account (demo/demo, every simulated device registered, two updates per product) and
// zanprog-devsim the device. Each test keeps its settings in a folder of its own.
#include "devsim/profiles.h"
#include "devsimprocess.h"
#include "testregistry.h"
#include "testserviceprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QByteArray kWrongCredentials = "The username or password you entered is not correct, or "
                                     "your account has not been activated.";
const QByteArray kNoNewVersion = "No new software version is available at this time.";

// "major.minor" of a dotted version, as identify reports the device's.
QString majorMinor(const QString &version)
{
    return version.section(QLatin1Char('.'), 0, 1);
}

QString identifiedMajorMinor(const ZanprogRun &identify)
{
    const QJsonObject state = identify.json().object();
    return QStringLiteral("%1.%2")
        .arg(state.value("appVersionMajor").toInt())
        .arg(state.value("appVersionMinor").toInt());
}

} // namespace

class EndToEndOnlineTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        QVERIFY(m_config->isValid());
    }

    // The log-in lands in the settings file the desktop program reads, without the password;
    // the client's trace stays off standard output. Logging out empties the account.
    void logsInAndOut()
    {
        TestServiceProcess service;
        QVERIFY(service.start());
        const ZanprogRun login = logIn(service);
        QVERIFY2(login.exitCode == 0, login.err.constData());
        QCOMPARE(login.out, QByteArray("Logged in as Demo\n"));
        QCOMPARE(setting("credentials/username"), "demo");
        QCOMPARE(setting("credentials/firstName"), "Demo");
        QVERIFY(!setting("credentials/userGuid").isEmpty());
        QVERIFY(setting("credentials/password").isEmpty());

        const ZanprogRun logout = zanprog({"logout"});
        QVERIFY2(logout.exitCode == 0, logout.err.constData());
        QCOMPARE(logout.out, QByteArray("Logged out\n"));
        QVERIFY(setting("credentials/userGuid").isEmpty());
        QVERIFY(setting("credentials/firstName").isEmpty());
        QVERIFY(setting("credentials/password").isEmpty());
    }

    // A refused log-in changes nothing: the account logged in before stays logged in.
    void wrongPasswordLeavesTheSettingsAlone()
    {
        TestServiceProcess service;
        QVERIFY(service.start());
        QCOMPARE(logIn(service).exitCode, 0);
        const QByteArray before = readSettingsFile();

        const ZanprogRun run = zanprog(service.serviceArguments() + QStringList{"login", "demo"},
                                       "not-the-password\n");
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.trimmed(), kWrongCredentials);
        QCOMPARE(readSettingsFile(), before);
    }

    // The proposal is the highest version above the device's; installing it leaves the device
    // running it, after which nothing newer is proposed.
    void listsAndInstallsTheProposedUpdate()
    {
        TestServiceProcess service;
        QVERIFY(service.start());
        QCOMPARE(logIn(service).exitCode, 0);
        DevsimProcess device;
        QVERIFY(device.start());
        const QStringList online = service.serviceArguments() + device.portArguments();

        const ZanprogRun listed = zanprog(online + QStringList{"updates"});
        QVERIFY2(listed.exitCode == 0, listed.err.constData());
        const QList<QByteArray> proposedLines = linesContaining(listed.out, "(proposed)");
        QCOMPARE(proposedLines.size(), 1);
        QVERIFY(proposedLines.first().startsWith("* "));
        QVERIFY(!listed.out.contains(kNoNewVersion));

        const QString proposed = proposedVersion(online);
        QVERIFY(!proposed.isEmpty());
        const ZanprogRun updated = zanprog(online + QStringList{"--json", "update"});
        QVERIFY2(updated.exitCode == 0, updated.err.constData());
        QVERIFY(updated.err.contains("Downloading update"));
        QVERIFY(updated.err.contains("Sending firmware: 100%"));
        QCOMPARE(majorMinor(updated.json().object().value("version").toString()),
                 majorMinor(proposed));

        const ZanprogRun identify = runZanprog(onPort(device, {"identify"}));
        QVERIFY2(identify.exitCode == 0, identify.err.constData());
        QCOMPARE(identifiedMajorMinor(identify), majorMinor(proposed));

        const ZanprogRun again = zanprog(online + QStringList{"updates"});
        QVERIFY2(again.exitCode == 0, again.err.constData());
        QVERIFY(again.out.contains(kNoNewVersion));
        QVERIFY(linesContaining(again.out, "(proposed)").isEmpty());
    }

    // --version picks any fitting update; a version that none has is refused with the list.
    void installsAChosenVersion()
    {
        TestServiceProcess service;
        QVERIFY(service.start());
        QCOMPARE(logIn(service).exitCode, 0);
        DevsimProcess device;
        QVERIFY(device.start());
        const QStringList online = service.serviceArguments() + device.portArguments();

        const ZanprogRun listed = zanprog(online + QStringList{"updates", "--json"});
        QVERIFY2(listed.exitCode == 0, listed.err.constData());
        const QJsonObject document = listed.json().object();
        QCOMPARE(document.value("device").toObject().value("serialNumber").toString(),
                 QString::fromLatin1(
                     devsim::profiles::profileByName("airplane-receiver")->serialNumber));
        const QJsonArray updates = document.value("updates").toArray();
        QCOMPARE(updates.size(), 2);
        QString other;
        QStringList versions;
        for (const QJsonValue &update : updates) {
            versions.append(update.toObject().value("version").toString());
            if (!update.toObject().value("proposed").toBool())
                other = versions.last();
        }
        QVERIFY(!other.isEmpty());

        const ZanprogRun missing = zanprog(online + QStringList{"update", "--version", "0.1"});
        QCOMPARE(missing.exitCode, 1);
        for (const QString &version : versions)
            QVERIFY2(missing.err.contains(version.toUtf8()), missing.err.constData());

        const ZanprogRun chosen = zanprog(online + QStringList{"update", "--version", other});
        QVERIFY2(chosen.exitCode == 0, chosen.err.constData());
        const ZanprogRun identify = runZanprog(onPort(device, {"identify"}));
        QCOMPARE(identifiedMajorMinor(identify), majorMinor(other));
    }

    // A GUID the service no longer knows is forgotten, so the next run asks for a log-in.
    void forgetsAnExpiredLogIn()
    {
        TestServiceProcess service;
        QVERIFY(service.start());
        {
            QSettings settings(settingsFilePath(m_config->path()), QSettings::IniFormat);
            settings.setValue("credentials/userGuid", "00000000-0000-0000-0000-000000000000");
        }
        DevsimProcess device;
        QVERIFY(device.start());
        const QStringList online = service.serviceArguments() + device.portArguments();
        const ZanprogRun expired = zanprog(online + QStringList{"updates"});
        QCOMPARE(expired.exitCode, 1);
        QVERIFY2(expired.err.contains("your log-in has expired"), expired.err.constData());
        QVERIFY(setting("credentials/userGuid").isEmpty());

        const ZanprogRun again = zanprog(online + QStringList{"updates"});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains("not logged in"));
    }

    // Over TLS the service is trusted only with its authority; without it the log-in fails
    // with the transport's error and the TLS errors behind it.
    void logsInOverTls()
    {
        TestServiceProcess service({"--demo", "--tls"});
        QVERIFY(service.start());
        QVERIFY(service.url().startsWith("https://"));
        const ZanprogRun untrusted = logIn(service);
        QCOMPARE(untrusted.exitCode, 1);
        // The message, a blank line, the handshake failure, then one line per TLS error.
        const QList<QByteArray> lines = untrusted.err.trimmed().split('\n');
        QVERIFY2(lines.size() >= 4, untrusted.err.constData());
        QCOMPARE(lines.at(0), "An error occurred while trying to log in.");
        QVERIFY(lines.at(1).isEmpty());
        QVERIFY(lines.at(2).endsWith(
            QStringLiteral("(%1)").arg(int(QNetworkReply::SslHandshakeFailedError)).toUtf8()));
        QVERIFY(setting("credentials/userGuid").isEmpty());

        const ZanprogRun trusted = logIn(service, {"--service-ca", testCaFile()});
        QVERIFY2(trusted.exitCode == 0, trusted.err.constData());
        QVERIFY(!setting("credentials/userGuid").isEmpty());
    }

    // Service options that could send an account elsewhere, or trust nothing, are usage
    // errors before anything is read or sent.
    void refusesBadServiceOptions_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("host off loopback") << QStringList{"--service-url", "https://example.com/"};
        QTest::newRow("no such authority file")
            << QStringList{"--service-ca", m_config->filePath("missing.pem")};
    }
    void refusesBadServiceOptions()
    {
        QFETCH(QStringList, options);
        const ZanprogRun run = zanprog(options + QStringList{"login", "demo"}, "demo\n");
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith("zanprog: "), run.err.constData());
        QVERIFY(!QFile::exists(settingsFilePath(m_config->path())));
    }

    void updateCommandsNeedALogIn_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("updates") << "updates";
        QTest::newRow("update") << "update";
    }
    void updateCommandsNeedALogIn()
    {
        QFETCH(QString, command);
        const ZanprogRun run = zanprog({"--port", "/nonexistent/port", command});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("not logged in: run zanprog login USER first"));
    }

private:
    ZanprogRun zanprog(const QStringList &arguments, const QByteArray &input = {})
    {
        return runZanprogWith(arguments, m_config->path(), input);
    }

    ZanprogRun logIn(const TestServiceProcess &service, const QStringList &extra = {})
    {
        return zanprog(service.serviceArguments() + extra + QStringList{"login", "demo"}, "demo\n");
    }

    // The version `updates --json` marks as proposed; empty when none is.
    QString proposedVersion(const QStringList &online)
    {
        const ZanprogRun run = zanprog(online + QStringList{"--json", "updates"});
        for (const QJsonValue &update : run.json().object().value("updates").toArray())
            if (update.toObject().value("proposed").toBool())
                return update.toObject().value("version").toString();
        return {};
    }

    static QList<QByteArray> linesContaining(const QByteArray &text, const QByteArray &marker)
    {
        QList<QByteArray> lines;
        for (const QByteArray &line : text.split('\n'))
            if (line.contains(marker))
                lines.append(line);
        return lines;
    }

    QString setting(const QString &key) const
    {
        return QSettings(settingsFilePath(m_config->path()), QSettings::IniFormat)
            .value(key)
            .toString();
    }

    QByteArray readSettingsFile() const
    {
        QFile file(settingsFilePath(m_config->path()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> m_config;
};

ZX_REGISTER_TEST(EndToEndOnlineTest);
#include "test_endtoend_online.moc"
