#pragma once

#include <QPointer>

#include <memory>

class DeviceManager;

// Marks its device manager busy for as long as it lives. One flag, not a count: destroying a
// token clears the flag even while another token lives, so each identification run holds
// exactly one, shared between the steps of the run.
class DeviceBusy
{
public:
    // Tokens exist only shared; the run and whatever it hands work to keep it alive together.
    [[nodiscard]] static std::shared_ptr<DeviceBusy> take(DeviceManager *manager);
    ~DeviceBusy();

    DeviceBusy(const DeviceBusy &) = delete;
    DeviceBusy &operator=(const DeviceBusy &) = delete;

private:
    explicit DeviceBusy(DeviceManager *manager);

    // A manager destroyed while a run is suspended leaves the token with nothing to release.
    QPointer<DeviceManager> m_manager;
};
