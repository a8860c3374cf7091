#pragma once

#include "cli/exitcode.h"
#include "device/deviceconnection.h"
#include "devicestate/targetsection.h"

#include <QString>

#include <memory>
#include <optional>

class DeviceManager;
class DeviceModel;
class DeviceSession;

// The steps the model commands share: a device in its application that a model class serves,
// a model of that class, a sync in either direction, and a fresh identification afterwards.

// Bounds a fresh identification: a few requests, well within the connection's own timeouts.
inline constexpr int kReidentifyTimeoutMs = 20'000;

// Opens the session and brings the device into its application, identified; Failed with a
// message when no model class serves it.
[[nodiscard]] ExitCode openForModels(DeviceSession &session);
// Says that no model class serves the identified device; Failed.
ExitCode noModelClass(DeviceSession &session);

// A new model of the class that serves the identified device, carrying the device's serial
// number, product code and parameter version; null when no class serves it.
[[nodiscard]] std::shared_ptr<DeviceModel> newModelForDevice(const DeviceManager &manager);

// Whether the model was made for the identified device's product and parameter layout.
[[nodiscard]] bool modelSuitsDevice(const DeviceModel &model, const DeviceManager &manager);
// "product 0xD9, parameter version 0xFF", for messages.
[[nodiscard]] QString variantText(int productCode, std::optional<int> parameterVersion);

// Syncs the model with the device in `direction`, with progress on standard error: the
// device's whole settings into the model, or the model onto the device and into its flash.
[[nodiscard]] DeviceConnectionError syncModel(DeviceSession &session, DeviceModel &model,
                                              InitialSyncDirection direction);

// Forgets what is known of the device and identifies it again, so that its CRCs are read
// afresh. Success, or Failed with the message printed.
[[nodiscard]] ExitCode reidentify(DeviceSession &session);
