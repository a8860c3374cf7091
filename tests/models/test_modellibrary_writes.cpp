#include "app/log.h"
#include "librarytestsupport.h"
#include "models/librarymanifest.h"
#include "models/manifestwriter.h"
#include "models/modellibrary.h"
#include "testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

using namespace std::chrono_literals;

const QString kManifest = QStringLiteral("manifest.json");

// The model name that manifest.json on disk holds for the file; a null string when the
// manifest is missing or not a JSON object.
QString nameInManifest(const LibraryFixture &fixture, const QString &fileName)
{
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(LibraryFixture::readFile(fixture.path(kManifest)), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    return document.object().value(fileName).toObject().value(QStringLiteral("name")).toString();
}

// A one-entry manifest whose model name tells the snapshots apart.
LibraryManifest::Snapshot snapshotNamed(const QString &name)
{
    LibraryManifest manifest;
    manifest.set(QStringLiteral("1.zrm"), QJsonObject{{QStringLiteral("name"), name}});
    return manifest.snapshot();
}

QString nameInPieces(const QList<QByteArray> &pieces)
{
    LibraryManifest manifest;
    if (!manifest.parse(pieces.join()))
        return {};
    return manifest.name(QStringLiteral("1.zrm"));
}

enum class SavePath {
    SaveModelThenWait,
    TimerThenWait,
    Flush,
    DestroyedAfterSaveModel,
    DestroyedWhilePending,
};

} // namespace

Q_DECLARE_METATYPE(SavePath)

// manifest.json is written on the library's writer thread; these tests hold it to the promise
// that nothing is lost on the way: whoever waits (or closes the library) finds everything on
// disk, and a newer manifest is never replaced by an older one.
class ModelLibraryWritesTest : public QObject
{
    Q_OBJECT

private slots:
    // Every way a change is saved ends with the model file and its manifest entry on disk,
    // with no temporary file left beside them.
    void savedChangesReachTheDisk_data()
    {
        QTest::addColumn<SavePath>("path");
        QTest::newRow("saveModel, then waitForWrites") << SavePath::SaveModelThenWait;
        QTest::newRow("save timer, then waitForWrites") << SavePath::TimerThenWait;
        QTest::newRow("flushPendingSaves") << SavePath::Flush;
        QTest::newRow("destroyed right after saveModel") << SavePath::DestroyedAfterSaveModel;
        QTest::newRow("destroyed while pending") << SavePath::DestroyedWhilePending;
    }
    void savedChangesReachTheDisk()
    {
        QFETCH(SavePath, path);
        LibraryFixture fixture;
        auto library = std::make_unique<ModelLibrary>(fixture.path());
        library->setSaveDelay(1ms);
        auto model = std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion);
        const QString fileName = library->addModel(model);
        QVERIFY(library->waitForWrites());

        model->setSetting(QStringLiteral("edited"));
        model->info().setName(QStringLiteral("Renamed"));
        switch (path) {
        case SavePath::SaveModelThenWait:
            QVERIFY(library->saveModel(fileName));
            QVERIFY(library->waitForWrites());
            break;
        case SavePath::TimerThenWait:
            QTRY_VERIFY(!library->isPending(fileName));
            QVERIFY(library->waitForWrites());
            break;
        case SavePath::Flush:
            QVERIFY(library->flushPendingSaves());
            break;
        case SavePath::DestroyedAfterSaveModel:
            QVERIFY(library->saveModel(fileName));
            library.reset();
            break;
        case SavePath::DestroyedWhilePending:
            library.reset();
            break;
        }

        QCOMPARE(nameInManifest(fixture, fileName), QStringLiteral("Renamed"));
        QVERIFY(LibraryFixture::readFile(fixture.path(fileName)).contains("edited"));
        QCOMPARE(QDir(fixture.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{fileName, kManifest}));
        library.reset();
        QCOMPARE(ModelLibrary(fixture.path()).entryInfo(fileName).name(),
                 QStringLiteral("Renamed"));
    }

    // While one manifest is being written, the newest of those asked for meanwhile is written
    // next and the ones it replaced never are; each write is reported once, in order.
    void newerManifestReplacesOneStillWaiting()
    {
        QSemaphore started;
        QSemaphore release;
        QStringList written; // by the writer thread, read after waitForWrites
        ManifestWriter writer(
            [&](const QString &, const QList<QByteArray> &pieces, const QDateTime &, QString *) {
                started.release();
                release.acquire();
                written.append(nameInPieces(pieces));
                return true;
            });
        QSignalSpy reports(&writer, &ManifestWriter::written);
        const QString path = QStringLiteral("unused");

        const quint64 first = writer.write(path, snapshotNamed(QStringLiteral("A")), {});
        started.acquire();
        writer.write(path, snapshotNamed(QStringLiteral("B")), {});
        writer.write(path, snapshotNamed(QStringLiteral("C")), {});
        const quint64 last = writer.write(path, snapshotNamed(QStringLiteral("D")), {});
        release.release(2);
        writer.waitForWrites();

        QCOMPARE(written, (QStringList{"A", "D"}));
        QCOMPARE(reports.size(), 2);
        QCOMPARE(reports.at(0).at(0).toULongLong(), first);
        QCOMPARE(reports.at(1).at(0).toULongLong(), last);
        QVERIFY(reports.at(0).at(1).toBool() && reports.at(1).at(1).toBool());
    }

    // Saves in quick succession queue manifests faster than they are written: whatever the
    // writer skips, the manifest on disk at the end is the newest.
    void quickSavesLeaveTheNewestManifest()
    {
        LibraryFixture fixture;
        ModelLibrary library(fixture.path());
        const std::shared_ptr<Model> models[] = {
            std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion),
            std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion),
        };
        const QString fileNames[] = {library.addModel(models[0]), library.addModel(models[1])};
        constexpr int kSaves = 60;
        for (int i = 0; i < kSaves; ++i) {
            const int which = i % 2;
            models[which]->info().setName(QStringLiteral("Name %1").arg(i));
            QVERIFY(library.saveModel(fileNames[which]));
        }
        QVERIFY(library.waitForWrites());
        QCOMPARE(nameInManifest(fixture, fileNames[0]), QStringLiteral("Name %1").arg(kSaves - 2));
        QCOMPARE(nameInManifest(fixture, fileNames[1]), QStringLiteral("Name %1").arg(kSaves - 1));
    }

    // The manifest on disk carries the date of the newest model file it reflects rather than
    // the time it reached the disk. A model saved after the manifest's snapshot was taken, but
    // before that manifest landed, is then still newer than it at the next start, which
    // reloads its entry from the file.
    void manifestIsDatedByTheNewestModelFileItReflects()
    {
        LibraryFixture fixture;
        const auto dateOf = [&fixture](const QString &name) {
            return QFileInfo(fixture.path(name)).lastModified();
        };
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("One"));
        // Long enough for a manifest dated by its own writing to differ.
        QThread::msleep(20);
        ModelLibrary library(fixture.path());
        QCOMPARE(dateOf(kManifest), dateOf(QStringLiteral("1.zrm")));

        QThread::msleep(20);
        library.openModel(QStringLiteral("1.zrm"))->info().setName(QStringLiteral("Renamed"));
        QVERIFY(library.saveModel(QStringLiteral("1.zrm")));
        QVERIFY(library.waitForWrites());
        QCOMPARE(dateOf(kManifest), dateOf(QStringLiteral("1.zrm")));
    }

    // A manifest write that fails on the writer thread is reported on the library's thread
    // through the event loop, with nobody waiting for it; the library then knows its manifest
    // is stale, and the next save writes it even when no entry changed.
    void failedManifestWriteIsReportedAndRepairedByTheNextSave()
    {
        LibraryFixture fixture;
        QList<QThread *> reportingThreads;
        Log testLog;
        Log::install(&testLog);
        const auto uninstall = qScopeGuard([] { Log::install(nullptr); });
        connect(
            &testLog, &Log::entryAdded, this,
            [&reportingThreads](const LogEntry &entry) {
                if (entry.message.contains(kManifest))
                    reportingThreads.append(QThread::currentThread());
            },
            Qt::DirectConnection);

        ModelLibrary library(fixture.path());
        auto model = std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion);
        const QString fileName = library.addModel(model);
        QVERIFY(library.waitForWrites());
        // A folder in its place: the manifest cannot be replaced, even by root.
        QVERIFY(QFile::remove(fixture.path(kManifest)));
        QVERIFY(QDir().mkpath(fixture.path(kManifest)));

        model->info().setName(QStringLiteral("Renamed"));
        QVERIFY(library.saveModel(fileName));
        QTRY_COMPARE(reportingThreads, QList<QThread *>{QThread::currentThread()});
        QVERIFY(!library.waitForWrites());

        QVERIFY(QDir(fixture.path(kManifest)).removeRecursively());
        model->setSetting(QStringLiteral("edited"));
        QVERIFY(library.saveModel(fileName));
        QVERIFY(library.waitForWrites());
        QCOMPARE(nameInManifest(fixture, fileName), QStringLiteral("Renamed"));
        QCOMPARE(reportingThreads.size(), 1);
    }
};

ZX_REGISTER_TEST(ModelLibraryWritesTest);
#include "test_modellibrary_writes.moc"
