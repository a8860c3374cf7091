#include "online/siteconfig.h"
#include "online/siterequests.h"
#include "testregistry.h"

#include <QTest>
#include <QXmlStreamReader>

namespace {

// The envelope every request shares, one tab per level, around the operation's element.
QString document(const QString &body)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<Request xmlns=\"%1\">\n"
                          "\t<TransactionReference>\n"
                          "\t\t<AccessRequest>\n"
                          "\t\t\t<AccessLicenseNumber>%2</AccessLicenseNumber>\n"
                          "\t\t\t<UserId>%3</UserId>\n"
                          "\t\t\t<Password>%4</Password>\n"
                          "\t\t</AccessRequest>\n"
                          "\t\t<XpciVersion>1.0.1</XpciVersion>\n"
                          "\t</TransactionReference>\n")
               .arg(siteconfig::documentNamespace(), siteconfig::accessLicenseNumber(),
                    siteconfig::accessUserId(), siteconfig::accessPassword()) +
           body + QStringLiteral("</Request>\n");
}

RegisterData fullRegisterData()
{
    RegisterData data;
    data.cultureInfoName = "en-GB";
    data.username = "pilot";
    data.password = "s3cret<&>";
    data.firstName = "Ann";
    data.lastName = "Flyer";
    data.email = "ann@example.com";
    data.addressLine1 = "1 Field Road";
    data.addressLine2 = "Hangar 2";
    data.city = "Leeds";
    data.stateAbbr = "WY";
    data.postalCode = "LS1 1AA";
    data.countryCode = "GB";
    data.emailNotify = true;
    return data;
}

RegisterDeviceData fullDeviceData()
{
    RegisterDeviceData data;
    data.serialNumber = "ABCDEFGHIJKLM";
    data.nickname = "Blue glider";
    data.buyOrGift = RegisterDeviceData::Bought;
    data.whereDidYouPurchase = "Club shop";
    data.howDidYouFirstLearn = "A friend";
    data.purchaseDate = QDateTime(QDate(2024, 3, 5), QTime(14, 30, 0), Qt::UTC);
    data.notifyUpdatesAndNewReleases = true;
    data.comments = "Thanks";
    return data;
}

QString serialNumberIn(const QByteArray &request)
{
    QXmlStreamReader xml(request);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("DeviceSerialNumber"))
            return xml.readElementText();
        if (xml.name() != QLatin1String("Request") &&
            !xml.name().endsWith(QLatin1String("Request")))
            xml.skipCurrentElement();
    }
    return QStringLiteral("<not found: %1>").arg(xml.errorString());
}

} // namespace

// Each request is compared whole: the envelope, the tabs, the order of the elements, and the
// optional ones left out when empty.
class SiteRequestsTest : public QObject
{
    Q_OBJECT

private slots:
    void documents_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("expected");

        QTest::newRow("log in") << createLogInRequest("pilot", "pa<ss")->readAll()
                                << document("\t<LoginUserRequest>\n"
                                            "\t\t<UserID>pilot</UserID>\n"
                                            "\t\t<Password>pa&lt;ss</Password>\n"
                                            "\t</LoginUserRequest>\n");

        QTest::newRow("register, every field")
            << createRegisterRequest(fullRegisterData())->readAll()
            << document("\t<RegisterUserRequest>\n"
                        "\t\t<CultureInfoName>en-GB</CultureInfoName>\n"
                        "\t\t<UserID>pilot</UserID>\n"
                        "\t\t<Password>s3cret&lt;&amp;&gt;</Password>\n"
                        "\t\t<FirstName>Ann</FirstName>\n"
                        "\t\t<LastName>Flyer</LastName>\n"
                        "\t\t<Email>ann@example.com</Email>\n"
                        "\t\t<AddressLine1>1 Field Road</AddressLine1>\n"
                        "\t\t<AddressLine2>Hangar 2</AddressLine2>\n"
                        "\t\t<City>Leeds</City>\n"
                        "\t\t<StateAbbr>WY</StateAbbr>\n"
                        "\t\t<PostalCode>LS1 1AA</PostalCode>\n"
                        "\t\t<CountryCode>GB</CountryCode>\n"
                        "\t\t<EmailNotify>true</EmailNotify>\n"
                        "\t</RegisterUserRequest>\n");

        // The mandatory elements stay even when empty; only the three optional ones go.
        QTest::newRow("register, nothing given")
            << createRegisterRequest({})->readAll()
            << document("\t<RegisterUserRequest>\n"
                        "\t\t<CultureInfoName></CultureInfoName>\n"
                        "\t\t<UserID></UserID>\n"
                        "\t\t<Password></Password>\n"
                        "\t\t<FirstName></FirstName>\n"
                        "\t\t<LastName></LastName>\n"
                        "\t\t<Email></Email>\n"
                        "\t\t<AddressLine1></AddressLine1>\n"
                        "\t\t<City></City>\n"
                        "\t\t<CountryCode></CountryCode>\n"
                        "\t\t<EmailNotify>false</EmailNotify>\n"
                        "\t</RegisterUserRequest>\n");

        QTest::newRow("register device, every field")
            << createRegisterDeviceRequest("GUID-1", fullDeviceData())->readAll()
            << document("\t<RegisterDeviceRequest>\n"
                        "\t\t<UserGUID>GUID-1</UserGUID>\n"
                        "\t\t<DeviceSerialNumber><![CDATA[ABCDEFGHIJKLM]]></DeviceSerialNumber>\n"
                        "\t\t<RegistrationNickName>Blue glider</RegistrationNickName>\n"
                        "\t\t<BuyorGift>P</BuyorGift>\n"
                        "\t\t<WhereDidYouPurchase>Club shop</WhereDidYouPurchase>\n"
                        "\t\t<HowDidYouFirstLearn>A friend</HowDidYouFirstLearn>\n"
                        "\t\t<PurchaseDate>2024-03-05T14:30:00Z</PurchaseDate>\n"
                        "\t\t<NotifyUpdatesAndNewReleases>true</NotifyUpdatesAndNewReleases>\n"
                        "\t\t<Comments>Thanks</Comments>\n"
                        "\t</RegisterDeviceRequest>\n");

        RegisterDeviceData gift;
        gift.serialNumber = "S1";
        gift.buyOrGift = RegisterDeviceData::Gift;
        QTest::newRow("register device, a gift and nothing else")
            << createRegisterDeviceRequest("GUID-1", gift)->readAll()
            << document("\t<RegisterDeviceRequest>\n"
                        "\t\t<UserGUID>GUID-1</UserGUID>\n"
                        "\t\t<DeviceSerialNumber><![CDATA[S1]]></DeviceSerialNumber>\n"
                        "\t\t<BuyorGift>G</BuyorGift>\n"
                        "\t\t<NotifyUpdatesAndNewReleases>false</NotifyUpdatesAndNewReleases>\n"
                        "\t</RegisterDeviceRequest>\n");

        RegisterDeviceData minimal;
        minimal.serialNumber = "S1";
        QTest::newRow("register device, nothing optional")
            << createRegisterDeviceRequest("GUID-1", minimal)->readAll()
            << document("\t<RegisterDeviceRequest>\n"
                        "\t\t<UserGUID>GUID-1</UserGUID>\n"
                        "\t\t<DeviceSerialNumber><![CDATA[S1]]></DeviceSerialNumber>\n"
                        "\t\t<NotifyUpdatesAndNewReleases>false</NotifyUpdatesAndNewReleases>\n"
                        "\t</RegisterDeviceRequest>\n");

        QTest::newRow("updates list")
            << createUpdatesListRequest("GUID-1", "ABCDEFGHIJKLM")->readAll()
            << document("\t<GetListofUpdatesRequest>\n"
                        "\t\t<UserGUID>GUID-1</UserGUID>\n"
                        "\t\t<DeviceSerialNumber><![CDATA[ABCDEFGHIJKLM]]></DeviceSerialNumber>\n"
                        "\t</GetListofUpdatesRequest>\n");
    }
    void documents()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromUtf8(request), expected);
    }

    // Serial numbers are sent as the device holds them, without the NUL padding of shorter
    // ones (no XML document may hold a NUL): whatever else they contain, a reader gets the
    // same characters back out of the CDATA.
    void serialNumberSurvivesCdata_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("sent");
        QTest::newRow("CDATA end inside") << "AB]]>CD"
                                          << "AB]]>CD";
        QTest::newRow("markup characters") << "<&>\"'"
                                           << "<&>\"'";
        QTest::newRow("two CDATA ends") << "]]>]]>"
                                        << "]]>]]>";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("NUL padding")
            << QStringLiteral("ZX-RX-0001") + QString(20, QChar(0)) << "ZX-RX-0001";
    }
    void serialNumberSurvivesCdata()
    {
        QFETCH(QString, serial);
        QFETCH(QString, sent);
        RegisterDeviceData data;
        data.serialNumber = serial;
        QCOMPARE(serialNumberIn(createRegisterDeviceRequest("G", data)->readAll()), sent);
        QCOMPARE(serialNumberIn(createUpdatesListRequest("G", serial)->readAll()), sent);
    }
};

ZX_REGISTER_TEST(SiteRequestsTest);
#include "test_siterequests.moc"
