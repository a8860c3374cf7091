#pragma once

#include <QString>

// Files left behind by an earlier beta installation are taken over on start-up; nothing the
// current installation already has is ever overwritten.
namespace betamigration {

inline const QString kSettingsFileName = QStringLiteral("Zandorex Programmer.ini");
inline const QString kBetaSettingsFileName = QStringLiteral("Zandorex Programmer - Beta.ini");
inline const QString kLastSyncedModelsFileName = QStringLiteral("LastSyncedModels.json");

// Renames the beta settings file to the settings file when only the former exists.
// Returns whether it was renamed.
bool migrateSettingsFile(const QString &settingsFolder);

// Moves LastSyncedModels.json from the beta data directory when the data directory has none.
// Returns whether it was moved.
bool migrateLastSyncedModels(const QString &betaDataDirectory, const QString &dataDirectory);

} // namespace betamigration
