#pragma once

#include <QString>

#include <memory>
#include <optional>

class DeviceManager;
class LastSyncedModels;
class ModelInfo;
class ModelLibrary;

namespace modelsync {

// The selection that stands for a model not yet in the library, made for the device.
inline const QString kNewModelMarker = QStringLiteral("(new)");
inline const QString kLogCategory = QStringLiteral("Model Sync");

// The device a sync is for, as the device manager identified it.
struct SyncDevice
{
    QString serialNumber;
    int productCode = 0;
    std::optional<int> parameterVersion; // only application identification reports it
};

[[nodiscard]] SyncDevice syncDeviceOf(const DeviceManager &manager);

// Whether a library model can be synced with the device. A model fits when the class that
// serves the model also serves the device and both have the same parameter version, or when
// the model's class can upgrade it to the device's variant (the sync then works on the
// library's converted copy). A model of the right class but another parameter version that
// no upgrade reaches does not fit: nothing could convert it, so the sync would only fail.
// The serial number is not looked at: the last-synced table already ties the model to the
// device, and pairing copies a model that another device claims.
[[nodiscard]] bool fitsDevice(const ModelInfo &info, const SyncDevice &device);

struct DefaultModel
{
    // The model's file name in the library, or kNewModelMarker.
    QString selection = kNewModelMarker;
    // The model's info; null for kNewModelMarker.
    std::shared_ptr<ModelInfo> info;

    [[nodiscard]] bool isNew() const { return !info; }
};

// The model the sync dialog offers first: the one last synced with the device while it still
// fits, else the first library model recorded for this device (serial number, product code
// and parameter version), else a new model. Logs the choice under `logTag`;
// `lastSyncedModels` may be null.
[[nodiscard]] DefaultModel chooseDefaultModel(const ModelLibrary &library,
                                              const LastSyncedModels *lastSyncedModels,
                                              const SyncDevice &device, const QString &logTag);

} // namespace modelsync
