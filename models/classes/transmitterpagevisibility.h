#pragma once

#include "models/classes/aircrafttypesettings.h"
#include "models/devicemodel.h"
#include "models/pageinfo.h"

#include <optional>

// Which of a transmitter's editor pages fit its aircraft: the curves belong to helicopters,
// the differential to airplanes whose wing has two aileron servos. Other pages always fit.
[[nodiscard]] bool transmitterCurvesVisible(AircraftType aircraftType);
[[nodiscard]] bool transmitterDifferentialVisible(AircraftType aircraftType,
                                                  DeviceModel::WingType wingType);

// The visibility of a transmitter page of kind `kind`; none for a page that is always shown.
[[nodiscard]] std::optional<bool> transmitterPageVisible(PageKind kind, AircraftType aircraftType,
                                                         DeviceModel::WingType wingType);
