#include "librarytestsupport.h"
#include "models/betamodelimport.h"
#include "models/modellibrary.h"
#include "testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

using betamodelimport::BetaImportResult;

class BetaModelImportTest : public QObject
{
    Q_OBJECT

private slots:
    void importsTheBetaModelsThenDeletesTheBetaDirectory()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("Beta/Models/1.zrm"), QStringLiteral("Beta One"));
        fixture.writeModelFile(QStringLiteral("Beta/Models/2.zrm"), QStringLiteral("Beta Two"));
        fixture.writeModelFile(QStringLiteral("Data/Models/1.zrm"), QStringLiteral("Mine"));
        ModelLibrary models(fixture.path(QStringLiteral("Data/Models")));

        QCOMPARE(betamodelimport::importBetaModels(fixture.path(QStringLiteral("Beta")), models),
                 BetaImportResult::Imported);
        QCOMPARE(models.modelNames(), (QSet<QString>{"Mine", "Beta One", "Beta Two"}));
        QVERIFY(!QFileInfo::exists(fixture.path(QStringLiteral("Beta"))));
    }

    void withoutBetaModelsOnlyTheBetaDirectoryGoes()
    {
        LibraryFixture fixture;
        QVERIFY(QDir().mkpath(fixture.path(QStringLiteral("Beta/Other"))));
        ModelLibrary models(fixture.path(QStringLiteral("Data/Models")));
        QCOMPARE(betamodelimport::importBetaModels(fixture.path(QStringLiteral("Beta")), models),
                 BetaImportResult::NoBetaModels);
        QVERIFY(models.fileNames().isEmpty());
        QVERIFY(!QFileInfo::exists(fixture.path(QStringLiteral("Beta"))));
    }

    // A failed import keeps every beta model for the next start, which then brings each one
    // over exactly once.
    void failedImportKeepsTheBetaModelsForTheNextStart()
    {
        LibraryFixture fixture;
        fixture.writeModelFile(QStringLiteral("Beta/Models/1.zrm"), QStringLiteral("Beta One"));
        fixture.writeModelFile(QStringLiteral("Beta/Models/2.zrm"), QStringLiteral("Beta Two"));
        const QString betaFile = fixture.path(QStringLiteral("Beta/Models/2.zrm"));
        const QByteArray betaBytes = LibraryFixture::readFile(betaFile);
        ModelLibrary models(fixture.path(QStringLiteral("Data/Models")));
        {
            FileSizeLimit diskFull(16);
            QCOMPARE(
                betamodelimport::importBetaModels(fixture.path(QStringLiteral("Beta")), models),
                BetaImportResult::ImportFailed);
        }
        QCOMPARE(LibraryFixture::readFile(betaFile), betaBytes);
        QVERIFY(models.fileNames().isEmpty());

        QCOMPARE(betamodelimport::importBetaModels(fixture.path(QStringLiteral("Beta")), models),
                 BetaImportResult::Imported);
        QCOMPARE(models.fileNames(), (QStringList{"1.zrm", "2.zrm"}));
        QVERIFY(!QFileInfo::exists(fixture.path(QStringLiteral("Beta"))));
    }
};

ZX_REGISTER_TEST(BetaModelImportTest);
#include "test_betamodelimport.moc"
