#include "librarytestsupport.h"
#include "models/librarymanifest.h"
#include "models/modellibrary.h"
#include "testmodelclasses.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

using namespace std::chrono_literals;

const QString kManifest = QStringLiteral("manifest.json");

QJsonObject manifestOnDisk(const LibraryFixture &fixture)
{
    return QJsonDocument::fromJson(LibraryFixture::readFile(fixture.path(kManifest))).object();
}

QStringList listedFiles(const ModelLibrary &library)
{
    QStringList names;
    for (const auto &info : library.entries())
        names.append(info->fileName());
    return names;
}

QString nameInFile(const QString &path)
{
    return QJsonDocument::fromJson(LibraryFixture::readFile(path))
        .object()
        .value(QStringLiteral("name"))
        .toString();
}

} // namespace

class ModelLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void emptyDirectoryGetsEmptyManifestAndFirstFileIsOne()
    {
        LibraryFixture fixture;
        ModelLibrary library(fixture.path(QStringLiteral("Models/Trash")));
        QCOMPARE(LibraryFixture::readFile(library.filePath(kManifest)).trimmed(),
                 QByteArray("{\n}"));

        auto model = std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion);
        QCOMPARE(library.addModel(model), QStringLiteral("1.zrm"));
        QCOMPARE(model->library(), &library);
        QCOMPARE(library.openModel(QStringLiteral("1.zrm")), model);
        QVERIFY(library.waitForWrites());
        const QJsonObject entry =
            QJsonDocument::fromJson(LibraryFixture::readFile(library.filePath(kManifest)))
                .object()
                .value(QStringLiteral("1.zrm"))
                .toObject();
        QCOMPARE(entry.value(QStringLiteral("name")).toString(), QStringLiteral("Model"));
        QCOMPARE(entry.value(QStringLiteral("productCode")).toInt(), NoteModel::kProductCode);
    }

    // A new file is numbered one past the largest "<digits>.<word>" entry of the folder.
    void newFileNumberFollowsTheLargest_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("expected");
        QTest::newRow("3 and 10") << QStringList{"3.zrm", "10.zrm"} << "11.zrm";
        QTest::newRow("other kinds count") << QStringList{"7.zdm", "2.zrm"} << "8.zrm";
        QTest::newRow("not numbered") << QStringList{"a12.zrm", "4.zrm.tmp", "5"} << "1.zrm";
        QTest::newRow("a folder counts") << QStringList{"2.zrm", "9.zrm/"} << "10.zrm";
    }
    void newFileNumberFollowsTheLargest()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        LibraryFixture fixture;
        for (const QString &name : present) {
            if (name.endsWith(QLatin1Char('/')))
                QDir().mkpath(fixture.path(name));
            else
                fixture.writeModelFile(name, name);
        }
        ModelLibrary library(fixture.path());
        QCOMPARE(library.addModel(
                     std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion)),
                 expected);
    }

    // Whatever manifest.json holds, the list afterwards is exactly the files that load, with
    // their names, and nothing on disk is lost.
    void manifestIsReconciledWithTheFiles_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("{\"1.zrm\": {\"name\": ");
        QTest::newRow("an array") << QByteArray("[1, 2]");
        QTest::newRow("entry for a deleted file")
            << QByteArray(R"({"1.zrm": {"name": "One"}, "7.zrm": {"name": "Gone"}})");
        QTest::newRow("entry not an object") << QByteArray(R"({"1.zrm": 5})");
        QTest::newRow("hostile member name")
            << QByteArray(R"({"../../etc/passwd": {"name": "Evil"}})");
    }
    void manifestIsReconciledWithTheFiles()
    {
        QFETCH(QByteArray, manifest);
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("One"));
        fixture.writeModelFile(QStringLiteral("2.zrm"), QStringLiteral("Two"));
        QFile broken(fixture.path(QStringLiteral("3.zrm")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a model");
        broken.close();
        if (!manifest.isNull()) {
            QFile file(fixture.path(kManifest));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(manifest);
        }

        ModelLibrary library(fixture.path());
        QCOMPARE(listedFiles(library), (QStringList{"1.zrm", "2.zrm"}));
        QCOMPARE(library.modelNames(), (QSet<QString>{"One", "Two"}));
        QCOMPARE(manifestOnDisk(fixture).keys(), (QStringList{"1.zrm", "2.zrm"}));
        QCOMPARE(LibraryFixture::readFile(fixture.path(QStringLiteral("3.zrm"))),
                 QByteArray("not a model"));
    }

    // A model file written after the manifest (a crash between the two writes) wins over its
    // entry; an older file keeps its entry without being loaded.
    void entryOlderThanItsFileIsReloaded()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("Old"));
        fixture.writeModelFile(QStringLiteral("2.zrm"), QStringLiteral("Old"));
        {
            ModelLibrary library(fixture.path());
        }
        QFile manifest(fixture.path(kManifest));
        QVERIFY(manifest.open(QIODevice::ReadWrite));
        const QDateTime written = manifest.fileTime(QFileDevice::FileModificationTime);
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("New"));
        fixture.writeModelFile(QStringLiteral("2.zrm"), QStringLiteral("Unread"));
        QFile older(fixture.path(QStringLiteral("2.zrm")));
        QVERIFY(older.open(QIODevice::ReadWrite));
        QVERIFY(older.setFileTime(written.addSecs(-60), QFileDevice::FileModificationTime));
        QFile newer(fixture.path(QStringLiteral("1.zrm")));
        QVERIFY(newer.open(QIODevice::ReadWrite));
        QVERIFY(newer.setFileTime(written.addSecs(60), QFileDevice::FileModificationTime));

        ModelLibrary library(fixture.path());
        QCOMPARE(library.entryInfo(QStringLiteral("1.zrm")).name(), QStringLiteral("New"));
        QCOMPARE(library.entryInfo(QStringLiteral("2.zrm")).name(), QStringLiteral("Old"));
        QCOMPARE(manifestOnDisk(fixture).value("1.zrm").toObject().value("name").toString(),
                 QStringLiteral("New"));
    }

    // Entries rebuilt from files carry the file's picture, or the default one for a picture
    // that does not decode.
    void rebuiltEntryCarriesTheFilePicture_data()
    {
        QTest::addColumn<QString>("storedText");
        QTest::addColumn<bool>("expectDefault");
        QImage red(2, 3, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QTest::newRow("own picture") << encodeModelImage(red) << false;
        QTest::newRow("broken picture") << "bm90IGEgcGljdHVyZQ==" << true;
        QTest::newRow("no picture") << "" << true;
    }
    void rebuiltEntryCarriesTheFilePicture()
    {
        QFETCH(QString, storedText);
        QFETCH(bool, expectDefault);
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("One"));
        const QString path = fixture.path(QStringLiteral("1.zrm"));
        QJsonObject root = QJsonDocument::fromJson(LibraryFixture::readFile(path)).object();
        root.insert(QStringLiteral("image"), storedText);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(root).toJson());
        file.close();

        ModelLibrary library(fixture.path());
        const QImage listed = library.entryInfo(QStringLiteral("1.zrm")).image();
        const QImage expected = expectDefault ? defaultModelImage() : decodeModelImage(storedText);
        QCOMPARE(listed.size(), expected.size());
        QCOMPARE(listed.convertToFormat(QImage::Format_ARGB32),
                 expected.convertToFormat(QImage::Format_ARGB32));
    }

    void openModelSharesTheLiveModelAndRefusesBadNames()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("One"));
        fixture.writeModelFile(QStringLiteral("outside.zrm"), QStringLiteral("Outside"));
        ModelLibrary library(fixture.path(QStringLiteral("lib")));
        QVERIFY(library.openModel(QStringLiteral("../outside.zrm")) == nullptr);
        QVERIFY(library.openModel(QString()) == nullptr);
        QVERIFY(library.openModel(QStringLiteral("9.zrm")) == nullptr);

        ModelLibrary other(fixture.path());
        const std::shared_ptr<Model> first = other.openModel(QStringLiteral("1.zrm"));
        QVERIFY(first);
        QCOMPARE(first->info().fileName(), QStringLiteral("1.zrm"));
        QCOMPARE(other.openModel(QStringLiteral("1.zrm")), first);
        first->info().setName(QStringLiteral("Renamed"));
        // The list shows the live info before anything is written.
        QCOMPARE(other.entries().first()->name(), QStringLiteral("Renamed"));
        QVERIFY(other.modelNames().contains(QStringLiteral("Renamed")));
    }

    // Changes close together make one write: the first change starts the delay, later ones
    // while pending do not add writes.
    void changesWhilePendingAreWrittenOnce()
    {
        LibraryFixture fixture;
        ModelLibrary library(fixture.path());
        library.setSaveDelay(20ms);
        auto model = std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion);
        const QString fileName = library.addModel(model);
        NoteModel::fileWrites = 0;

        model->setSetting(QStringLiteral("first"));
        model->setSetting(QStringLiteral("second"));
        model->info().setName(QStringLiteral("Renamed"));
        QCOMPARE(library.pendingModels().size(), 1);
        QCOMPARE(NoteModel::fileWrites, 0);
        QTRY_COMPARE(NoteModel::fileWrites, 1);
        QTest::qWait(100);
        QCOMPARE(NoteModel::fileWrites, 1);
        QVERIFY(library.pendingModels().isEmpty());
        QVERIFY(LibraryFixture::readFile(library.filePath(fileName)).contains("second"));
        QVERIFY(library.waitForWrites());
        QCOMPARE(manifestOnDisk(fixture).value(fileName).toObject().value("name").toString(),
                 QStringLiteral("Renamed"));
    }

    void defaultSaveDelayIsTwoSeconds() { QCOMPARE(ModelLibrary::kSaveDelay, 2000ms); }

    // A save that fails part way (a full disk) leaves the previous file whole and keeps the
    // model pending; the next flush writes it.
    void interruptedSaveKeepsPreviousFileAndStaysPending()
    {
        LibraryFixture fixture;
        ModelLibrary library(fixture.path());
        auto model = std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion);
        const QString fileName = library.addModel(model);
        QVERIFY(library.waitForWrites());
        const QByteArray before = LibraryFixture::readFile(library.filePath(fileName));
        const QByteArray manifestBefore = LibraryFixture::readFile(fixture.path(kManifest));

        model->info().setName(QStringLiteral("A much longer name than before"));
        {
            FileSizeLimit diskFull(16);
            QVERIFY(!library.saveModel(fileName));
            QVERIFY(!library.flushPendingSaves());
        }
        QCOMPARE(LibraryFixture::readFile(library.filePath(fileName)), before);
        QCOMPARE(LibraryFixture::readFile(fixture.path(kManifest)), manifestBefore);
        QCOMPARE(library.pendingModels(), QList<std::shared_ptr<Model>>{model});

        QVERIFY(library.flushPendingSaves());
        QVERIFY(library.pendingModels().isEmpty());
        QCOMPARE(nameInFile(library.filePath(fileName)),
                 QStringLiteral("A much longer name than before"));
    }

    // manifest.json that cannot be replaced fails the flush, though the model file is written;
    // the next flush writes the manifest even with nothing pending.
    void manifestWriteFailureFailsTheFlushUntilWritten()
    {
        LibraryFixture fixture;
        ModelLibrary library(fixture.path());
        auto model = std::make_shared<NoteModel>(NoteModel::kProductCode, NoteModel::kOldVersion);
        const QString fileName = library.addModel(model);
        QVERIFY(library.waitForWrites());
        QVERIFY(QFile::remove(fixture.path(kManifest)));
        QVERIFY(QDir().mkpath(fixture.path(kManifest)));

        model->info().setName(QStringLiteral("Renamed"));
        QVERIFY(!library.flushPendingSaves());
        QVERIFY(library.pendingModels().isEmpty());
        QCOMPARE(nameInFile(library.filePath(fileName)), QStringLiteral("Renamed"));

        QVERIFY(QDir(fixture.path(kManifest)).removeRecursively());
        QVERIFY(library.flushPendingSaves());
        QCOMPARE(manifestOnDisk(fixture).value(fileName).toObject().value("name").toString(),
                 QStringLiteral("Renamed"));
    }

    // A model that cannot be moved to a new file stays where it was, still open and editable.
    void failedAddLeavesTheModelWhereItWas()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("One"));
        ModelLibrary library(fixture.path());
        const std::shared_ptr<Model> model = library.openModel(QStringLiteral("1.zrm"));
        {
            FileSizeLimit diskFull(16);
            QVERIFY(library.addModel(model).isEmpty());
        }
        QCOMPARE(model->info().fileName(), QStringLiteral("1.zrm"));
        QCOMPARE(model->library(), &library);
        QCOMPARE(library.openModel(QStringLiteral("1.zrm")), model);
        QCOMPARE(library.fileNames(), QStringList{"1.zrm"});
        QVERIFY(!QFile::exists(fixture.path(QStringLiteral("2.zrm"))));
    }

    void importModelFileNamesItUniquely()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("in/1.zrm"), QStringLiteral("Trainer"));
        fixture.writeModelFile(QStringLiteral("in/2.zrm"), QStringLiteral("Trainer 2"));
        fixture.writeModelFile(QStringLiteral("Trainer.zrm"), QStringLiteral("Trainer"));
        ModelLibrary library(fixture.path(QStringLiteral("in")));
        const QString fileName =
            library.importModelFile(fixture.path(QStringLiteral("Trainer.zrm")));
        QCOMPARE(fileName, QStringLiteral("3.zrm"));
        QCOMPARE(library.entryInfo(fileName).name(), QStringLiteral("Trainer 3"));
        QVERIFY(library.importModelFile(fixture.path(QStringLiteral("missing.zrm"))).isEmpty());
        QVERIFY(library.importModelFile(fixture.path(kManifest)).isEmpty());
    }

    void removeModelForgetsFileEntryAndPendingChanges()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("One"));
        ModelLibrary library(fixture.path());
        const std::shared_ptr<Model> model = library.openModel(QStringLiteral("1.zrm"));
        model->info().setName(QStringLiteral("Edited"));
        QVERIFY(library.removeModel(QStringLiteral("1.zrm")));
        QVERIFY(!QFile::exists(fixture.path(QStringLiteral("1.zrm"))));
        QVERIFY(library.entries().isEmpty());
        QVERIFY(library.pendingModels().isEmpty());
        QVERIFY(model->library() == nullptr);
        QVERIFY(library.flushPendingSaves());
        QVERIFY(!QFile::exists(fixture.path(QStringLiteral("1.zrm"))));
    }

    // A model of another device moves to a new file with a copy name and the connected
    // device's serial; the other device's file stays byte for byte.
    void assignToDevice_data()
    {
        QTest::addColumn<QString>("modelSerial");
        QTest::addColumn<QString>("expectedFile");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("another device") << "OTHER"
                                        << "2.zrm"
                                        << "Glider - 2024-05-06 07:08:09 Copy";
        QTest::newRow("this device") << "THIS"
                                     << "1.zrm"
                                     << "Glider";
        QTest::newRow("no device yet") << ""
                                       << "1.zrm"
                                       << "Glider";
    }
    void assignToDevice()
    {
        QFETCH(QString, modelSerial);
        QFETCH(QString, expectedFile);
        QFETCH(QString, expectedName);
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("Glider"), modelSerial);
        const QByteArray original = LibraryFixture::readFile(fixture.path(QStringLiteral("1.zrm")));
        ModelLibrary library(fixture.path());
        library.setClock([] { return QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)); });
        const std::shared_ptr<Model> model = library.openModel(QStringLiteral("1.zrm"));

        QCOMPARE(library.assignToDevice(model, 0x42, QStringLiteral("THIS")), expectedFile);
        QVERIFY(library.flushPendingSaves());
        const ModelInfo saved = library.entryInfo(expectedFile);
        QCOMPARE(saved.name(), expectedName);
        QCOMPARE(saved.serialNumber(), QStringLiteral("THIS"));
        QCOMPARE(saved.productCode(), 0x42);
        if (expectedFile != QLatin1String("1.zrm")) {
            QCOMPARE(LibraryFixture::readFile(fixture.path(QStringLiteral("1.zrm"))), original);
            QCOMPARE(library.entryInfo(QStringLiteral("1.zrm")).serialNumber(), modelSerial);
        }
    }

    void upgradeModelAddsANamedCopy()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("Glider"));
        ModelLibrary library(fixture.path());
        library.setClock([] { return QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)); });
        const std::shared_ptr<Model> model = library.openModel(QStringLiteral("1.zrm"));

        const auto [fileName, copy] =
            library.upgradeModel(model, {NoteModel::kProductCode, NoteModel::kNewVersion, {}});
        QCOMPARE(fileName, QStringLiteral("2.zrm"));
        QCOMPARE(copy->parameterVersion(), NoteModel::kNewVersion);
        QCOMPARE(copy->info().name(), QStringLiteral("Glider - 2024-05-06 07:08:09 Copy"));
        QCOMPARE(model->info().fileName(), QStringLiteral("1.zrm"));

        const auto [none, noCopy] =
            library.upgradeModel(copy, {NoteModel::kProductCode, NoteModel::kOldVersion, {}});
        QVERIFY(none.isEmpty());
        QVERIFY(!noCopy);
    }

    void importLibraryCopiesEveryModel()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("beta/1.zrm"), QStringLiteral("One"));
        fixture.writeModelFile(QStringLiteral("beta/5.zrm"), QStringLiteral("Five"));
        fixture.writeModelFile(QStringLiteral("main/2.zrm"), QStringLiteral("Mine"));
        ModelLibrary source(fixture.path(QStringLiteral("beta")));
        ModelLibrary library(fixture.path(QStringLiteral("main")));

        QVERIFY(library.importLibrary(source));
        QCOMPARE(library.fileNames(), (QStringList{"2.zrm", "3.zrm", "4.zrm"}));
        QCOMPARE(library.entryInfo(QStringLiteral("4.zrm")).name(), QStringLiteral("Five"));
        QCOMPARE(ModelLibrary(fixture.path(QStringLiteral("main"))).fileNames(),
                 (QStringList{"2.zrm", "3.zrm", "4.zrm"}));
        QCOMPARE(source.fileNames(), (QStringList{"1.zrm", "5.zrm"}));
    }

    // A partly failed import takes its copies back, so a retry does not duplicate models.
    void failedImportLibraryLeavesNoCopies()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("beta/1.zrm"), QStringLiteral("One"));
        fixture.writeModelFile(QStringLiteral("main/1.zrm"), QStringLiteral("Mine"));
        ModelLibrary source(fixture.path(QStringLiteral("beta")));
        ModelLibrary library(fixture.path(QStringLiteral("main")));
        {
            FileSizeLimit diskFull(16);
            QVERIFY(!library.importLibrary(source));
        }
        QCOMPARE(QDir(fixture.path(QStringLiteral("main"))).entryList(QDir::Files),
                 (QStringList{"1.zrm", "manifest.json"}));
        QCOMPARE(library.fileNames(), QStringList{"1.zrm"});
    }

    // A device-backed model goes through the library whole: a settings change makes it
    // pending, and the file read by a fresh library holds the same settings.
    void deviceModelRoundTripsThroughTheLibrary()
    {
        ScopedModelClasses classes(testModelClasses());
        QTemporaryDir dir;
        ModelLibrary library(dir.path());
        auto model = std::make_shared<TestMultiSectionModel>();
        const QString fileName = library.addModel(model);
        QCOMPARE(fileName, QStringLiteral("1.zrm"));

        QByteArray mixer = model->memory().modelData(2);
        mixer[0] = char(0x2A);
        model->memory().setModelData(2, mixer);
        emit model->settingsChanged();
        QCOMPARE(library.pendingModels().size(), 1);
        QVERIFY(library.flushPendingSaves());

        ModelLibrary reopened(dir.path());
        const std::shared_ptr<Model> loaded = reopened.openModel(fileName);
        QVERIFY(loaded);
        QCOMPARE(loaded->modelCrc(), model->modelCrc());
        QCOMPARE(reopened.entryInfo(fileName).productCode(), TestMultiSectionModel::kProductCode);
    }

    void destroyingTheLibraryWritesPendingChanges()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("1.zrm"), QStringLiteral("One"));
        std::shared_ptr<Model> model;
        {
            ModelLibrary library(fixture.path());
            model = library.openModel(QStringLiteral("1.zrm"));
            model->info().setName(QStringLiteral("Edited"));
        }
        QVERIFY(model->library() == nullptr);
        QCOMPARE(nameInFile(fixture.path(QStringLiteral("1.zrm"))), QStringLiteral("Edited"));
    }
};

ZX_REGISTER_TEST(ModelLibraryTest);
#include "test_modellibrary.moc"
