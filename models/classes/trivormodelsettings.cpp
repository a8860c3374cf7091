// TrivorModel: the aircraft-type and rate operations. The receiver takes its aircraft, wing
// and tail type and its rates from the transmitter, so these are fixed answers and the
// setters change nothing.
#include "models/classes/trivormodel.h"

namespace {

constexpr int kSurfaceOutputs = 5;
constexpr int kFlightModes = 3;
constexpr RateRange kExpoRange{100, -100};
constexpr RateRange kDualRateRange{125, 0};

} // namespace

QList<AircraftType> TrivorModel::aircraftTypes() const
{
    return {AircraftType::Airplane};
}

AircraftType TrivorModel::aircraftType() const
{
    return AircraftType::Airplane;
}

void TrivorModel::setAircraftType(AircraftType)
{}

int TrivorModel::surfaceOutputCount() const
{
    return kSurfaceOutputs;
}

QList<DeviceModel::WingType> TrivorModel::wingTypes() const
{
    return {WingTypeNormal,
            WingTypeDualAileron,
            WingTypeFlaperon,
            WingTypeOneAileronOneFlap,
            WingTypeOneAileronTwoFlaps,
            WingTypeTwoAileronsOneFlap,
            WingTypeTwoAileronsTwoFlaps,
            WingTypeElevon,
            WingTypeFourAilerons};
}

DeviceModel::WingType TrivorModel::wingType() const
{
    return WingTypeNormal;
}

void TrivorModel::setWingType(WingType)
{}

QList<DeviceModel::TailType> TrivorModel::tailTypes() const
{
    return {TailTypeNormal};
}

DeviceModel::TailType TrivorModel::tailType() const
{
    return TailTypeNormal;
}

void TrivorModel::setTailType(TailType)
{}

QList<int> TrivorModel::wingMixDirections() const
{
    return {};
}

bool TrivorModel::wingMixReversed() const
{
    return false;
}

void TrivorModel::setWingMixReversed(bool)
{}

// The wing type is always the normal wing, whose transmitter counterpart is Normal.
QString TrivorModel::transmitterWingTypeNote() const
{
    return tr("Please set the wing type on your transmitter to Normal.");
}

QString TrivorModel::wingTailChangeNote() const
{
    return tr("Note: Changing the wing or tail type will reset all surfaces and mixes.");
}

QList<AircraftTypeExtraSelector> TrivorModel::extraSettingSelectors()
{
    return {};
}

QString TrivorModel::channelName(SettingOnlyChannel channel) const
{
    return axisName(int(channel));
}

int TrivorModel::rateSwitch() const
{
    return 0;
}

QString TrivorModel::rateSwitchName() const
{
    return {};
}

int TrivorModel::rateSwitchPosition() const
{
    return 0;
}

void TrivorModel::setRateSwitch(int)
{}

int TrivorModel::flightModeCount() const
{
    return kFlightModes;
}

QString TrivorModel::flightModeName(int flightMode) const
{
    return DeviceModel::flightModeName(flightMode + 1, false);
}

void TrivorModel::setDualRatePositive(SettingOnlyChannel, int, int)
{}

int TrivorModel::dualRatePositive(SettingOnlyChannel, int) const
{
    return 0;
}

void TrivorModel::setDualRateNegative(SettingOnlyChannel, int, int)
{}

int TrivorModel::dualRateNegative(SettingOnlyChannel, int) const
{
    return 0;
}

void TrivorModel::setExpoPositive(SettingOnlyChannel, int, int)
{}

int TrivorModel::expoPositive(SettingOnlyChannel, int) const
{
    return 0;
}

void TrivorModel::setExpoNegative(SettingOnlyChannel, int, int)
{}

int TrivorModel::expoNegative(SettingOnlyChannel, int) const
{
    return 0;
}

RateRange TrivorModel::expoRange() const
{
    return kExpoRange;
}

RateRange TrivorModel::dualRateRange() const
{
    return kDualRateRange;
}
