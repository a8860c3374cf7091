#pragma once

#include "devicestate/targetsection.h"
#include "models/modelclassinfo.h"
#include "models/modelinfo.h"
#include "models/modelsettingsrows.h"
#include "models/pageinfo.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class ModelLibrary;

// The settings of one aircraft for one kind of device. Shared through shared pointers; the
// library keeps weak references. Never constructs widgets.
class Model : public QObject
{
    Q_OBJECT

public:
    explicit Model(QObject *parent = nullptr);
    ~Model() override;

    // The embedded info; its notifier is this model.
    [[nodiscard]] ModelInfo &info() { return m_info; }
    [[nodiscard]] const ModelInfo &info() const { return m_info; }

    [[nodiscard]] ModelLibrary *library() const { return m_library; }
    void setLibrary(ModelLibrary *library) { m_library = library; }

    [[nodiscard]] virtual const ModelClassInfo *getModelClassInfo() const = 0;
    // The records of the editor's navigation rows, appended to `pages`; the user interface
    // makes the page widgets from them.
    virtual void createEditorPages(PageInfoList &pages) const = 0;
    // The set-up pages of the new-model wizard; none by default.
    virtual void createWizardPages(PageInfoList &pages) const;
    // The settings as rows for a settings view; none by default.
    [[nodiscard]] virtual std::unique_ptr<ModelSettingsRows>
    createSettingsRows(bool editable) const;
    [[nodiscard]] virtual QByteArray toFileData() const = 0;
    virtual bool fromFileData(const QByteArray &data) = 0;
    [[nodiscard]] virtual std::uint32_t modelCrc() const = 0;
    // Whether the model equals a device that reports whole-memory CRC `wholeCrc` and
    // `sections`.
    [[nodiscard]] virtual bool matchesDeviceCrcs(std::uint32_t wholeCrc,
                                                 const QList<SectionMetadata> &sections) const = 0;
    virtual void resetToDefaults() = 0;
    // A new model for a newer device variant; none by default.
    [[nodiscard]] virtual std::shared_ptr<Model>
    createUpgradedCopy(const ModelDevice &target) const;
    [[nodiscard]] virtual int parameterVersion() const { return m_info.parameterVersion(); }
    // Commits pending device writes; done(true) when that failed. The base has nothing to
    // commit and calls done(false) on the next turn of the event loop.
    virtual void sync(std::function<void(bool)> done);
    [[nodiscard]] virtual bool isSynced() const { return true; }

signals:
    void infoChanged();

protected:
    // Tells the library that this model changed (only while it is in a library with a file).
    void notifyLibrary();

private:
    ModelInfo m_info{this};
    ModelLibrary *m_library = nullptr; // libraries live for the whole run
};

// Loads a ".zrm" file into a new model of the class that serves its product code and
// parameter version; null on any failure. The caller decides name and file name. `data`, when
// given, receives the bytes read, for a caller that needs more of the file than the model keeps.
[[nodiscard]] std::shared_ptr<Model> loadModelFile(const QString &path, QByteArray *data = nullptr);
// The same from bytes already read (the fuzz target and the command line use it).
[[nodiscard]] std::shared_ptr<Model> loadModelData(const QByteArray &data);
