#include "ui/sync/syncdefaultmodel.h"

#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "devicestate/devicemanager.h"
#include "models/modelclassinfo.h"
#include "models/modelinfo.h"
#include "models/modellibrary.h"

#include <algorithm>

namespace modelsync {

namespace {

bool listsDevice(const QList<ModelDevice> &devices, int productCode, int parameterVersion)
{
    return std::ranges::any_of(devices, [&](const ModelDevice &device) {
        return device.productCode == productCode && device.parameterVersion == parameterVersion;
    });
}

std::shared_ptr<ModelInfo> entryOf(const QList<std::shared_ptr<ModelInfo>> &entries,
                                   const QString &fileName)
{
    const auto found = std::ranges::find_if(entries, [&](const std::shared_ptr<ModelInfo> &info) {
        return info->fileName() == fileName;
    });
    return found == entries.end() ? nullptr : *found;
}

} // namespace

SyncDevice syncDeviceOf(const DeviceManager &manager)
{
    return {manager.serialNumber(), manager.productCode(), manager.parameterVersion()};
}

bool fitsDevice(const ModelInfo &info, const SyncDevice &device)
{
    if (!device.parameterVersion)
        return false;
    const int parameterVersion = *device.parameterVersion;
    const ModelClassInfo *modelClass = findModelClass(info.productCode(), info.parameterVersion());
    if (!modelClass)
        return false;
    if (info.parameterVersion() == parameterVersion)
        return listsDevice(modelClass->devices, device.productCode, parameterVersion);
    return modelClass->upgradeTargets &&
           listsDevice(modelClass->upgradeTargets(info), device.productCode, parameterVersion);
}

DefaultModel chooseDefaultModel(const ModelLibrary &library,
                                const LastSyncedModels *lastSyncedModels, const SyncDevice &device,
                                const QString &logTag)
{
    const QList<std::shared_ptr<ModelInfo>> entries = library.entries();
    DefaultModel choice;

    const QString lastSynced =
        lastSyncedModels ? lastSyncedModels->modelFileFor(device.serialNumber) : QString();
    if (!lastSynced.isEmpty()) {
        if (std::shared_ptr<ModelInfo> info = entryOf(entries, lastSynced);
            info && fitsDevice(*info, device)) {
            choice = {lastSynced, std::move(info)};
            log(kLogCategory,
                QStringLiteral("Sync dialog %1: setting default model to last synced").arg(logTag));
        }
    }

    if (choice.isNew() && device.parameterVersion) {
        for (const std::shared_ptr<ModelInfo> &info : entries) {
            if (info->serialNumber() == device.serialNumber &&
                info->productCode() == device.productCode &&
                info->parameterVersion() == *device.parameterVersion) {
                choice = {info->fileName(), info};
                log(kLogCategory,
                    QStringLiteral("Sync dialog %1: setting default model from model list")
                        .arg(logTag));
                break;
            }
        }
    }

    log(kLogCategory, QStringLiteral("Sync dialog %1: serial number %2, default model %3")
                          .arg(logTag, device.serialNumber, choice.selection));
    return choice;
}

} // namespace modelsync
