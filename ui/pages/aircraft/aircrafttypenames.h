#pragma once

#include "models/classes/aircrafttypesettings.h"
#include "models/devicemodel.h"

#include <QString>

// The editor's names of the wing and tail types, as the aircraft-type page lists them and the
// type picture describes them.
namespace AircraftTypeNames {

[[nodiscard]] QString wingTypeName(DeviceModel::WingType type);
[[nodiscard]] QString tailTypeName(DeviceModel::TailType type);
// One line for a screen reader: "Airplane, Dual Aileron wing, V-Tail".
[[nodiscard]] QString layoutDescription(AircraftType aircraft, DeviceModel::WingType wing,
                                        DeviceModel::TailType tail);

} // namespace AircraftTypeNames
