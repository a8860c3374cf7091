#include "ui/models/modelspagecontroller.h"

#include "devicestate/devicemanager.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

using libraryoperations::Outcome;

ModelsPageController::ModelsPageController(ModelsContext context)
    : m_context(std::move(context))
{}

std::optional<libraryoperations::ConnectedDevice> ModelsPageController::connectedDevice() const
{
    const DeviceManager *manager = m_context.deviceManager;
    if (!manager || !manager->hasModelClass() || !manager->parameterVersion())
        return std::nullopt;
    return libraryoperations::ConnectedDevice{manager->productCode(), *manager->parameterVersion(),
                                              manager->serialNumber()};
}

std::optional<QString> ModelsPageController::groupingSerialNumber() const
{
    if (const std::optional<libraryoperations::ConnectedDevice> device = connectedDevice())
        return device->serialNumber;
    return std::nullopt;
}

QString ModelsPageController::currentFileName() const
{
    if (!m_context.currentModel)
        return {};
    const std::shared_ptr<Model> model = m_context.currentModel();
    // A current model that left the library (moved to the trash) has no row here.
    if (!model || !m_context.models || model->library() != m_context.models)
        return {};
    return model->info().fileName();
}

bool ModelsPageController::canUpgrade(const QString &fileName) const
{
    if (!m_context.models || !m_context.models->contains(fileName))
        return false;
    const ModelInfo info = m_context.models->entryInfo(fileName);
    const ModelClassInfo *modelClass = findModelClass(info.productCode(), info.parameterVersion());
    return modelClass && modelClass->upgradeTargets && !modelClass->upgradeTargets(info).isEmpty();
}

ModelsPageController::RowActions ModelsPageController::actionsFor(const QString &fileName) const
{
    RowActions actions;
    if (fileName.isEmpty()) {
        actions.select = true;
        return actions;
    }
    if (!m_context.models || !m_context.models->contains(fileName))
        return actions;
    actions.select = actions.edit = actions.exportFile = actions.duplicate = actions.reset =
        actions.remove = true;
    actions.upgrade = canUpgrade(fileName);
    return actions;
}

QString ModelsPageController::dialogDirectory() const
{
    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!m_context.settings)
        return fallback;
    return m_context.settings->value(libraryoperations::kOpenSaveDirectoryKey, fallback).toString();
}

void ModelsPageController::rememberDialogDirectory(const QString &chosenPath)
{
    if (m_context.settings)
        m_context.settings->setValue(libraryoperations::kOpenSaveDirectoryKey,
                                     QFileInfo(chosenPath).absolutePath());
}

ModelsPageController::FileRequest ModelsPageController::exportRequest(const QString &fileName,
                                                                      const QString &rowText) const
{
    FileRequest request;
    request.mode = FileRequest::Mode::Save;
    request.title = libraryoperations::kExportDialogTitle;
    request.directory = dialogDirectory();
    request.filters = libraryoperations::modelFileFilters();
    // The row text names a file in that folder, not a path below it.
    QString name = rowText;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    request.suggestedPath = QDir(request.directory).filePath(name);
    request.defaultSuffix = QFileInfo(fileName).suffix();
    return request;
}

ModelsPageController::FileRequest ModelsPageController::importRequest() const
{
    FileRequest request;
    request.mode = FileRequest::Mode::Open;
    request.title = libraryoperations::kImportDialogTitle;
    request.directory = dialogDirectory();
    request.filters = libraryoperations::modelFileFilters();
    return request;
}

Outcome ModelsPageController::select(const QString &fileName)
{
    if (!m_context.models)
        return Outcome::failure(libraryoperations::kSelectFailed);
    Outcome outcome =
        libraryoperations::selectModel(*m_context.models, fileName, connectedDevice());
    if (outcome.ok() && m_context.setCurrentModel)
        m_context.setCurrentModel(outcome.model);
    return outcome;
}

Outcome ModelsPageController::edit(const QString &fileName)
{
    if (!m_context.models)
        return Outcome::failure(libraryoperations::kEditFailed);
    return libraryoperations::editModel(*m_context.models, fileName);
}

Outcome ModelsPageController::exportTo(const QString &fileName, const QString &path)
{
    if (path.isEmpty())
        return Outcome::declined();
    rememberDialogDirectory(path);
    if (!m_context.models)
        return Outcome::failure(libraryoperations::kExportFailed);
    return libraryoperations::exportModel(*m_context.models, fileName, path);
}

Outcome ModelsPageController::duplicate(const QString &fileName)
{
    if (!m_context.models)
        return Outcome::failure(libraryoperations::kDuplicateFailed);
    return libraryoperations::duplicateModel(*m_context.models, fileName);
}

Outcome ModelsPageController::reset(const QString &fileName,
                                    const libraryoperations::Confirm &confirm)
{
    if (!m_context.models)
        return Outcome::failure(libraryoperations::kResetFailed);
    return libraryoperations::resetModel(*m_context.models, fileName, confirm);
}

Outcome ModelsPageController::upgrade(const QString &fileName,
                                      const libraryoperations::Confirm &confirm)
{
    if (!m_context.models)
        return Outcome::failure(libraryoperations::kUpgradeFailed);
    return libraryoperations::upgradeModel(*m_context.models, fileName, confirm);
}

Outcome ModelsPageController::remove(const QString &fileName,
                                     const libraryoperations::Confirm &confirmPermanentDelete)
{
    if (!m_context.models || !m_context.trash)
        return Outcome::declined();
    return libraryoperations::deleteModel(*m_context.models, *m_context.trash, fileName,
                                          m_context.lastSyncedModels, confirmPermanentDelete);
}

Outcome ModelsPageController::vetImportFile(const QString &path) const
{
    // A folder or a file of gigabytes would be read whole before it failed to load as a model.
    const QFileInfo file(path);
    if (!m_context.models || !file.isFile() || file.size() > kMaxModelFileBytes)
        return Outcome::failure(libraryoperations::kImportFailed);
    return {};
}

Outcome ModelsPageController::importFrom(const QString &path)
{
    if (path.isEmpty())
        return Outcome::declined();
    rememberDialogDirectory(path);
    if (const Outcome refused = vetImportFile(path); !refused.ok())
        return refused;
    return libraryoperations::importModel(*m_context.models, path);
}

Outcome ModelsPageController::importDropped(const QList<QUrl> &urls)
{
    if (!urls.isEmpty() && urls.first().isLocalFile()) {
        if (const Outcome refused = vetImportFile(urls.first().toLocalFile()); !refused.ok())
            return refused;
    }
    if (!m_context.models)
        return Outcome::declined();
    return libraryoperations::importDroppedUrls(*m_context.models, urls);
}

QString ModelsPageController::dragCopy(const QString &fileName, const QString &rowText,
                                       const QString &temporaryDirectory)
{
    if (!m_context.models)
        return {};
    return libraryoperations::makeDragCopy(*m_context.models, fileName, rowText,
                                           temporaryDirectory);
}
