#include "app/startup.h"

#include "app/appidentity.h"
#include "app/betamigration.h"
#include "app/datadirectory.h"
#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "app/networkthread.h"
#include "platform/installlayout.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kTooltipFileName = QStringLiteral("tooltips.txt");

} // namespace

void removeDefaultModelsFolder(const QString &dataDirectory)
{
    QDir(dataDirectory + datadirectory::kDefaultModelsFolder).removeRecursively();
}

AppEnvironment prepareEnvironment(const EnvironmentOptions &options)
{
    AppEnvironment env;
    appidentity::apply();

    env.dataDirectory = options.dataDirectory.isEmpty() ? datadirectory::dataDirectoryPath()
                                                        : options.dataDirectory;
    QDir().mkpath(QDir(env.dataDirectory).absolutePath());
    env.betaDataDirectory = datadirectory::betaDataDirectoryPath(env.dataDirectory);
    env.settingsFolder = datadirectory::settingsFolderPath(env.dataDirectory);

    betamigration::migrateSettingsFile(env.settingsFolder);
    betamigration::migrateLastSyncedModels(env.betaDataDirectory, env.dataDirectory);

    // Created only after the migration so that it opens the migrated file.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    env.settings = new QSettings;

    env.log = new Log;
    Log::install(env.log);

    env.lastSyncedModels =
        new LastSyncedModels(env.dataDirectory + datadirectory::kLastSyncedModelsFile);
    env.lastSyncedModels->loadLastSyncedModels();

    const QString tooltipFile = options.tooltipFolder.isEmpty()
                                    ? platform::dataFilePath(kTooltipFileName)
                                    : options.tooltipFolder + QLatin1Char('/') + kTooltipFileName;
    env.tooltips = loadTooltipTable(tooltipFile, &env.tooltipProblem);
    env.dataDirectoryWritable = QFileInfo(env.dataDirectory).isWritable();

    (void)networkThread(); // starts the thread and its shared network access manager

    removeDefaultModelsFolder(env.dataDirectory);
    return env;
}
