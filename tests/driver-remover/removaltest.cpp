#include "testregistry.h"
#include "toolfixture.h"

#include <QJsonArray>
#include <QTest>

#include <memory>

// Drivers that a loaded filter file selects are printed and their packages uninstalled.
class RemovalTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void selectsDrivers_data();
    void selectsDrivers();
    void printsEachMatchOnce();
    void goesOnAfterFailedUninstall();
    void uninstallsSharedPackageOnce();
    void dryRunUninstallsNothing();

private:
    std::unique_ptr<ToolFixture> m_tool;
};

void RemovalTest::init()
{
    m_tool = std::make_unique<ToolFixture>();
}

// Five drivers that differ where the criteria look: at the edges of a day, in the case of a
// name, in the version, in their class and in non-ASCII text.
static QJsonArray sampleDrivers()
{
    const QString lastTickOfDay = "T23:59:59.9999999Z";
    return {
        ToolFixture::driver("Alpha", "oem1.inf"),
        ToolFixture::driver("Beta", "oem2.inf",
                            {{"providerName", "acme inc"},
                             {"driverDate", "2020-01-02" + lastTickOfDay},
                             {"driverVersion", "0.0.0.0"}}),
        ToolFixture::driver("Gamma", "oem3.inf",
                            {{"mfgName", "Other"},
                             {"providerName", "Other Ltd"},
                             {"driverDate", "2020-01-01" + lastTickOfDay},
                             {"driverVersion", "1.0.0.1"}}),
        ToolFixture::driver("Delta", "oem4.inf",
                            {{"mfgName", "Other"},
                             {"providerName", "Other Ltd"},
                             {"driverDate", "2020-01-03T00:00:00Z"},
                             {"driverVersion", "65535.65535.65535.65535"}}),
        ToolFixture::driver(
            QString::fromUtf8("Gerät ✓ 😀"), "oem5.inf",
            {{"classGuid", ToolFixture::kNetworkClass}, {"driverDate", "1601-01-01T00:00:00Z"}}),
    };
}

// Each row: the filter file and the INF files uninstalled, in driver order. The tool must
// print exactly the drivers it uninstalls.
void RemovalTest::selectsDrivers_data()
{
    QTest::addColumn<QByteArray>("filters");
    QTest::addColumn<QStringList>("uninstalled");

    const QStringList keyboards{"oem1.inf", "oem2.inf", "oem3.inf", "oem4.inf"};
    const QStringList all = keyboards + QStringList{"oem5.inf"};

    QTest::newRow("no filters") << QByteArray(R"({"filters": []})") << QStringList();
    QTest::newRow("empty filter, all classes") << QByteArray(R"({"filters": [{}]})") << all;
    QTest::newRow("empty filter, nil class")
        << QByteArray(R"({"classGuid": "00000000-0000-0000-0000-000000000000", "filters": [{}]})")
        << all;
    QTest::newRow("empty filter, one class")
        << QByteArray(R"({"classGuid": "4d36e96b-e325-11ce-bfc1-08002be10318", "filters": [{}]})")
        << keyboards;
    QTest::newRow("class in capitals")
        << QByteArray(R"({"classGuid": "4D36E972-E325-11CE-BFC1-08002BE10318", "filters": [{}]})")
        << QStringList{"oem5.inf"};

    QTest::newRow("date covers the whole UTC day")
        << QByteArray(R"({"filters": [{"driverDate": "2020-1-2"}]})")
        << QStringList{"oem1.inf", "oem2.inf"};
    QTest::newRow("first FILETIME day")
        << QByteArray(R"({"filters": [{"driverDate": "1601-01-01"}]})") << QStringList{"oem5.inf"};
    QTest::newRow("exact version") << QByteArray(R"({"filters": [{"driverVersion": "1.0.0.0"}]})")
                                   << QStringList{"oem1.inf", "oem5.inf"};
    QTest::newRow("version zero") << QByteArray(R"({"filters": [{"driverVersion": "0.0.0.0"}]})")
                                  << QStringList{"oem2.inf"};
    QTest::newRow("highest version")
        << QByteArray(R"({"filters": [{"driverVersion": "65535.65535.65535.65535"}]})")
        << QStringList{"oem4.inf"};

    QTest::newRow("names are case-sensitive")
        << QByteArray(R"({"filters": [{"providerName": "Acme Inc"}]})")
        << QStringList{"oem1.inf", "oem5.inf"};
    QTest::newRow("non-ASCII name")
        << QByteArray(R"({"filters": [{"description": "Ger\u00e4t \u2713 \ud83d\ude00"}]})")
        << QStringList{"oem5.inf"};
    QTest::newRow("every criterion must hold")
        << QByteArray(R"({"filters": [{"mfgName": "Acme", "driverDate": "2020-01-02",
                                       "driverVersion": "1.0.0.0", "description": "Alpha"}]})")
        << QStringList{"oem1.inf"};
    QTest::newRow("unknown keys beside known ones")
        << QByteArray(R"({"filters": [{"mfgName": "Other", "comment": "old"}]})")
        << QStringList{"oem3.inf", "oem4.inf"};
    QTest::newRow("any filter may select")
        << QByteArray(R"({"filters": [{"description": "Delta"}, {"description": "Alpha"}]})")
        << QStringList{"oem1.inf", "oem4.inf"};
    QTest::newRow("class and filter")
        << QByteArray(R"({"classGuid": "4d36e972-e325-11ce-bfc1-08002be10318",
                          "filters": [{"mfgName": "Acme"}]})")
        << QStringList{"oem5.inf"};
}

void RemovalTest::selectsDrivers()
{
    QFETCH(QByteArray, filters);
    QFETCH(QStringList, uninstalled);

    m_tool->writeStore(sampleDrivers());
    const ToolFixture::Result result = m_tool->runFilters(filters);

    QCOMPARE(printedInfFiles(result.output), uninstalled);
    QCOMPARE(m_tool->removedInfFiles(), uninstalled);
    QCOMPARE(result.exitCode, 0);
}

// A driver that several filters select is printed and uninstalled once, by the first.
void RemovalTest::printsEachMatchOnce()
{
    m_tool->writeStore(sampleDrivers());
    const ToolFixture::Result result = m_tool->runFilters(
        R"({"filters": [{"description": "Alpha"}, {"mfgName": "Acme"}, {"driverVersion": "0.0.0.0"}],
            "classGuid": "4d36e96b-e325-11ce-bfc1-08002be10318"})");

    QCOMPARE(result.output,
             QByteArray("Description: Alpha, Mfg name: Acme, Provider name: Acme Inc\n"
                        "    Date: 132223968000000000\n"
                        "    Version: 1000000000000\n"
                        "    InfFileName: oem1.inf\n"
                        "Description: Beta, Mfg name: Acme, Provider name: acme inc\n"
                        "    Date: 132224831999999999\n"
                        "    Version: 0\n"
                        "    InfFileName: oem2.inf\n"));
    QCOMPARE(m_tool->removedInfFiles(), (QStringList{"oem1.inf", "oem2.inf"}));
    QCOMPARE(result.exitCode, 0);
}

// A failed uninstall is reported and the others still happen; the exit status says so.
void RemovalTest::goesOnAfterFailedUninstall()
{
    m_tool->writeStore({
        ToolFixture::driver("Denied", "oem1.inf", {{"uninstallError", 5}}),
        ToolFixture::driver("Works", "oem2.inf"),
        ToolFixture::driver("Busy", "oem3.inf", {{"uninstallError", 3758096907.0}}),
    });
    const ToolFixture::Result result = m_tool->runFilters(R"({"filters": [{}]})");

    const QList<QByteArray> lines = result.output.split('\n');
    QCOMPARE(lines.value(4), QByteArray("DiUninstallDriverW failed with error 5"));
    // Error numbers read as signed 32-bit, as SetupAPI's high-bit codes are shown.
    QCOMPARE(lines.value(13), QByteArray("DiUninstallDriverW failed with error -536870389"));
    QCOMPARE(printedInfFiles(result.output), (QStringList{"oem1.inf", "oem2.inf", "oem3.inf"}));
    QCOMPARE(m_tool->removedInfFiles(), QStringList{"oem2.inf"});
    QCOMPARE(m_tool->remainingInfFiles(), (QStringList{"oem1.inf", "oem3.inf"}));
    QCOMPARE(result.exitCode, 2);
}

// Drivers of one package share its INF file; after the first removes the package the
// others must not be reported as failures.
void RemovalTest::uninstallsSharedPackageOnce()
{
    m_tool->writeStore({
        ToolFixture::driver("Model A", "oem7.inf"),
        ToolFixture::driver("Model B", "oem7.inf"),
    });
    const ToolFixture::Result result = m_tool->runFilters(R"({"filters": [{}]})");

    QVERIFY2(result.output.endsWith("    InfFileName: oem7.inf\n"
                                    "    Driver package already uninstalled\n"),
             result.output.constData());
    QCOMPARE(printedInfFiles(result.output), (QStringList{"oem7.inf", "oem7.inf"}));
    QCOMPARE(m_tool->removedInfFiles(), QStringList{"oem7.inf"});
    QCOMPARE(m_tool->remainingInfFiles(), QStringList());
    QCOMPARE(result.exitCode, 0);
}

void RemovalTest::dryRunUninstallsNothing()
{
    QJsonArray drivers = sampleDrivers();
    drivers.append(ToolFixture::driver("Would fail", "oem9.inf", {{"uninstallError", 5}}));
    m_tool->writeStore(drivers);
    const QByteArray before = m_tool->storeBytes();

    const ToolFixture::Result result =
        m_tool->runFilters(R"({"filters": [{"mfgName": "Acme"}]})", {"--dry-run"});

    QCOMPARE(printedInfFiles(result.output),
             (QStringList{"oem1.inf", "oem2.inf", "oem5.inf", "oem9.inf"}));
    QVERIFY(result.output.endsWith("\nDry run: nothing was uninstalled\n"));
    QVERIFY(!result.output.contains("failed"));
    QCOMPARE(m_tool->storeBytes(), before);
    QCOMPARE(result.exitCode, 0);
}

ZX_REGISTER_TEST(RemovalTest);
#include "removaltest.moc"
