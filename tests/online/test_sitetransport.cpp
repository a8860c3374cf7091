#include "servicerig.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace servicerig;
using testservice::Fault;
using testservice::FaultKind;
using E = ZandorexSiteError;

namespace {

void addSchemeRows()
{
    QTest::addColumn<Scheme>("scheme");
    QTest::newRow("http") << Scheme::Http;
    QTest::newRow("https") << Scheme::Https;
}

Fault fault(FaultKind kind, const QString &operation = {}, int count = 1)
{
    Fault result;
    result.kind = kind;
    result.operation = operation;
    result.count = count;
    return result;
}

// Runs the call to its end: finished() exactly once.
template <typename Reply> bool runToEnd(Reply *reply)
{
    QSignalSpy finished(reply, &ZandorexSiteReply::finished);
    return waitForFinished(finished) && finished.count() == 1;
}

bool transportSucceeded(const ZandorexSiteReply &reply)
{
    if (reply.networkError == QNetworkReply::NoError)
        return true;
    qWarning("transport error %d: %s", reply.networkError, qPrintable(reply.errorString));
    return false;
}

} // namespace

class SiteTransportTest : public QObject
{
    Q_OBJECT

private slots:
    // Each operation against a service that knows the pilot: the answer's fields reach the
    // reply, and what the service was asked to record it recorded.
    void logInSucceeds_data() { addSchemeRows(); }
    void logInSucceeds()
    {
        QFETCH(Scheme, scheme);
        ServiceRig rig;
        QVERIFY(rig.start(scheme));
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kPilot, kPilotPassword));
        QVERIFY(runToEnd(reply.get()));
        QVERIFY(transportSucceeded(*reply));
        QCOMPARE(reply->siteError, E::NoError);
        QCOMPARE(reply->userGuid, kPilotGuid);
        QCOMPARE(reply->firstName, QStringLiteral("Ada"));
        QCOMPARE(reply->lastName, QStringLiteral("Flyer"));
        QVERIFY(reply->sslErrors.isEmpty());
        QVERIFY(waitForNoConnections(rig.service));
    }

    void registerSucceeds_data() { addSchemeRows(); }
    void registerSucceeds()
    {
        QFETCH(Scheme, scheme);
        ServiceRig rig;
        QVERIFY(rig.start(scheme));
        std::unique_ptr<ZandorexSiteReply> reply(
            startOperation(Operation::Register, QStringLiteral("nell"),
                           QStringLiteral("nell@example.com"), QStringLiteral("pass1")));
        QVERIFY(runToEnd(reply.get()));
        QVERIFY(transportSucceeded(*reply));
        QCOMPARE(reply->siteError, E::NoError);
        const testservice::Account &added = rig.service.accounts().last();
        QCOMPARE(added.username, QStringLiteral("nell"));
        QCOMPARE(added.email, QStringLiteral("nell@example.com"));
        QVERIFY(!added.activated);
        QCOMPARE(static_cast<RegisterReply *>(reply.get())->userGuid, added.userGuid);
    }

    void registerDeviceSucceeds_data() { addSchemeRows(); }
    void registerDeviceSucceeds()
    {
        QFETCH(Scheme, scheme);
        ServiceRig rig;
        QVERIFY(rig.start(scheme));
        std::unique_ptr<ZandorexSiteReply> reply(
            startOperation(Operation::RegisterDevice, kPilotGuid, kFreeDevice));
        QVERIFY(runToEnd(reply.get()));
        QVERIFY(transportSucceeded(*reply));
        QCOMPARE(reply->siteError, E::NoError);
        QCOMPARE(rig.service.devices().at(1).serialNumber, kFreeDevice);
        QCOMPARE(rig.service.devices().at(1).registeredTo, kPilotGuid);
    }

    // The list holds the updates of the device's product and those for every device, in the
    // service's order, with the addresses the service serves them at.
    void updatesListSucceeds_data() { addSchemeRows(); }
    void updatesListSucceeds()
    {
        QFETCH(Scheme, scheme);
        ServiceRig rig;
        QVERIFY(rig.start(scheme));
        std::unique_ptr<UpdatesReply> reply(ZandorexSite::getUpdatesList(kPilotGuid, kPilotDevice));
        QVERIFY(runToEnd(reply.get()));
        QVERIFY(transportSucceeded(*reply));
        QCOMPARE(reply->siteError, E::NoError);
        QCOMPARE(reply->updates.size(), 2);

        const UpdateData &first = reply->updates.at(0);
        const testservice::OfferedUpdate offered = ServiceRig::productUpdate();
        QCOMPARE(first.guid, offered.guid);
        QCOMPARE(first.title, offered.title);
        QCOMPARE(first.description, offered.description);
        QCOMPARE(first.version, offered.version);
        QCOMPARE(first.releaseDate, QDateTime(QDate(2024, 6, 1), QTime(12, 30), Qt::UTC));
        QCOMPARE(first.productCode, std::optional<std::uint16_t>(kProduct));
        QCOMPARE(first.minVersion, offered.minVersion);
        QCOMPARE(first.maxVersion, offered.maxVersion);
        QCOMPARE(first.requiredMinVersion, offered.requiredMinVersion);
        QCOMPARE(first.requiredMaxVersion, offered.requiredMaxVersion);
        const QString base = rig.service.baseUrl().toString();
        QVERIFY2(first.downloadUri.startsWith(base), qPrintable(first.downloadUri));
        QVERIFY2(first.manualDownloadUri.startsWith(base), qPrintable(first.manualDownloadUri));

        const UpdateData &general = reply->updates.at(1);
        QCOMPARE(general.guid, ServiceRig::generalUpdate().guid);
        QVERIFY(!general.productCode.has_value());
        QVERIFY(general.manualDownloadUri.isEmpty());
        QVERIFY(general.requiredMinVersion.isEmpty());
    }

    // A certificate the client cannot trust ends the request in the handshake: a TLS error
    // with the certificate problems listed, no service verdict, and nothing reaches the
    // service.
    void untrustedCertificateFailsTheHandshake_data()
    {
        QTest::addColumn<Scheme>("scheme");
        QTest::newRow("self-signed certificate") << Scheme::UntrustedHttps;
        QTest::newRow("authority not trusted") << Scheme::HttpsNoTrust;
    }
    void untrustedCertificateFailsTheHandshake()
    {
        QFETCH(Scheme, scheme);
        ServiceRig rig;
        QVERIFY(rig.start(scheme));
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kPilot, kPilotPassword));
        QVERIFY(runToEnd(reply.get()));
        QCOMPARE(reply->networkError, int(QNetworkReply::SslHandshakeFailedError));
        QVERIFY(!reply->errorString.isEmpty());
        QVERIFY(!reply->sslErrors.isEmpty());
        QCOMPARE(reply->siteError, E::NoError);
        QVERIFY(reply->userGuid.isEmpty());
        QVERIFY(rig.service.requests().isEmpty());
        QVERIFY(waitForNoConnections(rig.service));
    }

    // Every code of the service's table through a real exchange; each operation knows only
    // its own codes, and the updates list also takes the user-GUID codes of the device
    // registration (the update flow asks for a new log-in on them).
    void errorCodesAreMapped_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("code");
        QTest::addColumn<ZandorexSiteError>("expected");
        const struct
        {
            Operation operation;
            const char *code;
            ZandorexSiteError expected;
        } rows[] = {
            {Operation::Register, "8001", E::EmailAlreadyRegistered},
            {Operation::Register, "8003", E::UsernameTaken},
            {Operation::Register, "8005", E::InvalidEmail},
            {Operation::Register, "8006", E::InvalidPassword},
            {Operation::Register, "8009", E::InvalidUsername},
            {Operation::LogIn, "7001", E::InvalidCredentials},
            {Operation::LogIn, "7002", E::InvalidCredentials},
            {Operation::LogIn, "7003", E::InvalidCredentials},
            {Operation::RegisterDevice, "3001", E::InvalidUserGuid},
            {Operation::RegisterDevice, "3002", E::InvalidUserGuid},
            {Operation::RegisterDevice, "3007", E::DeviceAlreadyRegistered},
            {Operation::RegisterDevice, "3008", E::DeviceNotRegistrable},
            {Operation::RegisterDevice, "3009", E::SerialNumberNotRecognized},
            {Operation::RegisterDevice, "3010", E::DeviceRegistrationRejected},
            {Operation::Updates, "2004", E::RegisteredToAnotherAccount},
            {Operation::Updates, "2003", E::DeviceNotRegistered},
            {Operation::Updates, "2002", E::UpdatesRequestRejected},
            {Operation::Updates, "3001", E::InvalidUserGuid},
            // another operation's code, and one nobody knows
            {Operation::Register, "7002", E::UnknownError},
            {Operation::LogIn, "8001", E::UnknownError},
            {Operation::RegisterDevice, "2004", E::UnknownError},
            {Operation::Updates, "3007", E::UnknownError},
            {Operation::LogIn, "9999", E::UnknownError},
        };
        static const char *const names[] = {"log in", "register", "register device", "updates"};
        for (const auto &row : rows)
            QTest::addRow("%s %s", names[int(row.operation)], row.code)
                << row.operation << QString::fromLatin1(row.code) << row.expected;
    }
    void errorCodesAreMapped()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, code);
        QFETCH(ZandorexSiteError, expected);
        ServiceRig rig;
        QVERIFY(rig.start());
        Fault forced = fault(FaultKind::ErrorCode);
        forced.code = code;
        rig.service.addFault(forced);
        std::unique_ptr<ZandorexSiteReply> reply(
            startOperation(operation, kPilotGuid, kPilotDevice, kPilotPassword));
        QVERIFY(runToEnd(reply.get()));
        QVERIFY(transportSucceeded(*reply));
        QCOMPARE(reply->siteError, expected);
    }

    // What the service itself decides from its records arrives as the client's verdict.
    void serviceVerdictsArrive_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("c");
        QTest::addColumn<ZandorexSiteError>("expected");
        const QString unknownGuid = QStringLiteral("FFFFFFFF-0000-4000-8000-000000000000");
        const QString mail = QStringLiteral("new@example.com");
        const QString unknownSerial = QStringLiteral("ZX-NONE");
        const QString good = QStringLiteral("pass1");
        const QString none;
        const struct
        {
            const char *name;
            Operation operation;
            QString a, b, c;
            ZandorexSiteError expected;
        } rows[] = {
            {"wrong password", Operation::LogIn, kPilot, "wrong", none, E::InvalidCredentials},
            {"unknown user", Operation::LogIn, "nobody", "x", none, E::InvalidCredentials},
            {"not activated", Operation::LogIn, kSleeper, kSleeperPassword, none,
             E::InvalidCredentials},
            {"empty username", Operation::Register, none, mail, good, E::InvalidUsername},
            {"e-mail without @", Operation::Register, "nell", "nell.example.com", good,
             E::InvalidEmail},
            {"password too short", Operation::Register, "nell", mail, "abc", E::InvalidPassword},
            {"username taken", Operation::Register, "PILOT", mail, good, E::UsernameTaken},
            {"e-mail registered", Operation::Register, "nell", kPilotEmail, good,
             E::EmailAlreadyRegistered},
            {"device, unknown user", Operation::RegisterDevice, unknownGuid, kFreeDevice, none,
             E::InvalidUserGuid},
            {"device, unknown serial", Operation::RegisterDevice, kPilotGuid, unknownSerial, none,
             E::SerialNumberNotRecognized},
            {"device not registrable", Operation::RegisterDevice, kPilotGuid, kLockedDevice, none,
             E::DeviceNotRegistrable},
            {"device registered already", Operation::RegisterDevice, kPilotGuid, kOthersDevice,
             none, E::DeviceAlreadyRegistered},
            {"updates, unknown user", Operation::Updates, unknownGuid, kPilotDevice, none,
             E::InvalidUserGuid},
            {"updates, unregistered device", Operation::Updates, kPilotGuid, kFreeDevice, none,
             E::DeviceNotRegistered},
            {"updates, unknown device", Operation::Updates, kPilotGuid, unknownSerial, none,
             E::DeviceNotRegistered},
            {"updates, another's device", Operation::Updates, kPilotGuid, kOthersDevice, none,
             E::RegisteredToAnotherAccount},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.operation << row.a << row.b << row.c << row.expected;
    }
    void serviceVerdictsArrive()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, c);
        QFETCH(ZandorexSiteError, expected);
        ServiceRig rig;
        QVERIFY(rig.start());
        const int accounts = int(rig.service.accounts().size());
        std::unique_ptr<ZandorexSiteReply> reply(startOperation(operation, a, b, c));
        QVERIFY(runToEnd(reply.get()));
        QVERIFY(transportSucceeded(*reply));
        QCOMPARE(reply->siteError, expected);
        // A refused registration adds no account.
        QCOMPARE(rig.service.accounts().size(), accounts);
    }

    // An answer that is not a whole "Response" document is an invalid response, whatever is
    // wrong with it; the transport itself succeeded.
    void unusableBodiesAreInvalidResponses_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("body");
        const auto raw = int(FaultKind::RawBody);
        QTest::newRow("not XML") << int(FaultKind::MalformedBody) << QByteArray();
        QTest::newRow("breaks off") << int(FaultKind::TruncatedBody) << QByteArray();
        QTest::newRow("another root") << int(FaultKind::WrongRoot) << QByteArray();
        QTest::newRow("empty") << raw << QByteArray("");
        QTest::newRow("unclosed elements")
            << raw << QByteArray("<Response><LoginUserResponse><UserGUID>G</UserGUID>");
        QTest::newRow("invalid UTF-8")
            << raw
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Response><LoginUserResponse>"
                          "<FirstName>\xC3\x28</FirstName></LoginUserResponse></Response>");
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE Response [<!ENTITY l0 \"lol\">";
        for (int i = 1; i < 10; ++i)
            laughs += QStringLiteral("<!ENTITY l%1 \"%2\">")
                          .arg(i)
                          .arg(QStringLiteral("&l%1;").arg(i - 1).repeated(10))
                          .toLatin1();
        laughs += "]><Response><LoginUserResponse><FirstName>&l9;</FirstName>"
                  "</LoginUserResponse></Response>";
        QTest::newRow("entity expansion") << raw << laughs;
    }
    void unusableBodiesAreInvalidResponses()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, body);
        ServiceRig rig;
        QVERIFY(rig.start());
        Fault spoilt = fault(FaultKind(kind));
        spoilt.body = body;
        rig.service.addFault(spoilt);
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kPilot, kPilotPassword));
        QVERIFY(runToEnd(reply.get()));
        QVERIFY(transportSucceeded(*reply));
        QCOMPARE(reply->siteError, E::InvalidResponse);
    }

    // The service drops the connection after reading the request: a transport error, and
    // no verdict. The transport's own resend meets the same fault.
    void closedConnectionIsATransportError()
    {
        ServiceRig rig;
        QVERIFY(rig.start());
        rig.service.addFault(fault(FaultKind::CloseConnection, {}, 0));
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kPilot, kPilotPassword));
        QVERIFY(runToEnd(reply.get()));
        QCOMPARE(reply->networkError, int(QNetworkReply::RemoteHostClosedError));
        QCOMPARE(reply->siteError, E::NoError);
        QVERIFY(reply->userGuid.isEmpty());
        QVERIFY(!rig.service.requests().isEmpty());
    }

    // A service that sends its headers and then nothing ends in the transfer timeout, which
    // is a failure to show and not a cancel to ignore; the connection is closed.
    void stalledAnswerTimesOut()
    {
        ServiceRig rig;
        QVERIFY(rig.start());
        siteconfig::setTransferTimeoutMs(1500);
        rig.service.addFault(fault(FaultKind::Stall));
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kPilot, kPilotPassword));
        QVERIFY(runToEnd(reply.get()));
        QCOMPARE(reply->networkError, int(QNetworkReply::TimeoutError));
        QVERIFY(!reply->isCancelled());
        QVERIFY(!reply->errorString.isEmpty());
        QCOMPARE(reply->siteError, E::NoError);
        QVERIFY(waitForNoConnections(rig.service));
    }

    // An answer larger than the client holds is cut off with the size error, and the client
    // really closes the connection instead of draining it.
    void hugeAnswerIsCutOff()
    {
        ServiceRig rig;
        QVERIFY(rig.start());
        Fault huge = fault(FaultKind::HugeBody);
        huge.value = 256 << 20;
        rig.service.addFault(huge);
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kPilot, kPilotPassword));
        QVERIFY(runToEnd(reply.get()));
        QCOMPARE(reply->networkError, int(QNetworkReply::UnknownContentError));
        QVERIFY(!reply->errorString.isEmpty());
        QCOMPARE(reply->siteError, E::NoError);
        QVERIFY(reply->userGuid.isEmpty());
        QVERIFY(waitForNoConnections(rig.service));
    }

    // abort() before the request went out and while the service holds it: finished() comes
    // once, reports the cancel, nothing of the answer is parsed in, and no connection stays.
    void abortEndsTheExchange_data()
    {
        QTest::addColumn<bool>("afterArrival");
        QTest::newRow("before sending") << false;
        QTest::newRow("while the service stalls") << true;
    }
    void abortEndsTheExchange()
    {
        QFETCH(bool, afterArrival);
        ServiceRig rig;
        QVERIFY(rig.start());
        if (afterArrival)
            rig.service.addFault(fault(FaultKind::Stall));
        QSignalSpy arrived(&rig.service, &testservice::TestService::requestReceived);
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kPilot, kPilotPassword));
        QSignalSpy finished(reply.get(), &ZandorexSiteReply::finished);
        if (afterArrival)
            QVERIFY(QTest::qWaitFor([&] { return arrived.count() == 1; }, kWaitMs));
        reply->abort();
        QCOMPARE(reply->networkError, int(QNetworkReply::OperationCanceledError));

        QVERIFY(waitForFinished(finished));
        QVERIFY(waitForNoConnections(rig.service));
        QVERIFY(drainNetworkThread());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(reply->networkError, int(QNetworkReply::OperationCanceledError));
        QCOMPARE(reply->siteError, E::NoError);
        QVERIFY(reply->userGuid.isEmpty());
    }
};

ZX_REGISTER_TEST(SiteTransportTest);
#include "test_sitetransport.moc"
