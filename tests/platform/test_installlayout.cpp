#include "platform/installlayout.h"
#include "testregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

void makeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

// A prefix laid out as an install leaves it: <root>/bin holds the program, <root>/share the data.
class InstallLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        QVERIFY(QDir().mkpath(binDir()));
    }

    void besideTheProgramWins()
    {
        makeFile(binDir() + "/tooltips.txt");
        makeFile(shareDir() + "/tooltips.txt");
        QCOMPARE(platform::dataFilePath("tooltips.txt", binDir()), binDir() + "/tooltips.txt");
    }

    // The installed path comes back without "..": it ends up in messages and the log.
    void installedCopyIsFoundUnderShare()
    {
        makeFile(shareDir() + "/tooltips.txt");
        QCOMPARE(platform::dataFilePath("tooltips.txt", binDir()), shareDir() + "/tooltips.txt");
    }

    void foldersAreFoundLikeFiles()
    {
        QVERIFY(QDir().mkpath(shareDir() + "/Images"));
        QCOMPARE(platform::dataFilePath("Images", binDir()), shareDir() + "/Images");
        QVERIFY(QDir().mkpath(binDir() + "/Images"));
        QCOMPARE(platform::dataFilePath("Images", binDir()), binDir() + "/Images");
    }

    // Each file is looked up on its own: a build tree that lacks one file does not pull the
    // others from an installed copy, and the reverse.
    void eachFileIsLookedUpOnItsOwn()
    {
        makeFile(binDir() + "/tooltips.txt");
        QVERIFY(QDir().mkpath(shareDir() + "/Images"));
        QCOMPARE(platform::dataFilePath("tooltips.txt", binDir()), binDir() + "/tooltips.txt");
        QCOMPARE(platform::dataFilePath("Images", binDir()), shareDir() + "/Images");
    }

    void missingEverywhereNamesThePlaceBesideTheProgram()
    {
        QCOMPARE(platform::dataFilePath("tooltips.txt", binDir()), binDir() + "/tooltips.txt");
    }

    // Another program's data folder beside ours under share/ is not taken for ours.
    void onlyOurDataFolderCounts()
    {
        makeFile(m_root->path() + "/share/other-program/tooltips.txt");
        makeFile(m_root->path() + "/share/tooltips.txt");
        QCOMPARE(platform::dataFilePath("tooltips.txt", binDir()), binDir() + "/tooltips.txt");
    }

    void programDirMayEndInASlash()
    {
        makeFile(shareDir() + "/tooltips.txt");
        QCOMPARE(platform::dataFilePath("tooltips.txt", binDir() + "/"),
                 shareDir() + "/tooltips.txt");
    }

    void defaultIsTheRunningProgramsFolder()
    {
        const QString programDir = QCoreApplication::applicationDirPath();
        QCOMPARE(platform::dataFilePath("no-such-data-file.txt"),
                 programDir + "/no-such-data-file.txt");
    }

private:
    QString binDir() const { return m_root->path() + "/bin"; }
    QString shareDir() const { return m_root->path() + "/share/zandorex-programmer"; }

    std::unique_ptr<QTemporaryDir> m_root;
};

ZX_REGISTER_TEST(InstallLayoutTest);
#include "test_installlayout.moc"
