#include "devicestate/devicebusy.h"

#include "devicestate/devicemanager.h"

std::shared_ptr<DeviceBusy> DeviceBusy::take(DeviceManager *manager)
{
    return std::shared_ptr<DeviceBusy>(new DeviceBusy(manager));
}

DeviceBusy::DeviceBusy(DeviceManager *manager)
    : m_manager(manager)
{
    if (m_manager)
        m_manager->busyTaken();
}

DeviceBusy::~DeviceBusy()
{
    if (m_manager)
        m_manager->busyReleased();
}
