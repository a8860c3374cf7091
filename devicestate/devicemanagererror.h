#pragma once

#include <QMetaType>
#include <QString>

// Why an identification run of the device manager ended early. The values are fixed: listeners
// of DeviceManager::errorOccurred may store or compare them.
enum class DeviceManagerError : int {
    SerialAndIdReadFailed = 0,    // bootloader identification of a device failed
    IdReadFailed = 1,             // application identification failed
    SerialReadFailed = 2,         // reading the serial number failed
    FaaSerialReadFailed = 3,      // reading the FAA serial number failed
    CalibrationReadFailed = 4,    // reading the calibration state failed
    SectionsReadFailed = 5,       // reading the section list failed
    SectionCrcsReadFailed = 6,    // reading the section CRCs failed
    NoModelClassProtocolZero = 7, // no model class serves the device; its protocol version is 0
    NoModelClass = 8,             // no model class serves the device
    FskGoFailed = 9,              // restarting the application into the bootloader failed
    BootloaderGoFailed = 10,      // starting the application from the bootloader failed
};
Q_DECLARE_METATYPE(DeviceManagerError)

inline constexpr int kDeviceManagerErrorCount = 11;

// The text of the error box the manager shows for `error`; empty for the errors that show
// none (no model class, and the failed restarts, which only reach listeners).
[[nodiscard]] QString deviceManagerErrorMessage(DeviceManagerError error);

// The box text when identifying the devices behind the base device failed; raised as
// SerialAndIdReadFailed too.
[[nodiscard]] QString connectedDevicesReadFailedMessage();
