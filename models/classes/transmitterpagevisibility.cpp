// The transmitter's conditional editor pages.
#include "models/classes/transmitterpagevisibility.h"

bool transmitterCurvesVisible(AircraftType aircraftType)
{
    return aircraftType == AircraftType::Helicopter;
}

bool transmitterDifferentialVisible(AircraftType aircraftType, DeviceModel::WingType wingType)
{
    if (aircraftType != AircraftType::Airplane)
        return false;
    return wingType == DeviceModel::WingTypeDualAileron ||
           wingType == DeviceModel::WingTypeElevonA || wingType == DeviceModel::WingTypeElevonB;
}

std::optional<bool> transmitterPageVisible(PageKind kind, AircraftType aircraftType,
                                           DeviceModel::WingType wingType)
{
    switch (kind) {
    case PageKind::Curve:
        return transmitterCurvesVisible(aircraftType);
    case PageKind::Differential:
        return transmitterDifferentialVisible(aircraftType, wingType);
    default:
        return std::nullopt;
    }
}
