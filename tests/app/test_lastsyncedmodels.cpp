#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class LastSyncedModelsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Log m_log;

    QString path() const { return m_dir.filePath("LastSyncedModels.json"); }

    void writeFile(const QByteArray &content)
    {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    QJsonObject readFile() const
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private slots:
    void init()
    {
        m_log.clear();
        Log::install(&m_log);
        QFile::remove(path());
    }
    void cleanup() { Log::install(nullptr); }

    // Only members whose value is a non-empty string survive a load; the next save writes a
    // clean file.
    void loadKeepsOnlyNonEmptyStrings_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("serials");
        QTest::newRow("mixed values")
            << QByteArray(R"({"S1":"a.zrm","S2":7,"S3":"","S4":null,"S5":["x"],"S6":"b.zrm"})")
            << QStringList{"S1", "S6"};
        QTest::newRow("duplicate key: later wins")
            << QByteArray(R"({"S1":"a","S1":"b"})") << QStringList{"S1"};
        QTest::newRow("not json") << QByteArray("{{{ nonsense") << QStringList{};
        QTest::newRow("array") << QByteArray(R"(["a","b"])") << QStringList{};
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{\"a\":", 7) << QStringList{};
    }
    void loadKeepsOnlyNonEmptyStrings()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, serials);
        writeFile(content);
        LastSyncedModels models(path());
        models.loadLastSyncedModels();
        QCOMPARE(models.entries().keys(), serials);
        QVERIFY(models.saveLastSyncedModels());
        QCOMPARE(readFile().keys(), serials);
        for (const QString &serial : serials)
            QVERIFY(readFile().value(serial).isString());
    }

    void duplicateKeyLaterValueWins()
    {
        writeFile(R"({"S1":"a","S1":"b"})");
        LastSyncedModels models(path());
        models.loadLastSyncedModels();
        QCOMPARE(models.modelFileFor("S1"), QString("b"));
    }

    void missingFileIsLoggedAndMapStillWorks()
    {
        LastSyncedModels models(path());
        models.loadLastSyncedModels();
        QCOMPARE(m_log.entry(0).category, QString("Error"));
        QCOMPARE(m_log.entry(0).message,
                 QString("Failed to open LastSyncedModels.json for reading"));
        models.setLastSyncedModel("S1", "one.zrm");
        QCOMPARE(readFile().value("S1").toString(), QString("one.zrm"));
    }

    void setAndForgetUpdateTheFile()
    {
        LastSyncedModels models(path());
        models.setLastSyncedModel("S1", "one.zrm");
        models.setLastSyncedModel("S2", "two.zrm");
        models.setLastSyncedModel("S3", "one.zrm");
        models.setLastSyncedModel("S2", ""); // an empty model name removes the device's entry
        QCOMPARE(readFile().keys(), (QStringList{"S1", "S3"}));
        models.forgetLastSyncedModel("one.zrm");
        QVERIFY(readFile().isEmpty());
        QVERIFY(QFile::exists(path()));
    }

    // Saves go through a temporary file that replaces the old one only once complete; a file
    // that cannot be opened for writing is logged as such and nothing is left behind.
    void unopenableFileIsLoggedAndLeavesNoDebris_data()
    {
        QTest::addColumn<QString>("folderInTheWay");
        QTest::addColumn<QString>("file");
        QTest::newRow("a folder in the file's place") << "blocked/LastSyncedModels.json"
                                                      << "blocked/LastSyncedModels.json";
        QTest::newRow("no folder for the file") << ""
                                                << "missing/LastSyncedModels.json";
    }
    void unopenableFileIsLoggedAndLeavesNoDebris()
    {
        QFETCH(QString, folderInTheWay);
        QFETCH(QString, file);
        if (!folderInTheWay.isEmpty())
            QVERIFY(QDir().mkpath(m_dir.filePath(folderInTheWay)));
        const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        LastSyncedModels models(m_dir.filePath(file));
        m_log.clear();
        QVERIFY(!models.saveLastSyncedModels());
        QCOMPARE(m_log.count(), 1);
        QCOMPARE(m_log.entry(0).category, QString("Error"));
        QCOMPARE(m_log.entry(0).message,
                 QString("Failed to open LastSyncedModels.json for writing"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        if (!folderInTheWay.isEmpty())
            QCOMPARE(QDir(m_dir.filePath("blocked")).entryList(QDir::Files | QDir::Hidden),
                     QStringList{});
    }
};

ZX_REGISTER_TEST(LastSyncedModelsTest);
#include "test_lastsyncedmodels.moc"
