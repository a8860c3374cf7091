#pragma once

#include <memory>

class Model;

// What the main window's controller asks of the window. The window owns the dialogs and the
// navigation; the controller decides when they appear.
class MainWindowView
{
public:
    virtual ~MainWindowView() = default;

    // Closes (deletes) an open level-calibration dialog and sync dialog.
    virtual void closeDeviceDialogs() = 0;
    virtual void openCalibrationDialog() = 0;
    // The device's settings match no library model: the user chooses what to keep.
    virtual void openSyncDialog() = 0;

    // Rebuilds the navigation for the model (null: none), keeping the selected row by title.
    virtual void rebuildNavigation(const std::shared_ptr<Model> &model) = 0;
    virtual void updateEnabledPages() = 0;

    // The "Selecting Model..." progress while the current model is written to the device.
    virtual void showSelectingProgress() = 0;
    virtual void setSelectingProgress(float progress) = 0; // 0.0 to 1.0
    virtual void closeSelectingProgress() = 0;
};
