#pragma once

#include "device/deviceconnectionerror.h"
#include "devicestate/targetsection.h"
#include "ui/sync/synccontext.h"

#include <QPointer>
#include <QString>

#include <expected>
#include <functional>
#include <memory>

class DeviceModel;
class QObject;

// The sync of a model with the connected device, without the dialog: which model the
// transfer works on, the transfer itself and what follows it. The dialog shows the texts.
namespace modelsync {

inline const QString kNoSelectionText = QStringLiteral("You need to select a model to sync with.");
inline const QString kPrepareFailedText =
    QStringLiteral("There was an error syncing the model settings.");
inline const QString kSyncFailedText =
    QStringLiteral("There was a problem syncing the model settings.");

struct SyncDevice;

// A new model of the class that serves the device, with the class's settings; null when no
// class serves it. Not in any library.
[[nodiscard]] std::shared_ptr<DeviceModel> newModelFor(const SyncDevice &device);

struct SyncTarget
{
    std::shared_ptr<DeviceModel> model;
    QString fileName; // in the library, once paired with the device
};

// The model the transfer works on, ready in the library: for kNewModelMarker a new model of
// the device's class, otherwise the library model of that file name, converted to the
// device's parameter version when it has another one (the library's copy is then synced);
// either way paired with the device's serial number. The error is the text to show.
[[nodiscard]] std::expected<SyncTarget, QString> prepareSyncModel(const SyncContext &context,
                                                                  const QString &selection);

struct SyncOutcome
{
    DeviceConnectionError error = DeviceConnectionError::NoError;
    // Whether the main window took the model as its current one.
    bool madeCurrent = false;

    [[nodiscard]] bool ok() const { return error == DeviceConnectionError::NoError && madeCurrent; }
};

using SyncProgress = std::function<void(float)>; // 0.0 to 1.0
using SyncDone = std::function<void(const SyncOutcome &)>;

// Transfers the target's sections in `direction` over the device manager's connection. After
// a transfer that succeeded, the model file is written at once (the model now holds what the
// device holds, which no edit announced to the library), the model is made current, `done`
// runs, and the last-synced table names the model for the device.
//
// `owner` (the dialog) may be destroyed while the transfer runs: the main window does so when
// the device changes. From then on `progress` and `done` are not called and the model is not
// made current behind the main window's back, but a transfer that completes is still written
// and recorded, so the main window's own search finds the model in step with the device. A
// transfer that fails leaves every byte of the model as it was.
void startModelSync(const SyncContext &context, SyncTarget target, InitialSyncDirection direction,
                    const QString &logTag, const QObject *owner, SyncProgress progress,
                    SyncDone done);

} // namespace modelsync
