#pragma once

#include "devsim/deviceprofile.h"

#include <QByteArray>
#include <QString>

#include <expected>

// Device profiles as JSON files, for demos and the terminal server. A file may start from a
// named profile ("base": "transmitter") and change any field; unknown keys are refused so
// that a misspelt key does not pass silently. Numbers may be written as JSON numbers or as
// "0x.." text. Keys:
//   name, base, productCode, bootloaderProductCode, appVersion [major, minor, release],
//   bootloaderVersion [major, minor, release], serialNumber, faaSerialNumber, capabilityBits,
//   sendsCapabilityByte, parameterVersion, fskProtocolVersion, bootloaderLevel,
//   applicationValid, startMode ("application" | "bootloader"), bootDelayMs,
//   announceIntervalMs, tncSteps, testedFlags, firmwareFlashBytes, eraseDurationMs,
//   targets [{target, sections [{id, size, fill | hex}]}] (without fill or hex a section
//   holds a pattern), auxiliaryDevices [{serialNumber, productCode, appVersion,
//   applicationValid}], calibration {calibrated, startsByItself, durationMs, fails, biases},
//   firmwareFailure {atRecord, code}.
namespace devsim {

// The message names the file (or "profile") and the offending key path.
[[nodiscard]] std::expected<DeviceProfile, QString> profileFromJson(const QByteArray &json,
                                                                    const QString &source = {});
[[nodiscard]] std::expected<DeviceProfile, QString> loadProfileFile(const QString &path);

} // namespace devsim
