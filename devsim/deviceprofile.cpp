#include "devsim/deviceprofile.h"

namespace devsim {

namespace {

constexpr int kReceiverParameterBytes = 1856;

} // namespace

DeviceMode powerUpMode(const DeviceProfile &profile)
{
    switch (profile.portModes) {
    case SupportedModes::BootloaderOnly:
        return DeviceMode::Bootloader;
    case SupportedModes::ApplicationOnly:
        return DeviceMode::FSK;
    case SupportedModes::Announced:
        break;
    }
    // Without a valid application the bootloader keeps control.
    if (!profile.applicationValid)
        return DeviceMode::Bootloader;
    return profile.startMode == DeviceMode::Bootloader ? DeviceMode::Bootloader : DeviceMode::FSK;
}

DeviceProfile defaultReceiverProfile()
{
    DeviceProfile profile;
    // A recognisable, address-dependent pattern, so a read from the wrong address shows.
    profile.parameterMemory.resize(kReceiverParameterBytes);
    for (int i = 0; i < kReceiverParameterBytes; ++i)
        profile.parameterMemory[i] = char((i * 7 + (i >> 8)) & 0xFF);
    return profile;
}

} // namespace devsim
