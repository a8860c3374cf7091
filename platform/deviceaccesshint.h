#pragma once

#include <QString>

// What the user can do when the operating system refuses the program access to a USB device:
// empty where no such step exists (Windows), the udev rule and group memberships on Linux.
[[nodiscard]] QString deviceAccessHint();
