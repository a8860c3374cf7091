#include "app/betamigration.h"
#include "app/datadirectory.h"
#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "app/networkthread.h"
#include "app/startup.h"
#include "testregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
}

} // namespace

// Start-up against a private user configuration folder (XDG_CONFIG_HOME), emptied before each
// test. QSettings reads XDG_CONFIG_HOME once per process, so the folder stays the same.
class EnvironmentTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

    QString settingsFolder() const { return m_home->filePath("Solvane Hobby"); }
    QString dataDir() const { return settingsFolder() + "/Zandorex Programmer"; }
    QString betaDir() const { return dataDir() + " - Beta"; }

private slots:
    void initTestCase()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->path().toUtf8());
    }
    void init()
    {
        QDir(settingsFolder()).removeRecursively();
        QFile::remove(m_home->filePath("tooltips.txt"));
    }

    void dataDirectoryFollowsTheSettingsFile()
    {
        QCoreApplication::setOrganizationName("Solvane Hobby");
        QCoreApplication::setApplicationName("Zandorex Programmer");
        QCOMPARE(datadirectory::computeDataDirectoryPath(), dataDir());
        QCOMPARE(datadirectory::settingsFolderPath(dataDir()), settingsFolder());
        QCOMPARE(datadirectory::betaDataDirectoryPath(dataDir()), betaDir());
    }

    // A beta installation's files are taken over only where the current one has none.
    void betaFilesMigrateWithoutOverwriting_data()
    {
        QTest::addColumn<bool>("currentExists");
        QTest::newRow("only beta files") << false;
        QTest::newRow("both present") << true;
    }
    void betaFilesMigrateWithoutOverwriting()
    {
        QFETCH(bool, currentExists);
        const QString ini = settingsFolder() + "/Zandorex Programmer.ini";
        const QString betaIni = settingsFolder() + "/Zandorex Programmer - Beta.ini";
        writeFile(betaIni, "[General]\nfrom=beta\n");
        writeFile(betaDir() + "/LastSyncedModels.json", R"({"S":"beta.zrm"})");
        if (currentExists) {
            writeFile(ini, "[General]\nfrom=current\n");
            writeFile(dataDir() + "/LastSyncedModels.json", R"({"S":"current.zrm"})");
        }

        const AppEnvironment env = prepareEnvironment({m_home->path(), dataDir()});

        QCOMPARE(env.settings->value("from").toString(), currentExists ? "current" : "beta");
        QCOMPARE(QFile::exists(betaIni), currentExists);
        QCOMPARE(env.lastSyncedModels->modelFileFor("S"),
                 currentExists ? QString("current.zrm") : QString("beta.zrm"));
        QCOMPARE(QFile::exists(betaDir() + "/LastSyncedModels.json"), currentExists);
        QCOMPARE(QCoreApplication::applicationVersion(), QString("3.10.6"));
        Log::install(nullptr);
    }

    void startUpLoadsTooltipsAndClearsDefaultModels()
    {
        writeFile(m_home->filePath("tooltips.txt"), "power-tooltip = First line\n second line\n");
        writeFile(dataDir() + "/Models/DefaultModels/x.zrm", "{}");
        writeFile(dataDir() + "/Models/keep.zrm", "{}");

        const AppEnvironment env = prepareEnvironment({m_home->path(), dataDir()});

        QCOMPARE(env.tooltips.value("power-tooltip"), QString("First line\nsecond line"));
        QVERIFY(!QDir(dataDir() + "/Models/DefaultModels").exists());
        QVERIFY(QFile::exists(dataDir() + "/Models/keep.zrm"));
        QCOMPARE(Log::installed(), env.log);
        QCOMPARE(networkThread()->objectName(), QString("ZanProg network"));
        QVERIFY(networkThread()->isRunning());
        Log::install(nullptr);
    }

    void tooltipParseErrorIsLoggedAtStartUp()
    {
        writeFile(m_home->filePath("tooltips.txt"), "\n  orphan\n");
        const AppEnvironment env = prepareEnvironment({m_home->path(), dataDir()});
        QVERIFY(env.tooltips.isEmpty());
        bool found = false;
        for (int i = 0; i < env.log->count(); ++i)
            found |= env.log->entry(i).message ==
                     "error on line 2: unexpected multiline text not part of a value";
        QVERIFY(found);
        Log::install(nullptr);
    }

    // Network work runs on the network thread with the shared manager, in the order queued.
    void networkWorkRunsOnTheNetworkThread()
    {
        NetworkService service;
        QCOMPARE(service.thread()->objectName(), QString("ZanProg network"));
        std::atomic<int> order{0};
        std::atomic<bool> rightThread{true};
        QNetworkAccessManager *seen[2] = {};
        for (int i = 0; i < 2; ++i) {
            service.invoke([&, i](QNetworkAccessManager *manager) {
                rightThread = rightThread && QThread::currentThread() == service.thread() &&
                              manager->thread() == service.thread() && order == i;
                seen[i] = manager;
                ++order;
            });
        }
        QTRY_COMPARE(order.load(), 2);
        QVERIFY(rightThread);
        QVERIFY(seen[0] && seen[0] == seen[1]);
    }
};

ZX_REGISTER_TEST(EnvironmentTest);
#include "test_environment.moc"
