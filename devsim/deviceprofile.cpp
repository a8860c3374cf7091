#include "devsim/deviceprofile.h"

namespace devsim {

namespace {

constexpr int kReceiverParameterBytes = 1856;
constexpr int kMaxAuxiliaryDevices = 7; // device index in three bits of the status byte

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

std::vector<ProfileTarget> effectiveTargets(const DeviceProfile &profile)
{
    if (!profile.targets.empty() || profile.parameterMemory.isEmpty())
        return profile.targets;
    return {ProfileTarget{kParameterTarget, {ProfileSection{0, profile.parameterMemory}}}};
}

int auxiliaryCount(const DeviceProfile &profile)
{
    const int listed = int(profile.auxiliaryDevices.size());
    return qBound(0, qMax(listed, profile.auxiliaryDeviceCount), kMaxAuxiliaryDevices);
}

AuxiliaryDevice auxiliaryDevice(const DeviceProfile &profile, int index)
{
    if (index >= 1 && index <= int(profile.auxiliaryDevices.size()))
        return profile.auxiliaryDevices[index - 1];
    // Unlisted devices are told apart by a suffix on the base's serial number.
    AuxiliaryDevice device;
    device.serialNumber = profile.serialNumber + "-A" + QByteArray::number(index);
    device.productCode = profile.productCode;
    device.appVersionMajor = profile.appVersionMajor;
    device.appVersionMinor = profile.appVersionMinor;
    device.appVersionRelease = profile.appVersionRelease;
    return device;
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
