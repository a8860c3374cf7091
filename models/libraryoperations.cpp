#include "models/libraryoperations.h"

#include "app/lastsyncedmodels.h"
#include "models/libraryfiles.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"

#include <QFile>
#include <QFileInfo>

namespace libraryoperations {

namespace {

Outcome success(const QString &fileName, std::shared_ptr<Model> model = nullptr)
{
    Outcome outcome;
    outcome.fileName = fileName;
    outcome.model = std::move(model);
    return outcome;
}

// Operations that read a model's file write the changes of the last seconds first, so that
// a copy, a trash entry or an export is the model as the user sees it.
void writePendingChanges(ModelLibrary &library, const QString &fileName)
{
    if (library.isPending(fileName))
        library.saveModel(fileName);
}

// A row text as a file name: no folder separators or characters some file systems refuse.
QString fileNameFromRowText(const QString &rowText)
{
    QString name;
    name.reserve(rowText.size());
    for (const QChar c : rowText) {
        const bool refused = c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c);
        name += refused ? QLatin1Char('_') : c;
    }
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("Model");
    return name;
}

} // namespace

QStringList modelFileFilters()
{
    QStringList filters;
    for (const ModelClassInfo *info : allModelClasses()) {
        const QString filter =
            QStringLiteral("%1 (*.%2)").arg(info->extension.toUpper(), info->extension);
        if (!filters.contains(filter))
            filters.append(filter);
    }
    filters.append(QStringLiteral("All Files (*)"));
    return filters;
}

Outcome selectModel(ModelLibrary &library, const QString &fileName,
                    const std::optional<ConnectedDevice> &device)
{
    const std::shared_ptr<Model> model = library.openModel(fileName);
    if (!model)
        return Outcome::failure(kSelectFailed);
    if (!device)
        return success(fileName, model);

    if (device->parameterVersion == model->parameterVersion()) {
        const QString assigned =
            library.assignToDevice(model, device->productCode, device->serialNumber);
        if (assigned.isEmpty())
            return Outcome::failure(kSelectForDeviceFailed);
        return success(assigned, model);
    }

    ModelDevice target{device->productCode, device->parameterVersion, QString()};
    if (const std::optional<ModelDevice> known =
            findModelDevice(device->productCode, device->parameterVersion))
        target = *known;
    auto [upgraded, copy] = library.upgradeModel(model, target);
    if (upgraded.isEmpty())
        return Outcome::failure(kSelectForDeviceFailed);
    return success(upgraded, copy);
}

Outcome editModel(ModelLibrary &library, const QString &fileName)
{
    const std::shared_ptr<Model> model = library.openModel(fileName);
    return model ? success(fileName, model) : Outcome::failure(kEditFailed);
}

Outcome exportModel(ModelLibrary &library, const QString &fileName, const QString &targetPath)
{
    if (!libraryfiles::isPlainFileName(fileName) || targetPath.isEmpty())
        return Outcome::failure(kExportFailed);
    writePendingChanges(library, fileName);
    // Replacing in one step keeps a file the user already had there if the copy fails.
    if (!libraryfiles::replaceFileAtomically(library.filePath(fileName), targetPath))
        return Outcome::failure(kExportFailed);
    return success(fileName);
}

Outcome duplicateModel(ModelLibrary &library, const QString &fileName)
{
    const std::shared_ptr<Model> model = library.openModel(fileName);
    if (!model)
        return Outcome::failure(kDuplicateFailed);
    const QString copyFileName = library.addModel(model);
    if (copyFileName.isEmpty())
        return Outcome::failure(kSaveNewFailed);
    model->info().setName(library.copyName(model->info().name()));
    return success(copyFileName, model);
}

Outcome resetModel(ModelLibrary &library, const QString &fileName, const Confirm &confirmReset)
{
    if (confirmReset && !confirmReset())
        return Outcome::declined();
    const std::shared_ptr<Model> model = library.openModel(fileName);
    if (!model)
        return Outcome::failure(kResetFailed);
    model->resetToDefaults();
    return success(fileName, model);
}

Outcome upgradeModel(ModelLibrary &library, const QString &fileName, const Confirm &confirmUpgrade)
{
    if (confirmUpgrade && !confirmUpgrade())
        return Outcome::declined();
    const std::shared_ptr<Model> model = library.openModel(fileName);
    if (!model)
        return Outcome::failure(kUpgradeFailed);
    const ModelClassInfo *classInfo = model->getModelClassInfo();
    if (!classInfo || !classInfo->upgradeTargets)
        return Outcome::failure(kUpgradeFailed);
    const QList<ModelDevice> targets = classInfo->upgradeTargets(library.entryInfo(fileName));
    if (targets.isEmpty())
        return Outcome::failure(kUpgradeFailed);
    auto [upgraded, copy] = library.upgradeModel(model, targets.first());
    if (upgraded.isEmpty())
        return Outcome::failure(kUpgradeFailed);
    return success(upgraded, copy);
}

Outcome deleteModel(ModelLibrary &library, ModelLibrary &trash, const QString &fileName,
                    LastSyncedModels *lastSynced, const Confirm &confirmPermanentDelete)
{
    if (!library.contains(fileName))
        return Outcome::declined();
    writePendingChanges(library, fileName);
    const QString trashFileName = trash.importModelFile(library.filePath(fileName));
    // Without a trash copy the model is gone for good, so only on an explicit yes.
    if (trashFileName.isEmpty() && !(confirmPermanentDelete && confirmPermanentDelete()))
        return Outcome::declined();
    if (!library.removeModel(fileName)) {
        // Still in the list: take the trash copy back so the model is not listed twice.
        if (!trashFileName.isEmpty())
            trash.removeModel(trashFileName);
        return Outcome::declined();
    }
    // Also after a permanent delete: the file number may be given to another model later,
    // and the device must not be taken for that model's.
    if (lastSynced)
        lastSynced->forgetLastSyncedModel(fileName);
    return success(QString());
}

Outcome importModel(ModelLibrary &library, const QString &path)
{
    const QString fileName = library.importModelFile(path);
    return fileName.isEmpty() ? Outcome::failure(kImportFailed) : success(fileName);
}

Outcome importDroppedUrls(ModelLibrary &library, const QList<QUrl> &urls)
{
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return Outcome::declined();
    return importModel(library, urls.first().toLocalFile());
}

QString makeDragCopy(ModelLibrary &library, const QString &fileName, const QString &rowText,
                     const QString &temporaryDirectory)
{
    if (!library.contains(fileName))
        return {};
    writePendingChanges(library, fileName);
    const QString target =
        QStringLiteral("%1/%2.%3")
            .arg(temporaryDirectory, fileNameFromRowText(rowText), QFileInfo(fileName).suffix());
    QFile::remove(target); // a copy left by an earlier drag of the same row
    if (!libraryfiles::copyFileAtomically(library.filePath(fileName), target))
        return {};
    return target;
}

bool restoreFromTrash(ModelLibrary &trash, ModelLibrary &library, const QString &fileName)
{
    if (!trash.contains(fileName))
        return false;
    if (library.importModelFile(trash.filePath(fileName)).isEmpty())
        return false;
    trash.removeModel(fileName);
    return true;
}

bool deleteFromTrash(ModelLibrary &trash, const QString &fileName)
{
    return trash.removeModel(fileName);
}

bool emptyTrash(ModelLibrary &trash, const Confirm &confirmEmpty)
{
    if (!confirmEmpty || !confirmEmpty())
        return false;
    bool allDeleted = true;
    for (const QString &fileName : trash.fileNames())
        allDeleted = trash.removeModel(fileName) && allDeleted;
    return allDeleted;
}

} // namespace libraryoperations
