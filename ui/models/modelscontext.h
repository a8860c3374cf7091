#pragma once

#include <QString>

#include <functional>
#include <memory>

class DeviceManager;
class LastSyncedModels;
class Model;
class ModelLibrary;
class PageRegistry;
class QSettings;

// What the model screens (models page, trash, edit dialog, wizard, presets) work with: the
// process-wide libraries and the main window's current model. Handed in by start-up.
struct ModelsContext
{
    ModelLibrary *models = nullptr;
    ModelLibrary *trash = nullptr;
    ModelLibrary *presets = nullptr;
    LastSyncedModels *lastSyncedModels = nullptr;
    QSettings *settings = nullptr;
    // The one device manager: the connected device, its model class, its connection().
    DeviceManager *deviceManager = nullptr;
    // The pages the new-model wizard shows after its first page (createWizardPages kinds).
    const PageRegistry *pages = nullptr;

    // The main window's current model (may be null) and the way to change it.
    std::function<std::shared_ptr<Model>()> currentModel;
    std::function<bool(const std::shared_ptr<Model> &)> setCurrentModel;
    // Runs the main window's handling of the identified device again (model choice, sync
    // dialog), as after a fresh identification.
    std::function<void()> rerunDeviceStateHandling;
};
