#include "app/betamigration.h"

#include <QDir>
#include <QFile>

namespace betamigration {

bool migrateSettingsFile(const QString &settingsFolder)
{
    const QDir folder(settingsFolder);
    if (!folder.exists(kBetaSettingsFileName) || folder.exists(kSettingsFileName))
        return false;
    return QFile::rename(folder.filePath(kBetaSettingsFileName),
                         folder.filePath(kSettingsFileName));
}

bool migrateLastSyncedModels(const QString &betaDataDirectory, const QString &dataDirectory)
{
    const QDir beta(betaDataDirectory);
    const QDir current(dataDirectory);
    if (!beta.exists(kLastSyncedModelsFileName) || current.exists(kLastSyncedModelsFileName))
        return false;
    return QFile::rename(beta.filePath(kLastSyncedModelsFileName),
                         current.filePath(kLastSyncedModelsFileName));
}

} // namespace betamigration
