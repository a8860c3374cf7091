#pragma once

#include <QString>

// Where the program keeps its per-user files: the settings folder (organisation folder under
// the user's application-data folder) holds "Zandorex Programmer.ini" and the data directory
// "Zandorex Programmer", which holds the model libraries and LastSyncedModels.json.
namespace datadirectory {

inline const QString kModelsFolder = QStringLiteral("/Models");
inline const QString kTrashFolder = QStringLiteral("/Models/Trash");
inline const QString kPresetsFolder = QStringLiteral("/Models/Presets");
inline const QString kDefaultModelsFolder = QStringLiteral("/Models/DefaultModels");
inline const QString kLastSyncedModelsFile = QStringLiteral("/LastSyncedModels.json");
inline const QString kBetaSuffix = QStringLiteral(" - Beta");

// Computed on first use from the application identity and kept for the life of the process.
[[nodiscard]] QString dataDirectoryPath();

// The same computation without the cache (tests change the environment between calls).
[[nodiscard]] QString computeDataDirectoryPath();

[[nodiscard]] QString betaDataDirectoryPath(const QString &dataDirectory);
[[nodiscard]] QString settingsFolderPath(const QString &dataDirectory);

} // namespace datadirectory
