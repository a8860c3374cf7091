#pragma once

#include "devsim/deviceprofile.h"

#include <QByteArray>
#include <QString>

#include <expected>

// What a simulated device keeps across runs of the terminal server, as a real one keeps it
// across power cycles: the flash images of its parameter sections, whether its application is
// valid and which version it is, and its calibration. The file names the device it belongs to
// (product code and serial number) so that it is never applied to another one. Keys:
//   productCode, serialNumber, applicationValid, appVersion [major, minor, release],
//   calibrated, tncSteps, targets [{target, sections [{id, flash (hex)}]}].
namespace devsim {

struct DeviceState;

[[nodiscard]] QByteArray deviceStateToJson(const DeviceState &state);
// Changes `profile` so that a device built from it starts with the saved state. The message
// names `source` and the offending key.
[[nodiscard]] std::expected<void, QString>
applyDeviceStateJson(const QByteArray &json, DeviceProfile &profile, const QString &source);

// A file that does not exist leaves the profile as it is.
[[nodiscard]] std::expected<void, QString> loadDeviceStateFile(const QString &path,
                                                               DeviceProfile &profile);
// Written atomically: an interrupted save leaves the previous file.
[[nodiscard]] std::expected<void, QString> saveDeviceStateFile(const QString &path,
                                                               const DeviceState &state);

} // namespace devsim
