// The device manager's identification run for a device in its bootloader.
#include "devicestate/devicemanager.h"

namespace {

constexpr std::uint8_t kBaseDevice = 0;

ConnectedDevice connectedDeviceFrom(const IdRequestData &data)
{
    ConnectedDevice device;
    device.appVersionMajor = data.appVersionMajor;
    device.appVersionMinor = data.appVersionMinor;
    device.appVersionRelease = data.appVersionRelease;
    device.productCode = data.appProductCode;
    device.serialNumber = data.serialNumber;
    return device;
}

} // namespace

Task<bool> DeviceManager::modeChangedToBootloader()
{
    // Each resumption checks `alive` before touching the manager, which may be gone by then.
    const std::shared_ptr<bool> alive = m_alive;
    const std::shared_ptr<DeviceBusy> busy = DeviceBusy::take(this);
    const std::uint64_t linkLosses = m_linkLosses;
    if (!m_connection)
        co_return false;

    const Expected<std::shared_ptr<IdRequestData>> base =
        co_await m_connection->idRequestAsync(kBaseDevice);
    if (!*alive || !m_connection)
        co_return false;
    if (!base || !*base) {
        fail(DeviceManagerError::SerialAndIdReadFailed);
        co_return false;
    }
    if (linkLostSince(linkLosses))
        co_return false;

    const IdRequestData &id = **base;
    const bool serialChanged = id.serialNumber != m_serialNumber;
    if (serialChanged)
        resetState();
    m_appVersionMajor = id.appVersionMajor;
    m_appVersionMinor = id.appVersionMinor;
    m_appVersionRelease = id.appVersionRelease;
    m_productCode = id.appProductCode;
    m_serialNumber = id.serialNumber;
    m_appState = id.appState;

    if (!m_connectedDevices) {
        const Expected<QList<std::shared_ptr<IdRequestData>>> behind =
            co_await m_connection->connectedDevicesIdAsync(id.numDevicesConnected);
        if (!*alive || !m_connection)
            co_return false;
        if (!behind) {
            fail(DeviceManagerError::SerialAndIdReadFailed, connectedDevicesReadFailedMessage());
            co_return false;
        }
        if (linkLostSince(linkLosses))
            co_return false;
        QList<ConnectedDevice> devices;
        for (const std::shared_ptr<IdRequestData> &device : *behind)
            if (device)
                devices.append(connectedDeviceFrom(*device));
        m_connectedDevices = devices;
    }

    if (m_goSent) {
        // The application run restarted the device only to learn what is behind it.
        sendBootloaderGo();
    } else if (serialChanged && m_registry.listsProductCode(m_productCode) &&
               m_appState == kApplicationValid) {
        // A newly attached device the program can work with: go on into its application.
        sendBootloaderGo();
    } else {
        notifyStateChanged();
    }
    co_return true;
}
