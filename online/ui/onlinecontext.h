#pragma once

#include <functional>

class DeviceConnection;
class DeviceManager;
class QSettings;

// What the online screens work with: the shared settings file (the account), the device
// manager and connection for installations, and the main window's account display to
// refresh after a log-in or log-out.
struct OnlineContext
{
    QSettings *settings = nullptr;
    DeviceManager *deviceManager = nullptr;
    DeviceConnection *connection = nullptr;
    std::function<void()> accountChanged;
};
