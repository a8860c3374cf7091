// DeviceMemory: live patches of every edit, the flash commit and forced sync.
#include "devicestate/devicememory.h"

void DeviceMemory::syncMemory()
{}

void DeviceMemory::saveFlash(Done done)
{
    m_saveTimer.stop();
    done(DeviceConnectionError::NoReply);
}

void DeviceMemory::sync(std::function<void(bool)> done)
{
    done(false);
}
