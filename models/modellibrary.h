#pragma once

#include "models/librarymanifest.h"
#include "models/manifestwriter.h"
#include "models/modelinfo.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class Model;
struct ModelDevice;

// The models of one directory: one file per model, "%1.%2" (a number and the class
// extension), and manifest.json caching each model's descriptive data so that lists need not
// load every file. Changed models are written a short delay after their first change. Every
// file is written atomically: a crash or a full disk leaves the old file or the new one.
// Model files are written on the calling thread; manifest.json, which holds every model's
// picture, is written on a thread of its own (ManifestWriter), so a save never waits for it.
// Main thread only.
class ModelLibrary : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kSaveDelay{2000};

    // Creates the directory if needed, reads manifest.json and reconciles it with the files
    // there: a missing, broken or stale manifest is rebuilt from the model files (and is on
    // disk when this returns), and files that do not load stay on disk unlisted.
    explicit ModelLibrary(QString directory, QObject *parent = nullptr);
    // Writes what is still pending, waits until the manifest is on disk and detaches the open
    // models.
    ~ModelLibrary() override;

    [[nodiscard]] const QString &directory() const { return m_directory; }
    [[nodiscard]] QString filePath(const QString &fileName) const;

    // The open model of the file, or the file loaded; null when it does not load.
    [[nodiscard]] std::shared_ptr<Model> openModel(const QString &fileName);
    // Gives the model a new file here and saves it. Empty when saving failed; the model then
    // keeps its former file and library.
    [[nodiscard]] QString addModel(const std::shared_ptr<Model> &model);
    // Loads a model file from anywhere and adds it under a unique name; empty on failure.
    [[nodiscard]] QString importModelFile(const QString &path);
    // Deletes the file and forgets the model. False when the file could not be deleted (the
    // model then stays listed).
    bool removeModel(const QString &fileName);
    // Writes the model's file and, when its info changed, queues the manifest: true means the
    // model file is on disk (waitForWrites waits for the manifest too). A model that could not
    // be written is kept pending for the next flush; a manifest that could not be written is
    // logged and written again at the next save.
    bool saveModel(const QString &fileName);

    // One per model in library order; an open model contributes its live info.
    [[nodiscard]] QList<std::shared_ptr<ModelInfo>> entries() const;
    // The file names of the models in library order, without touching their data.
    [[nodiscard]] QStringList fileNames() const { return m_manifest.fileNames(); }
    [[nodiscard]] QSet<QString> modelNames() const;
    // Whether the model of the file has changes not yet written.
    [[nodiscard]] bool isPending(const QString &fileName) const;
    [[nodiscard]] ModelInfo entryInfo(const QString &fileName) const;
    [[nodiscard]] bool contains(const QString &fileName) const
    {
        return m_manifest.contains(fileName);
    }

    // Copies every model file of `other` into this library and waits for the manifest. False
    // when a copy or the manifest failed; after a failed copy the copies made are removed
    // again, so that a retry does not duplicate them.
    [[nodiscard]] bool importLibrary(const ModelLibrary &other);
    // Binds the model to a connected device; a model of another device is moved to a new
    // file first, leaving the old one to that device. Empty when that move failed.
    [[nodiscard]] QString assignToDevice(const std::shared_ptr<Model> &model, int productCode,
                                         const QString &serialNumber);
    // A copy of the model for a newer device variant, added here; {"", null} on failure.
    [[nodiscard]] std::pair<QString, std::shared_ptr<Model>>
    upgradeModel(const std::shared_ptr<Model> &model, const ModelDevice &target);

    // Called by a model of this library when its info or settings changed.
    void modelChanged(const QString &fileName);
    // Writes every pending model now and waits until they and the manifest are on disk (main
    // window closing; the process then ends without destructors). Returns whether all were
    // written; models that were not stay pending.
    bool flushPendingSaves();
    // Blocks until the manifest writes asked for so far are on disk or have failed. Returns
    // whether manifest.json now matches the library.
    bool waitForWrites();
    [[nodiscard]] const QList<std::shared_ptr<Model>> &pendingModels() const { return m_pending; }

    [[nodiscard]] QString newModelName() const;
    [[nodiscard]] QString uniqueName(const QString &name) const;
    [[nodiscard]] QString copyName(const QString &name) const;

    // Tests shorten the delay and fix the clock of copy names.
    void setSaveDelay(std::chrono::milliseconds delay);
    void setClock(std::function<QDateTime()> clock);

private:
    enum class SaveResult { Saved, NotOpen, WriteFailed };

    [[nodiscard]] std::shared_ptr<Model> liveModel(const QString &fileName) const;
    // The model file, and the manifest entry in memory only.
    [[nodiscard]] SaveResult writeModelFile(const std::shared_ptr<Model> &model,
                                            bool *entryChanged);
    [[nodiscard]] SaveResult save(const std::shared_ptr<Model> &model);
    // The save timer's part of flushPendingSaves: everything but the wait. Returns whether
    // every model file was written.
    bool writePendingSaves();
    void keepPending(const std::shared_ptr<Model> &model);
    void dropDeadOpenModels();
    void loadManifest();
    // The manifest entry of a model file, or nothing when it does not load.
    [[nodiscard]] static std::optional<QJsonObject> entryFromFile(const QString &path);
    // Queues manifest.json as the library is now.
    void writeManifest();
    void manifestWritten(bool ok, const QString &errorText);
    // Remembers the modification time of a model file this library wrote.
    void noteFileWritten(const QString &path);

    QString m_directory;
    LibraryManifest m_manifest;
    // Set when writing manifest.json failed, so that the next save writes it again.
    bool m_manifestStale = false;
    // The newest modification time among the model files the manifest reflects. The manifest
    // is dated with it: a start-up then takes every model file written after the manifest's
    // snapshot, even one that reached the disk before the manifest did, as newer than its
    // entry (see loadManifest).
    QDateTime m_newestFileTime;
    QHash<QString, std::weak_ptr<Model>> m_openModels;
    QList<std::shared_ptr<Model>> m_pending;
    QTimer m_saveTimer;
    std::function<QDateTime()> m_clock;
    ManifestWriter m_manifestWriter;
};
