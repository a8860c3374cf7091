#include "testregistry.h"
#include "toolfixture.h"

#include <QFile>
#include <QTest>

#include <memory>

// Filter files that cannot be used, and command lines that cannot be run: the tool prints
// one message, exits with 1 and uninstalls nothing.
class FilterFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void refusesMalformedJson_data();
    void refusesMalformedJson();
    void refusesInvalidFilters_data();
    void refusesInvalidFilters();
    void reportsUnreadableFiles_data();
    void reportsUnreadableFiles();
    void refusesCommandLines_data();
    void refusesCommandLines();
    void needsDriverStore();

private:
    void verifyNothingDone(const ToolFixture::Result &result, const QByteArray &expectedOutput);

    std::unique_ptr<ToolFixture> m_tool;
    QByteArray m_originalStore;
};

void FilterFileTest::init()
{
    // Any filter the tool wrongly accepted would match this driver.
    m_tool = std::make_unique<ToolFixture>();
    m_tool->writeStore({ToolFixture::driver("Alpha", "oem1.inf")});
    m_originalStore = m_tool->storeBytes();
}

void FilterFileTest::verifyNothingDone(const ToolFixture::Result &result,
                                       const QByteArray &expectedOutput)
{
    QCOMPARE(result.output, expectedOutput);
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(m_tool->storeBytes(), m_originalStore);
}

// A file that is not one complete JSON text is reported with the text from where reading
// failed.
void FilterFileTest::refusesMalformedJson_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("errorOffset");

    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("truncated") << QByteArray(R"({"filters": [{"mfgName": "Ac)") << 26;
    QTest::newRow("not UTF-8") << QByteArray("\xff\xfe{\"filters\": []}") << 0;
    QTest::newRow("second document after the first")
        << QByteArray(R"({"filters": []} {"filters": [{}]})") << 16;
    QTest::newRow("nested too deeply")
        << QByteArray(R"({"filters": )") + QByteArray(100000, '[') << 1011;
}

void FilterFileTest::refusesMalformedJson()
{
    QFETCH(QByteArray, file);
    QFETCH(int, errorOffset);
    verifyNothingDone(m_tool->runFilters(file),
                      "JSON parse error: " + file.mid(errorOffset) + "\n");
}

void FilterFileTest::refusesInvalidFilters_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("output");

    const QByteArray notObject = "JSON error: expected object at root\n";
    QTest::newRow("root array") << QByteArray(R"([{"filters": []}])") << notObject;
    QTest::newRow("root string") << QByteArray(R"("filters")") << notObject;

    const QByteArray nulByte = "JSON parse error: NUL byte at offset ";
    QTest::newRow("NUL after the document") << QByteArray(R"({"filters": []})"
                                                          "\0"
                                                          R"({"filters": [{}]})",
                                                          32)
                                            << nulByte + "15\n";
    QTest::newRow("UTF-16 file") << QByteArray("{\0}\0", 4) << nulByte + "1\n";
    QTest::newRow("escaped NUL in a string")
        << QByteArray(R"({"filters": [{"description": "Alpha\u0000 beta"}]})")
        << QByteArray("JSON error: strings must not contain \\u0000\n");

    const QByteArray guidType = "JSON error: classGuid must be a string\n";
    const QByteArray guidForm = "JSON error: invalid classGuid format\n";
    QTest::newRow("classGuid number")
        << QByteArray(R"({"classGuid": 1, "filters": []})") << guidType;
    QTest::newRow("classGuid null")
        << QByteArray(R"({"classGuid": null, "filters": []})") << guidType;
    QTest::newRow("classGuid before filters") << QByteArray(R"({"classGuid": 1})") << guidType;
    QTest::newRow("classGuid in braces")
        << QByteArray(R"({"classGuid": "{4d36e96b-e325-11ce-bfc1-08002be10318}", "filters": []})")
        << guidForm;
    QTest::newRow("classGuid not hex")
        << QByteArray(R"({"classGuid": "4d36e96b-e325-11ce-bfc1-08002be1031g", "filters": []})")
        << guidForm;
    QTest::newRow("classGuid empty")
        << QByteArray(R"({"classGuid": "", "filters": []})") << guidForm;

    const QByteArray filtersType = "JSON error: filters must be an array\n";
    QTest::newRow("filters missing") << QByteArray(R"({"Filters": []})") << filtersType;
    QTest::newRow("filters object") << QByteArray(R"({"filters": {}})") << filtersType;

    // Each of these would otherwise have matched every driver.
    const QByteArray notFilter = "JSON error: each filter must be an object\n";
    QTest::newRow("number element") << QByteArray(R"({"filters": [7]})") << notFilter;
    QTest::newRow("null element") << QByteArray(R"({"filters": [null]})") << notFilter;
    QTest::newRow("array element")
        << QByteArray(R"({"filters": [[{"mfgName": "Acme"}]]})") << notFilter;
    QTest::newRow("misspelt key")
        << QByteArray(R"({"filters": [{"mfgname": "Acme"}]})")
        << QByteArray("JSON error: filter has only unknown keys (keys are case-sensitive)\n");

    const QByteArray dateForm = "JSON error: invalid driverDate format\n";
    QTest::newRow("date number") << QByteArray(R"({"filters": [{"driverDate": 20200102}]})")
                                 << QByteArray("JSON error: driverDate must be a string\n");
    for (const char *date :
         {"2020-13-45", "2021-02-29", "2020-0-1", "2020-1-0", "1600-12-31", "30828-01-01", "2020-1",
          "2020-01-02T10:00:00Z", " 2020-1-2", "2020/01/02", "+2020-1-2", ""})
        QTest::addRow("date \"%s\"", date)
            << QByteArray(R"({"filters": [{"driverDate": ")") + date + R"("}]})" << dateForm;

    const QByteArray versionForm = "JSON error: invalid driverVersion format\n";
    QTest::newRow("version number") << QByteArray(R"({"filters": [{"driverVersion": 1}]})")
                                    << QByteArray("JSON error: driverVersion must be a string\n");
    for (const char *version : {"1.2.3", "1.2.3.4.5", "1.2.3.65536", "-1.2.3.4", "1.2.3.4 ",
                                "1..3.4", "0x1.2.3.4", "99999999999999999999.0.0.0"})
        QTest::addRow("version \"%s\"", version)
            << QByteArray(R"({"filters": [{"driverVersion": ")") + version + R"("}]})"
            << versionForm;

    QTest::newRow("description number") << QByteArray(R"({"filters": [{"description": 1}]})")
                                        << QByteArray("JSON error: description must be a string\n");
    QTest::newRow("mfgName bool") << QByteArray(R"({"filters": [{"mfgName": true}]})")
                                  << QByteArray("JSON error: mfgName must be a string\n");
    QTest::newRow("providerName null") << QByteArray(R"({"filters": [{"providerName": null}]})")
                                       << QByteArray("JSON error: providerName must be a string\n");
    QTest::newRow("description not UTF-8")
        << QByteArray("{\"filters\": [{\"description\": \"Ger\xe4t\"}]}")
        << QByteArray("JSON error: description is not valid UTF-8\n");
    QTest::newRow("overlong UTF-8") << QByteArray("{\"filters\": [{\"mfgName\": \"\xc0\xaf\"}]}")
                                    << QByteArray("JSON error: mfgName is not valid UTF-8\n");
    QTest::newRow("encoded surrogate")
        << QByteArray("{\"filters\": [{\"providerName\": \"\xed\xa0\x80\"}]}")
        << QByteArray("JSON error: providerName is not valid UTF-8\n");

    // Keys are checked in a fixed order, and all types before any text is converted.
    QTest::newRow("date checked first")
        << QByteArray(R"({"filters": [{"providerName": 1, "driverDate": "2020-13-1"}]})")
        << dateForm;
    QTest::newRow("version before strings")
        << QByteArray(R"({"filters": [{"description": 1, "driverVersion": "1"}]})") << versionForm;
    QTest::newRow("types before UTF-8")
        << QByteArray("{\"filters\": [{\"description\": \"\xff\", \"providerName\": 1}]}")
        << QByteArray("JSON error: providerName must be a string\n");

    // One bad filter discards the good ones before it.
    QTest::newRow("second filter bad")
        << QByteArray(R"({"filters": [{"description": "Alpha"}, {"mfgName": 5}]})")
        << QByteArray("JSON error: mfgName must be a string\n");
    QTest::newRow("second filter not an object")
        << QByteArray(R"({"filters": [{"description": "Alpha"}, "Beta"]})") << notFilter;
}

void FilterFileTest::refusesInvalidFilters()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, output);
    verifyNothingDone(m_tool->runFilters(file), output);
}

void FilterFileTest::reportsUnreadableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("output");

    // The numbers are the system's error numbers: ENOENT and EISDIR here.
    QTest::newRow("missing") << "missing.json" << QByteArray("CreateFile failed with error 2\n");
    QTest::newRow("folder") << "." << QByteArray("ReadFile failed with error 21\n");
    QTest::newRow("above 1 GiB") << "huge.json" << QByteArray("file too large\n");
}

void FilterFileTest::reportsUnreadableFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, output);

    // Sparse, so the file costs no disk space; the tool must refuse it before reading.
    QFile huge(m_tool->path("huge.json"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize((qint64(1) << 30) + 1));
    huge.close();

    verifyNothingDone(m_tool->run({m_tool->path(name)}), output);
}

// Only --dry-run may follow the filter file, so that a mistyped option cannot turn a dry
// run into a real one.
void FilterFileTest::refusesCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("no argument")
        << QStringList()
        << QByteArray("Error: missing argument: name of JSON file containing driver filters\n");
    QTest::newRow("mistyped option") << QStringList{"filters.json", "--dryrun"}
                                     << QByteArray("Error: unknown argument: --dryrun\n");
    QTest::newRow("extra argument") << QStringList{"filters.json", "--dry-run", "more"}
                                    << QByteArray("Error: unknown argument: more\n");
}

void FilterFileTest::refusesCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);

    m_tool->writeFile("filters.json", R"({"filters": [{}]})");
    if (!arguments.isEmpty())
        arguments[0] = m_tool->path(arguments[0]);
    verifyNothingDone(m_tool->run(arguments), output);
}

// Without a driver store the filter file is still checked, and its problems come first.
void FilterFileTest::needsDriverStore()
{
    const QString filters = m_tool->writeFile("filters.json", R"({"filters": [{}]})");
    verifyNothingDone(m_tool->run({filters}, false),
                      "Driver enumeration is not available on this platform "
                      "(DRIVER_REMOVER_STORE is not set)\n");

    const QString badFilters = m_tool->writeFile("bad.json", R"({"filters": [1]})");
    verifyNothingDone(m_tool->run({badFilters}, false),
                      "JSON error: each filter must be an object\n");

    QVERIFY(QFile::remove(m_tool->path("store.json")));
    const ToolFixture::Result noStore = m_tool->run({filters});
    QCOMPARE(noStore.output, "Driver store error: " + m_tool->path("store.json").toUtf8() +
                                 " could not be read (error 2)\n");
    QCOMPARE(noStore.exitCode, 1);
}

ZX_REGISTER_TEST(FilterFileTest);
#include "filterfiletest.moc"
