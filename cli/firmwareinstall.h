#pragma once

#include "cli/exitcode.h"
#include "device/deviceconnectionerror.h"

#include <QByteArray>

#include <optional>

class DeviceSession;

// Devices behind the base one are numbered in three bits.
inline constexpr int kMaxInstallTarget = 7;

// A fault of the firmware file itself, found before the device is touched; whether the file
// suits the device is for the transfer to find out.
[[nodiscard]] std::optional<DeviceConnectionError> saxFileFault(const QByteArray &file);

// Puts a SAX file on device `target` (0 = the base device, n = the nth device behind it) of
// an opened session: into the bootloader, the transfer with its progress on standard error,
// and back into the application, which proves the new firmware starts. Success, or Failed
// with the message printed.
[[nodiscard]] ExitCode installFirmware(DeviceSession &session, int target, const QByteArray &file);
