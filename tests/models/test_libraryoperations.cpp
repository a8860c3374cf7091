#include "app/lastsyncedmodels.h"
#include "librarytestsupport.h"
#include "models/libraryoperations.h"
#include "models/modellibrary.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace libraryoperations;

namespace {

const QDateTime kNow(QDate(2024, 5, 6), QTime(7, 8, 9));

// A main library and its trash, the main one holding 1.zrm "Glider" of device "DEV1".
struct Libraries
{
    LibraryFixture fixture;
    std::unique_ptr<ModelLibrary> main;
    std::unique_ptr<ModelLibrary> trash;

    Libraries()
    {
        fixture.writeModelFile(QStringLiteral("Models/1.zrm"), QStringLiteral("Glider"),
                               QStringLiteral("DEV1"));
        main = std::make_unique<ModelLibrary>(fixture.path(QStringLiteral("Models")));
        trash = std::make_unique<ModelLibrary>(fixture.path(QStringLiteral("Models/Trash")));
        main->setClock([] { return kNow; });
    }
};

Confirm answer(bool yes, int *asked = nullptr)
{
    return [yes, asked] {
        if (asked)
            ++*asked;
        return yes;
    };
}

} // namespace

class LibraryOperationsTest : public QObject
{
    Q_OBJECT

private slots:
    void selectModel_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("deviceVersion"); // -1: no device
        QTest::addColumn<QString>("deviceSerial");
        QTest::addColumn<QString>("expectedError");
        QTest::addColumn<QString>("expectedFile");
        QTest::newRow("no device") << "1.zrm" << -1 << ""
                                   << ""
                                   << "1.zrm";
        QTest::newRow("its device") << "1.zrm" << NoteModel::kOldVersion << "DEV1"
                                    << ""
                                    << "1.zrm";
        QTest::newRow("another device") << "1.zrm" << NoteModel::kOldVersion << "DEV2"
                                        << ""
                                        << "2.zrm";
        QTest::newRow("newer device") << "1.zrm" << NoteModel::kNewVersion << "DEV1"
                                      << ""
                                      << "2.zrm";
        QTest::newRow("older device") << "1.zrm" << 0 << "DEV1" << kSelectForDeviceFailed << "";
        QTest::newRow("missing file") << "5.zrm" << -1 << "" << kSelectFailed << "";
    }
    void selectModel()
    {
        QFETCH(QString, fileName);
        QFETCH(int, deviceVersion);
        QFETCH(QString, deviceSerial);
        QFETCH(QString, expectedError);
        QFETCH(QString, expectedFile);
        Libraries libs;
        std::optional<ConnectedDevice> device;
        if (deviceVersion >= 0)
            device = ConnectedDevice{NoteModel::kProductCode, deviceVersion, deviceSerial};

        const Outcome outcome = libraryoperations::selectModel(*libs.main, fileName, device);
        QCOMPARE(outcome.errorText, expectedError);
        QCOMPARE(outcome.fileName, expectedFile);
        if (outcome.ok()) {
            QCOMPARE(outcome.model->info().fileName(), expectedFile);
            if (device)
                QCOMPARE(outcome.model->parameterVersion(), deviceVersion);
        }
    }

    void duplicateMovesTheModelToANewFileWithACopyName()
    {
        Libraries libs;
        const QByteArray original =
            LibraryFixture::readFile(libs.main->filePath(QStringLiteral("1.zrm")));
        const Outcome outcome = duplicateModel(*libs.main, QStringLiteral("1.zrm"));
        QVERIFY(outcome.ok());
        QCOMPARE(outcome.fileName, QStringLiteral("2.zrm"));
        QVERIFY(libs.main->flushPendingSaves());
        QCOMPARE(libs.main->entryInfo(QStringLiteral("2.zrm")).name(),
                 QStringLiteral("Glider - 2024-05-06 07:08:09 Copy"));
        QCOMPARE(LibraryFixture::readFile(libs.main->filePath(QStringLiteral("1.zrm"))), original);

        QCOMPARE(duplicateModel(*libs.main, QStringLiteral("9.zrm")).errorText, kDuplicateFailed);
        {
            FileSizeLimit diskFull(16);
            QCOMPARE(duplicateModel(*libs.main, QStringLiteral("1.zrm")).errorText, kSaveNewFailed);
        }
    }

    void resetAsksFirst()
    {
        Libraries libs;
        auto model = std::static_pointer_cast<NoteModel>(libs.main->openModel("1.zrm"));
        model->setSetting(QStringLiteral("tuned"));

        QVERIFY(!resetModel(*libs.main, QStringLiteral("1.zrm"), answer(false)).acted);
        QCOMPARE(model->setting(), QStringLiteral("tuned"));
        QVERIFY(resetModel(*libs.main, QStringLiteral("1.zrm"), answer(true)).ok());
        QCOMPARE(model->setting(), QStringLiteral("default"));
        QCOMPARE(resetModel(*libs.main, QStringLiteral("9.zrm"), answer(true)).errorText,
                 kResetFailed);
    }

    void upgradeMakesACopyForTheFirstTarget()
    {
        Libraries libs;
        QVERIFY(!upgradeModel(*libs.main, QStringLiteral("1.zrm"), answer(false)).acted);
        QCOMPARE(libs.main->fileNames(), QStringList{"1.zrm"});

        const Outcome outcome = upgradeModel(*libs.main, QStringLiteral("1.zrm"), answer(true));
        QVERIFY(outcome.ok());
        QCOMPARE(outcome.fileName, QStringLiteral("2.zrm"));
        QCOMPARE(outcome.model->parameterVersion(), NoteModel::kNewVersion);
        // The upgraded copy has nothing newer to go to.
        QCOMPARE(upgradeModel(*libs.main, outcome.fileName, answer(true)).errorText,
                 kUpgradeFailed);
    }

    void deleteMovesToTrashAndForgetsTheLastSync()
    {
        Libraries libs;
        LastSyncedModels lastSynced(libs.fixture.path(QStringLiteral("LastSyncedModels.json")));
        lastSynced.setLastSyncedModel(QStringLiteral("DEV1"), QStringLiteral("1.zrm"));
        libs.main->openModel(QStringLiteral("1.zrm"))->info().setNotes(QStringLiteral("fresh"));
        int asked = 0;

        const Outcome outcome = deleteModel(*libs.main, *libs.trash, QStringLiteral("1.zrm"),
                                            &lastSynced, answer(true, &asked));
        QVERIFY(outcome.ok() && outcome.acted);
        QCOMPARE(asked, 0);
        QVERIFY(libs.main->fileNames().isEmpty());
        QVERIFY(!QFile::exists(libs.main->filePath(QStringLiteral("1.zrm"))));
        QCOMPARE(lastSynced.modelFileFor(QStringLiteral("DEV1")), QString());
        // The change made just before deleting went to the trash with the model.
        QCOMPARE(libs.trash->entryInfo(QStringLiteral("1.zrm")).notes(), QStringLiteral("fresh"));

        QVERIFY(restoreFromTrash(*libs.trash, *libs.main, QStringLiteral("1.zrm")));
        QVERIFY(libs.trash->fileNames().isEmpty());
        QCOMPARE(libs.main->entryInfo(QStringLiteral("1.zrm")).name(), QStringLiteral("Glider"));
    }

    // When the trash cannot take the model, it is deleted only on an explicit yes.
    void deleteWithoutTrashAsks_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("cancel") << false;
        QTest::newRow("delete") << true;
    }
    void deleteWithoutTrashAsks()
    {
        QFETCH(bool, yes);
        Libraries libs;
        // A file where the trash folder should be: the trash can store nothing.
        QFile blocker(libs.fixture.path(QStringLiteral("NoTrash")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ModelLibrary brokenTrash(libs.fixture.path(QStringLiteral("NoTrash")));
        int asked = 0;

        const Outcome outcome = deleteModel(*libs.main, brokenTrash, QStringLiteral("1.zrm"),
                                            nullptr, answer(yes, &asked));
        QCOMPARE(asked, 1);
        QCOMPARE(outcome.acted, yes);
        QCOMPARE(libs.main->fileNames().isEmpty(), yes);
        QCOMPARE(QFile::exists(libs.main->filePath(QStringLiteral("1.zrm"))), !yes);
    }

    void emptyTrashAsksThenDeletesEverything()
    {
        Libraries libs;
        libs.fixture.writeModelFile(QStringLiteral("Models/Trash/1.zrm"), QStringLiteral("A"));
        libs.fixture.writeModelFile(QStringLiteral("Models/Trash/2.zrm"), QStringLiteral("B"));
        ModelLibrary trash(libs.fixture.path(QStringLiteral("Models/Trash")));

        QVERIFY(!emptyTrash(trash, answer(false)));
        QVERIFY(!emptyTrash(trash, nullptr));
        QCOMPARE(trash.fileNames().size(), 2);
        QVERIFY(deleteFromTrash(trash, QStringLiteral("1.zrm")));
        QVERIFY(emptyTrash(trash, answer(true)));
        QVERIFY(trash.fileNames().isEmpty());
        QCOMPARE(QDir(trash.directory()).entryList(QDir::Files), QStringList{"manifest.json"});
    }

    // The export carries changes not yet saved and keeps an existing target when it fails.
    void exportCopiesTheCurrentModel()
    {
        Libraries libs;
        libs.main->openModel(QStringLiteral("1.zrm"))->info().setName(QStringLiteral("Edited"));
        const QString target = libs.fixture.path(QStringLiteral("export.zrm"));
        libs.fixture.writeModelFile(QStringLiteral("export.zrm"), QStringLiteral("Previous"));

        QVERIFY(exportModel(*libs.main, QStringLiteral("1.zrm"), target).ok());
        QCOMPARE(QJsonDocument::fromJson(LibraryFixture::readFile(target))
                     .object()
                     .value(QStringLiteral("name"))
                     .toString(),
                 QStringLiteral("Edited"));

        const QByteArray exported = LibraryFixture::readFile(target);
        {
            FileSizeLimit diskFull(16);
            QCOMPARE(exportModel(*libs.main, QStringLiteral("1.zrm"), target).errorText,
                     kExportFailed);
        }
        QCOMPARE(LibraryFixture::readFile(target), exported);
        QCOMPARE(exportModel(*libs.main, QStringLiteral("9.zrm"), target).errorText, kExportFailed);
    }

    void importTakesFilesAndDrops()
    {
        Libraries libs;
        libs.fixture.writeModelFile(QStringLiteral("Glider.zrm"), QStringLiteral("Glider"));
        const QString path = libs.fixture.path(QStringLiteral("Glider.zrm"));

        const Outcome imported = importModel(*libs.main, path);
        QCOMPARE(imported.fileName, QStringLiteral("2.zrm"));
        QCOMPARE(libs.main->entryInfo(imported.fileName).name(), QStringLiteral("Glider 2"));
        QCOMPARE(importModel(*libs.main, libs.fixture.path(QStringLiteral("none.zrm"))).errorText,
                 kImportFailed);

        QCOMPARE(importDroppedUrls(*libs.main, {QUrl::fromLocalFile(path)}).fileName,
                 QStringLiteral("3.zrm"));
        QVERIFY(
            !importDroppedUrls(*libs.main, {QUrl(QStringLiteral("https://x.test/a.zrm"))}).acted);
        QVERIFY(!importDroppedUrls(*libs.main, {}).acted);
    }

    // The row text names the drag copy; separators in it never lead out of the folder.
    void dragCopyIsNamedAfterTheRow_data()
    {
        QTest::addColumn<QString>("rowText");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("plain") << "Glider"
                               << "Glider.zrm";
        QTest::newRow("separators") << "../../etc/x"
                                    << ".._.._etc_x.zrm";
        QTest::newRow("dots only") << ".."
                                   << "Model.zrm";
    }
    void dragCopyIsNamedAfterTheRow()
    {
        QFETCH(QString, rowText);
        QFETCH(QString, expectedName);
        Libraries libs;
        const QString folder = libs.fixture.path(QStringLiteral("drag"));
        QVERIFY(QDir().mkpath(folder));
        const QString copy = makeDragCopy(*libs.main, QStringLiteral("1.zrm"), rowText, folder);
        QCOMPARE(copy, folder + QLatin1Char('/') + expectedName);
        QCOMPARE(LibraryFixture::readFile(copy),
                 LibraryFixture::readFile(libs.main->filePath(QStringLiteral("1.zrm"))));
    }

    void filtersListEachExtensionOnce()
    {
        ScopedModelClasses classes({NoteModel::classInfo(), NoteModel::classInfo()});
        QCOMPARE(modelFileFilters(), (QStringList{"ZRM (*.zrm)", "All Files (*)"}));
    }
};

ZX_REGISTER_TEST(LibraryOperationsTest);
#include "test_libraryoperations.moc"
