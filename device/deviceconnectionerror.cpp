#include "device/deviceconnectionerror.h"

#include <array>

QString deviceConnectionErrorString(int error)
{
    static const std::array<const char *, kDeviceConnectionErrorCount> messages = {
        "No Error",
        "There was a problem writing to the device.",
        "There was a problem reading the device.",
        "There was a problem erasing the device.",
        "The device's code is corrupted.",
        "There was a problem erasing the device (bad address).",
        "There was a problem writing to the device (bad address).",
        "The file was not a SAX file.",
        "The SAX file version is not supported. Please update to the newest app.",
        "The SAX file is for another device. You need a SAX file for this specific device to "
        "update it.",
        "The SAX file cannot be used to update this product.",
        "The SAX file is corrupt (truncated).",
        "The SAX file is corrupt.",
        "There was a problem communicating with the device (no reply).",
        "There was a problem communicating with the device (invalid reply).",
        "There was a problem communicating with the device (invalid state).",
        "There was a problem communicating with the device (invalid device ID).",
        "",
    };
    if (error < 0 || error >= kDeviceConnectionErrorCount)
        return {};
    return QString::fromLatin1(messages[size_t(error)]);
}
