#include "ui/sync/syncrun.h"

#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "devicestate/devicemanager.h"
#include "models/devicemodel.h"
#include "models/libraryoperations.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"
#include "ui/sync/syncdefaultmodel.h"

#include <QObject>

namespace modelsync {

namespace {

std::unexpected<QString> prepareFailed()
{
    return std::unexpected(kPrepareFailedText);
}

std::expected<SyncTarget, QString> prepareNewModel(ModelLibrary &library, const SyncDevice &device)
{
    std::shared_ptr<DeviceModel> model = newModelFor(device);
    if (!model)
        return prepareFailed();
    // Every new model would otherwise be called "Model", and the list could not tell them
    // apart.
    model->info().setName(library.newModelName());
    if (library.addModel(model).isEmpty())
        return prepareFailed();
    const QString fileName = library.assignToDevice(model, device.productCode, device.serialNumber);
    if (fileName.isEmpty())
        return prepareFailed();
    return SyncTarget{std::move(model), fileName};
}

std::expected<SyncTarget, QString>
prepareLibraryModel(ModelLibrary &library, const QString &fileName, const SyncDevice &device)
{
    // Selecting binds a model of the device's parameter version to the device, and makes a
    // converted copy of a model of another one.
    const libraryoperations::Outcome selected = libraryoperations::selectModel(
        library, fileName,
        libraryoperations::ConnectedDevice{device.productCode, *device.parameterVersion,
                                           device.serialNumber});
    if (!selected.ok() || !selected.model)
        return prepareFailed();
    auto model = std::dynamic_pointer_cast<DeviceModel>(selected.model);
    if (!model)
        return prepareFailed();

    QString syncedFileName = selected.fileName;
    if (model->info().serialNumber() != device.serialNumber) {
        // A converted copy still carries the source's serial number. The copy was made for
        // this device; were it left naming another one, pairing would move it to yet another
        // file and leave this one behind as an orphan.
        model->info().setSerialNumber(QString());
        syncedFileName = library.assignToDevice(model, device.productCode, device.serialNumber);
        if (syncedFileName.isEmpty())
            return prepareFailed();
    }
    return SyncTarget{std::move(model), syncedFileName};
}

QString directionText(InitialSyncDirection direction)
{
    return direction == InitialSyncDirection::ComputerToDevice ? QStringLiteral("computer")
                                                               : QStringLiteral("device");
}

} // namespace

std::shared_ptr<DeviceModel> newModelFor(const SyncDevice &device)
{
    if (!device.parameterVersion)
        return nullptr;
    const ModelClassInfo *modelClass = findModelClass(device.productCode, *device.parameterVersion);
    if (!modelClass || !modelClass->create)
        return nullptr;
    return std::dynamic_pointer_cast<DeviceModel>(
        modelClass->create(device.productCode, *device.parameterVersion));
}

std::expected<SyncTarget, QString> prepareSyncModel(const SyncContext &context,
                                                    const QString &selection)
{
    if (!context.deviceManager || !context.library)
        return prepareFailed();
    const SyncDevice device = syncDeviceOf(*context.deviceManager);
    if (!device.parameterVersion)
        return prepareFailed();
    if (selection == kNewModelMarker)
        return prepareNewModel(*context.library, device);
    return prepareLibraryModel(*context.library, selection, device);
}

void startModelSync(const SyncContext &context, SyncTarget target, InitialSyncDirection direction,
                    const QString &logTag, const QObject *owner, SyncProgress progress,
                    SyncDone done)
{
    log(kLogCategory, QStringLiteral("Sync dialog %1: syncing from %2 with model %3")
                          .arg(logTag, directionText(direction), target.model->info().name()));

    DeviceManager *manager = context.deviceManager;
    const QString serialNumber = manager->serialNumber();
    const QPointer<const QObject> guard(owner);
    DeviceMemory &memory = target.model->memory();

    memory.setSyncConnectionAsync(
        manager->connection(), manager->targetSections(), direction,
        [guard, progress = std::move(progress)](float fraction) {
            if (guard && progress)
                progress(fraction);
        },
        // The target rides along so that the model outlives a dialog that is gone.
        [context, target, serialNumber, guard,
         done = std::move(done)](DeviceConnectionError error) {
            SyncOutcome outcome{error, false};
            if (error != DeviceConnectionError::NoError) {
                // The device memory has reported the error and let go of the device.
                if (guard && done)
                    done(outcome);
                return;
            }
            if (ModelLibrary *library = target.model->library())
                library->saveModel(target.model->info().fileName());
            if (guard && context.setCurrentModel)
                outcome.madeCurrent = context.setCurrentModel(target.model);
            if (guard && done)
                done(outcome);
            if (context.lastSyncedModels)
                context.lastSyncedModels->setLastSyncedModel(serialNumber,
                                                             target.model->info().fileName());
        });
}

} // namespace modelsync
