#pragma once

#include "app/tooltipparser.h"

#include <QString>

#include <memory>

class LastSyncedModels;
class Log;
class QSettings;

// The process-wide objects that start-up creates, in creation order. They live until the
// process ends; later parts of start-up (libraries, device connection, device watch, main
// window) take what they need from here.
struct AppEnvironment
{
    QString dataDirectory;
    QString betaDataDirectory;
    QString settingsFolder;
    QSettings *settings = nullptr;
    Log *log = nullptr;
    LastSyncedModels *lastSyncedModels = nullptr;
    TooltipTable tooltips;
    // What went wrong on the way that the user should hear about; empty when nothing did.
    QString tooltipProblem;
    bool dataDirectoryWritable = true;
};

struct EnvironmentOptions
{
    // Folder that holds "tooltips.txt"; the program's own folder by default.
    QString tooltipFolder;
    // Data directory override, for tests and the command-line tool; empty: the user's.
    QString dataDirectory;
};

// Runs the start-up steps that need neither a device link nor a window, in their order:
// application identity, data directory, beta settings and last-synced migration, settings,
// log, last-synced models, tooltips, network thread, DefaultModels clean-up.
// Needs a QCoreApplication (or QApplication).
[[nodiscard]] AppEnvironment prepareEnvironment(const EnvironmentOptions &options = {});

// Deletes the scratch folder "Models/DefaultModels"; it never survives a restart.
void removeDefaultModelsFolder(const QString &dataDirectory);
