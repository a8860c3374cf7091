#pragma once

#include <QMap>
#include <QString>

// Which model file was last synced with which device: device serial number to the file name
// of the model in the models library. Kept in LastSyncedModels.json in the data directory and
// touched only on the main thread.
class LastSyncedModels
{
public:
    explicit LastSyncedModels(QString filePath);

    // Replaces the map with the file's members whose value is a non-empty string. A file that
    // cannot be opened is logged and leaves the map empty; one that is not a JSON object reads
    // as an empty object.
    void loadLastSyncedModels();

    // Writes the whole map atomically: a crash while saving leaves the old file or the new one.
    // Failures are logged in "Error"; returns whether the file was written.
    bool saveLastSyncedModels() const;

    // Sets the entry when both names are non-empty, otherwise removes the device's entry;
    // then saves.
    void setLastSyncedModel(const QString &serialNumber, const QString &modelFileName);

    // Removes every entry that names the model file, then saves.
    void forgetLastSyncedModel(const QString &modelFileName);

    // The model file last synced with the device, or an empty string.
    [[nodiscard]] QString modelFileFor(const QString &serialNumber) const;
    [[nodiscard]] const QMap<QString, QString> &entries() const { return m_entries; }
    [[nodiscard]] const QString &filePath() const { return m_filePath; }

private:
    QString m_filePath;
    QMap<QString, QString> m_entries;
};
