#pragma once

#include "models/model.h"
#include "models/modelclassinfo.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A small model class for library tests: its settings are one text, its file a flat JSON
// object. It counts file writes so tests can tell how often the library saved.
class NoteModel : public Model
{
    Q_OBJECT

public:
    static constexpr int kProductCode = 0x10;
    static constexpr int kOldVersion = 1;
    static constexpr int kNewVersion = 2;

    NoteModel(int productCode, int parameterVersion);

    [[nodiscard]] static const ModelClassInfo *classInfo();
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override { return classInfo(); }
    void createEditorPages(PageInfoList &) const override {}
    [[nodiscard]] QByteArray toFileData() const override;
    bool fromFileData(const QByteArray &data) override;
    [[nodiscard]] std::uint32_t modelCrc() const override { return 0; }
    [[nodiscard]] bool matchesDeviceCrcs(std::uint32_t,
                                         const QList<SectionMetadata> &) const override
    {
        return false;
    }
    void resetToDefaults() override;
    [[nodiscard]] std::shared_ptr<Model>
    createUpgradedCopy(const ModelDevice &target) const override;

    [[nodiscard]] const QString &setting() const { return m_setting; }
    // A settings change: tells the library like a real model's settings do.
    void setSetting(const QString &setting);

    static int fileWrites;

private:
    QString m_setting = QStringLiteral("default");
};

// Registers NoteModel as the only model class while it lives, in a fresh temporary folder.
class LibraryFixture
{
public:
    LibraryFixture();

    [[nodiscard]] QString path(const QString &relative = QString()) const;
    // Writes a model file of the class directly, bypassing any library.
    void writeModelFile(const QString &relativePath, const QString &modelName,
                        const QString &serialNumber = QString(),
                        int parameterVersion = NoteModel::kOldVersion) const;
    [[nodiscard]] static QByteArray readFile(const QString &path);

private:
    ScopedModelClasses m_classes;
    QTemporaryDir m_dir;
};

// Lowers the largest file this process may write, for as long as it lives: writes past it
// fail as on a full disk (root ignores read-only folders, but not this limit).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    long long m_previousSoft = 0;
};
