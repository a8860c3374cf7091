#pragma once

#include <QString>

// Result of every device operation. Codes 1 to 12 and 16 can also arrive from a device in a
// bootloader reply, so the numbering is fixed.
enum class DeviceConnectionError : int {
    NoError = 0,
    WriteError = 1,
    ReadError = 2,
    EraseError = 3,
    CodeCorrupted = 4,
    EraseBadAddress = 5,
    WriteBadAddress = 6,
    NotSaxFile = 7,
    SaxVersionUnsupported = 8,
    SaxWrongDevice = 9,
    SaxWrongProduct = 10,
    SaxTruncated = 11,
    SaxCorrupt = 12,
    NoReply = 13,
    InvalidReply = 14,
    InvalidState = 15,
    InvalidDeviceId = 16,
    PowerSwitchFailed = 17,
};

inline constexpr int kDeviceConnectionErrorCount = 18;

// The user message of a code; empty for PowerSwitchFailed and for values outside the table.
[[nodiscard]] QString deviceConnectionErrorString(int error);

[[nodiscard]] inline QString deviceConnectionErrorString(DeviceConnectionError error)
{
    return deviceConnectionErrorString(int(error));
}
