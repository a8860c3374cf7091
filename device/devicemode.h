#pragma once

#include <QString>

// Which protocol the device on the link speaks.
enum class DeviceMode : int {
    Unknown = 0,
    Switching = 1,
    Bootloader = 2,
    FSK = 3,
};

// "Unknown", "Switching", "Bootloader", "FSK", or "(invalid)" for any other value.
[[nodiscard]] QString deviceModeName(int mode);

[[nodiscard]] inline QString deviceModeName(DeviceMode mode)
{
    return deviceModeName(int(mode));
}
