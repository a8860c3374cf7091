#include "devicestate/devicemanagererror.h"

#include <array>

namespace {

// By error value; errors without a box have no text.
constexpr std::array<const char *, kDeviceManagerErrorCount> kMessages{
    "There was a problem reading the device's serial number and identification.",
    "There was a problem reading the device's identification.",
    "There was a problem reading the device's serial number.",
    "There was a problem reading the device's FAA serial number.",
    "There was a problem reading whether the device is calibrated.",
    "There was a problem reading the device's settings (sections).",
    "There was a problem reading the device's settings (section CRCs).",
    "",
    "",
    "",
    "",
};

} // namespace

QString deviceManagerErrorMessage(DeviceManagerError error)
{
    const int index = int(error);
    if (index < 0 || index >= kDeviceManagerErrorCount)
        return {};
    return QString::fromLatin1(kMessages[std::size_t(index)]);
}

QString connectedDevicesReadFailedMessage()
{
    return QStringLiteral(
        "There was a problem reading the connected device's serial number and identification.");
}
