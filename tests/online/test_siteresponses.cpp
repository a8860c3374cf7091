#include "online/siteresponses.h"
#include "online/zandorexsite.h"
#include "testregistry.h"

#include <QTest>

namespace {

enum class Operation { LogIn, Register, RegisterDevice, UpdatesList };

const Operation kAllOperations[] = {Operation::LogIn, Operation::Register,
                                    Operation::RegisterDevice, Operation::UpdatesList};

ZandorexSiteError parse(Operation operation, const QByteArray &body)
{
    QString guid, first, last;
    QList<UpdateData> updates;
    switch (operation) {
    case Operation::LogIn:
        return parseLogInResponse(body, guid, first, last);
    case Operation::Register:
        return parseRegisterResponse(body, guid);
    case Operation::RegisterDevice:
        return parseRegisterDeviceResponse(body);
    case Operation::UpdatesList:
        return parseUpdatesListResponse(body, updates);
    }
    return ZandorexSiteError::NoError;
}

QByteArray errorResponse(const QByteArray &code)
{
    return "<Response><ErrorResponse><ErrorCode>" + code +
           "</ErrorCode><ErrorDescription>what went wrong</ErrorDescription>"
           "</ErrorResponse></Response>";
}

QByteArray updatesBody(const QByteArray &deviceUpdates)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Response xmlns=\"urn:zx\">"
           "<GetListofUpdatesResponse>" +
           deviceUpdates + "</GetListofUpdatesResponse></Response>";
}

UpdateData singleUpdate(const QByteArray &deviceUpdateChildren)
{
    QList<UpdateData> updates;
    const ZandorexSiteError error = parseUpdatesListResponse(
        updatesBody("<DeviceUpdate>" + deviceUpdateChildren + "</DeviceUpdate>"), updates);
    if (error != ZandorexSiteError::NoError || updates.size() != 1)
        return {};
    return updates.first();
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(ZandorexSiteError)

class SiteResponsesTest : public QObject
{
    Q_OBJECT

    QStringList m_trace;

private slots:
    void initTestCase()
    {
        ZandorexSite::setTraceSink([this](const QString &line) { m_trace.append(line); });
    }
    void init() { m_trace.clear(); }
    void cleanupTestCase() { ZandorexSite::setTraceSink(nullptr); }

    // Each operation knows only its own codes; anything else non-empty is UnknownError.
    void errorCodes_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<ZandorexSiteError>("expected");
        using E = ZandorexSiteError;
        const auto row = [](const char *name, Operation operation, const char *code, E expected) {
            QTest::addRow("%s %s", name, code) << operation << QByteArray(code) << expected;
        };
        row("log in", Operation::LogIn, "7001", E::InvalidCredentials);
        row("log in", Operation::LogIn, "7002", E::InvalidCredentials);
        row("log in", Operation::LogIn, "7003", E::InvalidCredentials);
        row("log in", Operation::LogIn, "8001", E::UnknownError);
        row("log in", Operation::LogIn, "3001", E::UnknownError);
        row("log in", Operation::LogIn, " 7002\n", E::InvalidCredentials);
        row("log in", Operation::LogIn, "", E::NoError);
        row("register", Operation::Register, "8001", E::EmailAlreadyRegistered);
        row("register", Operation::Register, "8003", E::UsernameTaken);
        row("register", Operation::Register, "8005", E::InvalidEmail);
        row("register", Operation::Register, "8006", E::InvalidPassword);
        row("register", Operation::Register, "8009", E::InvalidUsername);
        row("register", Operation::Register, "8002", E::UnknownError);
        row("register", Operation::Register, "7002", E::UnknownError);
        row("register device", Operation::RegisterDevice, "3001", E::InvalidUserGuid);
        row("register device", Operation::RegisterDevice, "3002", E::InvalidUserGuid);
        row("register device", Operation::RegisterDevice, "3007", E::DeviceAlreadyRegistered);
        row("register device", Operation::RegisterDevice, "3008", E::DeviceNotRegistrable);
        row("register device", Operation::RegisterDevice, "3009", E::SerialNumberNotRecognized);
        row("register device", Operation::RegisterDevice, "3010", E::DeviceRegistrationRejected);
        row("register device", Operation::RegisterDevice, "2003", E::UnknownError);
        row("register device", Operation::RegisterDevice, "7002", E::UnknownError);
        row("updates list", Operation::UpdatesList, "2002", E::UpdatesRequestRejected);
        row("updates list", Operation::UpdatesList, "2003", E::DeviceNotRegistered);
        row("updates list", Operation::UpdatesList, "2004", E::RegisteredToAnotherAccount);
        row("updates list", Operation::UpdatesList, "3001", E::InvalidUserGuid);
        row("updates list", Operation::UpdatesList, "3002", E::InvalidUserGuid);
        row("updates list", Operation::UpdatesList, "3007", E::UnknownError);
        row("updates list", Operation::UpdatesList, "7002", E::UnknownError);
        row("updates list", Operation::UpdatesList, "not a number", E::UnknownError);
    }
    void errorCodes()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, code);
        QFETCH(ZandorexSiteError, expected);
        QCOMPARE(parse(operation, errorResponse(code)), expected);
    }

    // The frame every operation shares: the same body gives the same verdict for all four.
    void documentFrame_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<ZandorexSiteError>("expected");
        using E = ZandorexSiteError;
        QTest::newRow("empty Response") << QByteArray("<Response/>") << E::NoError;
        QTest::newRow("only unknown children")
            << QByteArray("<?xml version=\"1.0\"?><!-- hi --><Response xmlns=\"urn:zx\">"
                          "<Other><ErrorResponse><ErrorCode>7002</ErrorCode></ErrorResponse>"
                          "</Other>text</Response>\n")
            << E::NoError;
        QTest::newRow("ErrorResponse with an unknown child")
            << QByteArray("<Response><ErrorResponse><Extra><ErrorCode>1</ErrorCode></Extra>"
                          "<ErrorCode>9999</ErrorCode></ErrorResponse></Response>")
            << E::UnknownError;
        QTest::newRow("wrong root")
            << QByteArray("<Reply><ErrorResponse/></Reply>") << E::InvalidResponse;
        QTest::newRow("empty body") << QByteArray() << E::InvalidResponse;
        QTest::newRow("not XML") << QByteArray("{\"error\": 7002}") << E::InvalidResponse;
        QTest::newRow("HTML page")
            << QByteArray("<html><body>Server Error</body></html>") << E::InvalidResponse;
        QTest::newRow("truncated")
            << QByteArray("<Response><ErrorResponse><ErrorCode>70") << E::InvalidResponse;
        QTest::newRow("unclosed Response")
            << QByteArray("<Response><Other/>") << E::InvalidResponse;
        QTest::newRow("garbage after the document")
            << QByteArray("<Response/><Response/>") << E::InvalidResponse;
        QTest::newRow("broken inside ErrorResponse")
            << QByteArray("<Response><ErrorResponse><ErrorCode>1</Wrong></ErrorResponse>"
                          "</Response>")
            << E::InvalidResponse;
        QTest::newRow("invalid UTF-8 in text")
            << QByteArray("<Response><Other>caf\xc3\x28</Other></Response>") << E::InvalidResponse;
        // Internal entities would be expanded by the reader; a DOCTYPE is refused before.
        QTest::newRow("entity expansion")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE Response ["
                          "<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
                          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                          "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                          "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                          "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                          "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
                          "]><Response><ErrorResponse><ErrorCode>&f;</ErrorCode>"
                          "</ErrorResponse></Response>")
            << E::InvalidResponse;
        QTest::newRow("entity standing in for a code")
            << QByteArray("<!DOCTYPE Response [<!ENTITY c \"7002\">]><Response><ErrorResponse>"
                          "<ErrorCode>&c;</ErrorCode></ErrorResponse></Response>")
            << E::InvalidResponse;
        QTest::newRow("external entity")
            << QByteArray("<!DOCTYPE Response [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                          "<Response>&x;</Response>")
            << E::InvalidResponse;
        QTest::newRow("undeclared entity")
            << QByteArray("<Response>&x;</Response>") << E::InvalidResponse;
    }
    void documentFrame()
    {
        QFETCH(QByteArray, body);
        QFETCH(ZandorexSiteError, expected);
        for (const Operation operation : kAllOperations)
            QCOMPARE(parse(operation, body), expected);
    }

    // A reply without the operation's element is a success that leaves every field empty.
    void missingOperationElementLeavesFieldsEmpty()
    {
        QString guid, first, last;
        QCOMPARE(parseLogInResponse("<Response/>", guid, first, last), ZandorexSiteError::NoError);
        QVERIFY(guid.isEmpty() && first.isEmpty() && last.isEmpty());
        QList<UpdateData> updates;
        QCOMPARE(parseUpdatesListResponse("<Response/>", updates), ZandorexSiteError::NoError);
        QVERIFY(updates.isEmpty());
    }

    void operationElementsFillTheReply()
    {
        QString guid, first, last;
        QCOMPARE(parseLogInResponse("<Response><Junk><UserGUID>no</UserGUID></Junk>"
                                    "<LoginUserResponse><LastName>Flyer</LastName>"
                                    "<Extra><UserGUID>no</UserGUID></Extra>"
                                    "<UserGUID>G-1</UserGUID><FirstName>Ann &amp; Bo</FirstName>"
                                    "</LoginUserResponse></Response>",
                                    guid, first, last),
                 ZandorexSiteError::NoError);
        QCOMPARE(guid, "G-1");
        QCOMPARE(first, "Ann & Bo");
        QCOMPARE(last, "Flyer");

        QString registeredGuid;
        QCOMPARE(parseRegisterResponse("<Response><RegisterUserResponse><UserGUID>G-2"
                                       "</UserGUID></RegisterUserResponse></Response>",
                                       registeredGuid),
                 ZandorexSiteError::NoError);
        QCOMPARE(registeredGuid, "G-2");

        // The data and the verdict come together: a log-in answer can carry both.
        QCOMPARE(parseLogInResponse("<Response><LoginUserResponse><UserGUID>G-3</UserGUID>"
                                    "</LoginUserResponse><ErrorResponse><ErrorCode>7001"
                                    "</ErrorCode></ErrorResponse></Response>",
                                    guid, first, last),
                 ZandorexSiteError::InvalidCredentials);
        QCOMPARE(parseRegisterDeviceResponse("<Response><RegisterDeviceResponse><Anything>"
                                             "<Deep/></Anything></RegisterDeviceResponse>"
                                             "</Response>"),
                 ZandorexSiteError::NoError);
        QCOMPARE(parseRegisterDeviceResponse(
                     "<Response><RegisterDeviceResponse><A></B></RegisterDeviceResponse>"
                     "</Response>"),
                 ZandorexSiteError::InvalidResponse);
    }

    void traceLines()
    {
        QString guid, first, last;
        (void)parseLogInResponse("<Response><ErrorResponse><ErrorCode>7002</ErrorCode>"
                                 "<ErrorDescription>Bad password</ErrorDescription>"
                                 "</ErrorResponse><LoginUserResponse/></Response>",
                                 guid, first, last);
        QCOMPARE(m_trace,
                 (QStringList{"error response", "    code: 7002", "    description: Bad password",
                              "response: LoginUserResponse"}));
    }

    void updatesInDocumentOrder()
    {
        QList<UpdateData> updates{UpdateData{}, UpdateData{}}; // left over from before
        const QByteArray body = updatesBody(
            "<DeviceUpdate>"
            "<RequiredMaxVersion>3.0</RequiredMaxVersion><UpdateGUID>u-1</UpdateGUID>"
            "<UpdateTitle>Version 3.10.7</UpdateTitle>"
            "<UpdateDescription>&lt;b&gt;Faster&lt;/b&gt;</UpdateDescription>"
            "<UpdateVersion>3.10.7</UpdateVersion>"
            "<UpdateReleaseDate>2024-03-05T14:30:00Z</UpdateReleaseDate>"
            "<UpdateDownloadURI>https://example.com/u.sax</UpdateDownloadURI>"
            "<UpdateManualDownloadURI>https://example.com/u.txt</UpdateManualDownloadURI>"
            "<UpdateHowToDownloadURI>https://example.com/how</UpdateHowToDownloadURI>"
            "<UpdateManual><UpdateTitle>not this</UpdateTitle></UpdateManual>"
            "<UpdateHowTo><UpdateVersion>9.9</UpdateVersion></UpdateHowTo>"
            "<ProductCode>0x8A</ProductCode><MinVersion>1.0</MinVersion>"
            "<MaxVersion>3.10.6</MaxVersion><RequiredMinVersion>2.0</RequiredMinVersion>"
            "<SomethingNew>x</SomethingNew>"
            "</DeviceUpdate>"
            "<NotAnUpdate><UpdateGUID>no</UpdateGUID></NotAnUpdate>"
            "<DeviceUpdate/>"
            "<DeviceUpdate><UpdateGUID>u-3</UpdateGUID></DeviceUpdate>");
        QCOMPARE(parseUpdatesListResponse(body, updates), ZandorexSiteError::NoError);
        QCOMPARE(updates.size(), 3);

        const UpdateData &full = updates[0];
        QCOMPARE(full.guid, "u-1");
        QCOMPARE(full.title, "Version 3.10.7");
        QCOMPARE(full.description, "<b>Faster</b>");
        QCOMPARE(full.version, "3.10.7");
        QCOMPARE(full.releaseDate, QDateTime(QDate(2024, 3, 5), QTime(14, 30), Qt::UTC));
        QCOMPARE(full.downloadUri, "https://example.com/u.sax");
        QCOMPARE(full.manualDownloadUri, "https://example.com/u.txt");
        QCOMPARE(full.howToDownloadUri, "https://example.com/how");
        QCOMPARE(full.productCode, std::optional<std::uint16_t>(0x8A));
        QCOMPARE(full.minVersion, "1.0");
        QCOMPARE(full.maxVersion, "3.10.6");
        QCOMPARE(full.requiredMinVersion, "2.0");
        QCOMPARE(full.requiredMaxVersion, "3.0");

        // Every field missing: the update is kept, empty.
        const UpdateData &empty = updates[1];
        QVERIFY(empty.guid.isEmpty() && empty.version.isEmpty() && empty.downloadUri.isEmpty());
        QVERIFY(empty.releaseDate.isNull());
        QVERIFY(!empty.productCode);
        QCOMPARE(updates[2].guid, "u-3");
    }

    // Trimmed; "0x" (lower-case only) means hexadecimal; anything that does not fit an
    // unsigned 16-bit number is no value.
    void productCode_data()
    {
        QTest::addColumn<QByteArray>("element");
        QTest::addColumn<int>("expected"); // -1 = no value
        QTest::newRow("absent") << QByteArray() << -1;
        QTest::newRow("hex") << QByteArray("<ProductCode>0x8A</ProductCode>") << 0x8A;
        QTest::newRow("hex, lower-case digits")
            << QByteArray("<ProductCode>0x8a</ProductCode>") << 0x8A;
        QTest::newRow("decimal, padded") << QByteArray("<ProductCode> 138 </ProductCode>") << 138;
        QTest::newRow("largest") << QByteArray("<ProductCode>65535</ProductCode>") << 65535;
        QTest::newRow("largest hex") << QByteArray("<ProductCode>0xFFFF</ProductCode>") << 0xFFFF;
        QTest::newRow("upper-case X") << QByteArray("<ProductCode>0X8A</ProductCode>") << -1;
        QTest::newRow("too large") << QByteArray("<ProductCode>70000</ProductCode>") << -1;
        QTest::newRow("too large hex") << QByteArray("<ProductCode>0x10000</ProductCode>") << -1;
        QTest::newRow("huge") << QByteArray("<ProductCode>99999999999999999999</ProductCode>")
                              << -1;
        QTest::newRow("empty") << QByteArray("<ProductCode></ProductCode>") << -1;
        QTest::newRow("prefix only") << QByteArray("<ProductCode>0x</ProductCode>") << -1;
        QTest::newRow("two prefixes") << QByteArray("<ProductCode>0x0x8A</ProductCode>") << -1;
        QTest::newRow("negative") << QByteArray("<ProductCode>-1</ProductCode>") << -1;
        QTest::newRow("plus sign") << QByteArray("<ProductCode>+138</ProductCode>") << -1;
        QTest::newRow("inner space") << QByteArray("<ProductCode>1 38</ProductCode>") << -1;
        QTest::newRow("hex without prefix") << QByteArray("<ProductCode>8A</ProductCode>") << -1;
    }
    void productCode()
    {
        QFETCH(QByteArray, element);
        QFETCH(int, expected);
        const UpdateData update = singleUpdate("<UpdateGUID>g</UpdateGUID>" + element);
        QCOMPARE(update.guid, "g");
        if (expected < 0)
            QCOMPARE(update.productCode, std::nullopt);
        else
            QCOMPARE(update.productCode, std::optional<std::uint16_t>(expected));
    }

    void releaseDateThatIsNotIsoIsNull()
    {
        const UpdateData update = singleUpdate("<UpdateGUID>g</UpdateGUID>"
                                               "<UpdateReleaseDate>05/03/2024</UpdateReleaseDate>");
        QCOMPARE(update.guid, "g");
        QVERIFY(update.releaseDate.isNull());
        QCOMPARE(singleUpdate("<UpdateReleaseDate>2024-03-05</UpdateReleaseDate>").releaseDate,
                 QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    }

    // Large and deep documents are read without recursion, in time proportional to the size.
    void millionsOfElementsStayBounded()
    {
        QByteArray siblings = "<Response>";
        siblings.reserve(4'200'000);
        for (int i = 0; i < 1'000'000; ++i)
            siblings += "<x/>";
        siblings += "<ErrorResponse><ErrorCode>2003</ErrorCode></ErrorResponse></Response>";
        QCOMPARE(parse(Operation::UpdatesList, siblings), ZandorexSiteError::DeviceNotRegistered);

        const int depth = 200'000;
        const QByteArray deep = "<Response><GetListofUpdatesResponse><DeviceUpdate>" +
                                QByteArray("<a>").repeated(depth) +
                                QByteArray("</a>").repeated(depth) +
                                "</DeviceUpdate></GetListofUpdatesResponse></Response>";
        QList<UpdateData> updates;
        QCOMPARE(parseUpdatesListResponse(deep, updates), ZandorexSiteError::NoError);
        QCOMPARE(updates.size(), 1);
        QCOMPARE(parse(Operation::LogIn, deep.left(deep.size() - 20)),
                 ZandorexSiteError::InvalidResponse);
    }
};

ZX_REGISTER_TEST(SiteResponsesTest);
#include "test_siteresponses.moc"
