#include "models/betamodelimport.h"

#include "app/datadirectory.h"
#include "app/log.h"
#include "models/modellibrary.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace betamodelimport {

namespace {

void writeToStandardOutput(const char *message)
{
    std::fputs(message, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

BetaImportResult importBetaModels(const QString &betaDataDirectory, ModelLibrary &models)
{
    const QString betaModelsFolder = betaDataDirectory + datadirectory::kModelsFolder;
    if (!QFileInfo(betaModelsFolder).isDir()) {
        QDir(betaDataDirectory).removeRecursively();
        return BetaImportResult::NoBetaModels;
    }

    bool imported = false;
    {
        const ModelLibrary betaModels(betaModelsFolder);
        imported = models.importLibrary(betaModels);
    }
    if (!imported) {
        writeToStandardOutput("error importing models from beta directory");
        log(QStringLiteral("ModelLibrary"),
            QStringLiteral("Keeping %1: not every beta model could be copied into %2; the next "
                           "start tries again")
                .arg(betaModelsFolder, models.directory()));
        return BetaImportResult::ImportFailed;
    }

    BetaImportResult result = BetaImportResult::Imported;
    if (!QDir(betaModelsFolder).removeRecursively()) {
        writeToStandardOutput("error deleting all of beta models directory");
        result = BetaImportResult::FolderNotDeleted;
    }
    QDir(betaDataDirectory).removeRecursively();
    return result;
}

} // namespace betamodelimport
