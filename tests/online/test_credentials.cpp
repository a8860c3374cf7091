#include "online/countries.h"
#include "online/credentials.h"
#include "testregistry.h"

#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList codesOf(const QStringList &pairs)
{
    QStringList codes;
    for (qsizetype i = 0; i < pairs.size(); i += 2)
        codes.append(pairs.at(i));
    return codes;
}

QString nameOf(const QStringList &pairs, const QString &code)
{
    const qsizetype index = pairs.indexOf(code);
    return index >= 0 && index % 2 == 0 ? pairs.value(index + 1) : QString();
}

} // namespace

class CredentialsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        m_settings->clear();
    }

    void cleanup() { m_settings.reset(); }

    // A log-in keeps the service's GUID and names with the name as the user typed it.
    void logInIsRemembered()
    {
        QVERIFY(!credentials::account(*m_settings).isLoggedIn());

        credentials::storeLogIn(*m_settings, QStringLiteral("Pilot"), QStringLiteral("guid-1"),
                                QStringLiteral("Ada"), QStringLiteral("Lovelace"));

        const credentials::Account account = credentials::account(*m_settings);
        QVERIFY(account.isLoggedIn());
        QCOMPARE(account.userGuid, QStringLiteral("guid-1"));
        QCOMPARE(account.username, QStringLiteral("Pilot"));
        QCOMPARE(account.firstName, QStringLiteral("Ada"));
        QCOMPARE(account.lastName, QStringLiteral("Lovelace"));
    }

    // A stale GUID is forgotten on its own; the names stay until a log-out or a new log-in.
    void forgettingTheGuidKeepsTheRest()
    {
        storeAccountWithPassword();

        credentials::forgetUserGuid(*m_settings);

        const credentials::Account account = credentials::account(*m_settings);
        QVERIFY(!account.isLoggedIn());
        QVERIFY(m_settings->contains(credentials::kUserGuidKey));
        QCOMPARE(account.username, QStringLiteral("Pilot"));
        QCOMPARE(account.firstName, QStringLiteral("Ada"));
        QCOMPARE(m_settings->value(credentials::kPasswordKey).toString(), QStringLiteral("pw"));
    }

    // Log-out stores empty values (not removed keys) for everything but the user name, which
    // pre-fills the next log-in.
    void logOutKeepsOnlyTheUsername()
    {
        storeAccountWithPassword();

        credentials::logOut(*m_settings);

        for (const QString &key : {credentials::kUserGuidKey, credentials::kFirstNameKey,
                                   credentials::kLastNameKey, credentials::kPasswordKey}) {
            QVERIFY2(m_settings->contains(key), qPrintable(key));
            QVERIFY2(m_settings->value(key).toString().isEmpty(), qPrintable(key));
        }
        QCOMPARE(m_settings->value(credentials::kUsernameKey).toString(), QStringLiteral("Pilot"));
        QVERIFY(!credentials::account(*m_settings).isLoggedIn());
    }

    // The country box: four leading countries, the rest sorted by name, codes the service
    // takes (two upper-case letters, each once).
    void countryListShape()
    {
        const QStringList &list = countries::countryList();
        QCOMPARE(list.size(), 2 * 240);
        QCOMPARE(list.mid(0, 8), (QStringList{"US", "United States", "CA", "Canada", "DE",
                                              "Germany", "GB", "United Kingdom"}));

        const QStringList codes = codesOf(list);
        QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), codes.size());
        const QRegularExpression twoUpperCase(QStringLiteral("^[A-Z]{2}$"));
        for (const QString &code : codes)
            QVERIFY2(twoUpperCase.match(code).hasMatch(), qPrintable(code));

        for (qsizetype i = 2 * 4 + 1; i + 2 < list.size(); i += 2)
            QVERIFY2(list.at(i).compare(list.at(i + 2), Qt::CaseInsensitive) < 0,
                     qPrintable(list.at(i) + " / " + list.at(i + 2)));
        QCOMPARE(codes.mid(4, 6), (QStringList{"AF", "AL", "DZ", "AS", "AD", "AO"}));
        QCOMPARE(codes.mid(codes.size() - 5), (QStringList{"YE", "YU", "ZR", "ZM", "ZW"}));
    }

    // Names that differ from today's usual spelling, kept as the service's users know them.
    void countryNamesAsWritten_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("CO") << "CO"
                            << "Columbia";
        QTest::newRow("GI") << "GI"
                            << "Gibralter";
        QTest::newRow("XS") << "XS"
                            << "Reserved";
        QTest::newRow("KP") << "KP"
                            << "Korea, Dem. People's Rep (N. Korea)";
        QTest::newRow("KR") << "KR"
                            << "Korea, Republic of (S. Korea)";
        QTest::newRow("VC") << "VC"
                            << "Saint Vincent and the Grenadin";
        QTest::newRow("BA") << "BA"
                            << "Bosnia and Herzegowina";
        QTest::newRow("AG") << "AG"
                            << "Antigua & Barbuda";
        QTest::newRow("TP") << "TP"
                            << "East Timor";
        QTest::newRow("AN") << "AN"
                            << "Netherlands Antilles";
        QTest::newRow("CS") << "CS"
                            << "Serbia & Montenegro";
        QTest::newRow("YU") << "YU"
                            << "Yugoslavia";
        QTest::newRow("ZR") << "ZR"
                            << "Zaire";
    }

    void countryNamesAsWritten()
    {
        QFETCH(QString, code);
        QFETCH(QString, name);
        QCOMPARE(nameOf(countries::countryList(), code), name);
    }

    // The state box: US states with DC and PR, the military regions, the Canadian provinces.
    void stateListOrder()
    {
        const QStringList &list = countries::stateList();
        QCOMPARE(list.size(), 2 * 67);
        const QStringList expected =
            QStringLiteral("AL AK AR AZ CA CO CT DC DE FL GA HI IA ID IL IN KS KY "
                           "LA MA MD ME MI MN MO MS MT NC ND NE NH NJ NM NV NY OH "
                           "OK OR PA PR RI SC SD TN TX UT VA VT WA WI WV WY AA AE "
                           "AP AB BC MB NB NF NS NT ON PE QC SK YT")
                .split(QLatin1Char(' '));
        QCOMPARE(codesOf(list), expected);
        QCOMPARE(nameOf(list, "DC"), QStringLiteral("District of Columbia"));
        QCOMPARE(nameOf(list, "PR"), QStringLiteral("Puerto Rico"));
        QCOMPARE(nameOf(list, "NF"), QStringLiteral("Newfoundland"));
        QCOMPARE(nameOf(list, "AA"), QStringLiteral("Military Central/South America"));
        QCOMPARE(nameOf(list, "AE"), QStringLiteral("Military CA/Europe/Asia/Mid East"));
        QCOMPARE(nameOf(list, "AP"), QStringLiteral("Military Alaska/Pacific"));
    }

private:
    void storeAccountWithPassword()
    {
        credentials::storeLogIn(*m_settings, QStringLiteral("Pilot"), QStringLiteral("guid-1"),
                                QStringLiteral("Ada"), QStringLiteral("Lovelace"));
        m_settings->setValue(credentials::kPasswordKey, QStringLiteral("pw"));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
};

ZX_REGISTER_TEST(CredentialsTest);
#include "test_credentials.moc"
