#pragma once

#include <functional>
#include <memory>

class DeviceManager;
class LastSyncedModels;
class Model;
class ModelLibrary;

// What the main window hands the sync dialog: the device, where models live, and how to make
// the synced model the one the user works on. None of it is owned.
struct SyncContext
{
    DeviceManager *deviceManager = nullptr; // its connection() is the device link
    ModelLibrary *library = nullptr;        // the models library
    LastSyncedModels *lastSyncedModels = nullptr;
    // Makes the model the main window's current model; false when that failed.
    std::function<bool(const std::shared_ptr<Model> &)> setCurrentModel;
};
