#pragma once

#include "devsim/deviceprofile.h"

#include <QString>
#include <QStringList>

#include <optional>

// Named profiles for the product kinds of the family. Each fills its sections with a pattern
// that depends on the section and the address, so a transfer from the wrong place shows.
namespace devsim::profiles {

// Stabilised airplane receiver: one 1856-byte parameter section.
[[nodiscard]] DeviceProfile airplaneReceiver();
// The 3-axis receiver whose parameters are split into sections: the older generation
// (parameter version 4, 8 sections) and the newer one (parameter version 5, 13 sections, FAA
// serial number).
enum class Generation { Older, Newer };
[[nodiscard]] DeviceProfile trivorReceiver(Generation generation);
// Transmitter: model memory on the parameter target, 64 bytes of system settings on target 4.
[[nodiscard]] DeviceProfile transmitter();
// Stand-alone stabiliser box: one 1900-byte section.
[[nodiscard]] DeviceProfile stabiliserBox();
// An airplane receiver that reports calibration progress and is not yet level-calibrated.
[[nodiscard]] DeviceProfile levelCalibrationReceiver();
// A base device with two devices behind it, each with its own identification.
[[nodiscard]] DeviceProfile baseWithAuxiliaries();

// The names profileByName knows, e.g. "airplane-receiver".
[[nodiscard]] QStringList names();
[[nodiscard]] std::optional<DeviceProfile> profileByName(const QString &name);

// Bytes of a section with id `id`: a pattern unique to the section and the address.
[[nodiscard]] QByteArray patternBytes(int id, int size);

} // namespace devsim::profiles
