#pragma once

#include "models/modelinfo.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

class Model;
struct ModelDevice;

// The models of one directory: one file per model, "%1.%2" (a number and the class
// extension), and manifest.json caching each model's descriptive data so that lists need not
// load every file. Changed models are written after a short delay. Main thread only.
class ModelLibrary : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kSaveDelay{2000};

    // Creates the directory if needed, reads manifest.json and reconciles it with the files
    // there; a missing, broken or stale manifest is rebuilt from the model files.
    explicit ModelLibrary(QString directory, QObject *parent = nullptr);
    ~ModelLibrary() override;

    [[nodiscard]] const QString &directory() const { return m_directory; }
    [[nodiscard]] QString filePath(const QString &fileName) const;

    // The open model of the file, or the file loaded; null when it does not load.
    [[nodiscard]] std::shared_ptr<Model> openModel(const QString &fileName);
    // Gives the model a new file here and saves it; empty when saving failed.
    [[nodiscard]] QString addModel(const std::shared_ptr<Model> &model);
    // Loads a model file from anywhere and adds it under a unique name; empty on failure.
    [[nodiscard]] QString importModelFile(const QString &path);
    // Deletes the file and forgets the model. Returns whether the file is gone.
    bool removeModel(const QString &fileName);
    // Writes the model's file and, when its info changed, the manifest. A model that could
    // not be written stays pending.
    bool saveModel(const QString &fileName);

    [[nodiscard]] QList<std::shared_ptr<ModelInfo>> entries() const;
    [[nodiscard]] QSet<QString> modelNames() const;
    [[nodiscard]] ModelInfo entryInfo(const QString &fileName) const;
    [[nodiscard]] bool contains(const QString &fileName) const;

    // Copies every model file of `other` into this library; false when any copy failed.
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
    // Writes every pending model now (save timer, main window closing). Returns whether all
    // were written.
    bool flushPendingSaves();
    [[nodiscard]] QList<std::shared_ptr<Model>> pendingModels() const { return m_pending; }

    [[nodiscard]] QString newModelName() const;
    [[nodiscard]] QString uniqueName(const QString &name) const;
    [[nodiscard]] QString copyName(const QString &name) const;

    // Test hooks: a shorter save delay, a fixed clock for copy names.
    void setSaveDelay(std::chrono::milliseconds delay);
    void setClock(std::function<QDateTime()> clock);

private:
    [[nodiscard]] QString nextFileName(const QString &extension) const;
    [[nodiscard]] int nextFileNumber() const;
    [[nodiscard]] std::shared_ptr<Model> liveModel(const QString &fileName) const;
    void dropDeadOpenModels();
    void readManifest();
    void reconcileWithFiles();
    bool writeManifest() const;

    QString m_directory;
    QHash<QString, ModelInfo> m_manifest;
    QHash<QString, std::weak_ptr<Model>> m_openModels;
    QList<std::shared_ptr<Model>> m_pending;
    QTimer m_saveTimer;
    std::function<QDateTime()> m_clock;
};
