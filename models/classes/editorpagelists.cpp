// The navigation rows each model class offers in the editor and in the new-model wizard.
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettingsrows.h"
#include "models/classes/gyroboxmodel.h"
#include "models/classes/transmittermodel.h"
#include "models/classes/trivormodel.h"

namespace {

// The receivers with flight-envelope protection hold their orientation fixed.
constexpr int kFixedOrientationParameterVersion = 0xFE;

} // namespace

void AirplaneRxModel::createEditorPages(PageInfoList &pages) const
{
    const bool hasOrientation = parameterVersion() != kFixedOrientationParameterVersion;
    pages.append(PageInfo::forPage(tr("Dashboard"), PageKind::Dashboard));
    pages.append(PageInfo::heading(tr("Model Settings")));
    pages.append(
        PageInfo::forPage(tr("Exponential"), PageKind::DualRateExpo, PageMode::Exponential));
    pages.append(PageInfo::forPage(tr("Dual Rate"), PageKind::DualRateExpo, PageMode::DualRate));
    pages.append(PageInfo::forPage(tr("Gain & Priority"), PageKind::GainPriority));
    pages.append(PageInfo::forPage(tr("Mixing"), PageKind::Mixing));
    pages.append(PageInfo::heading(tr("Initial Setup")));
    if (hasOrientation)
        pages.append(PageInfo::forPage(tr("Receiver Orientation"), PageKind::ReceiverOrientation));
    pages.append(PageInfo::forPage(tr("Flight Mode Switch"), PageKind::FlightModeSwitch));
    pages.append(PageInfo::forPage(tr("Aircraft Type"), PageKind::AircraftType));
    pages.append(PageInfo::forPage(tr("Surface Setup"), PageKind::SurfaceSetup));
    pages.append(PageInfo::forPage(tr("Port Assignment & Failsafe"), PageKind::PortAssignment));
}

void AirplaneRxModel::createWizardPages(PageInfoList &pages) const
{
    if (parameterVersion() == kFixedOrientationParameterVersion)
        return;
    pages.append(PageInfo::forPage(tr("Receiver Orientation"), PageKind::ReceiverOrientation));
    pages.append(PageInfo::forPage(tr("Flight Mode Switch"), PageKind::FlightModeSwitch));
    pages.append(PageInfo::forPage(tr("Aircraft Type"), PageKind::AircraftType));
    pages.append(PageInfo::forPage(tr("Surface Setup"), PageKind::SurfaceSetup));
}

std::unique_ptr<ModelSettingsRows> AirplaneRxModel::createSettingsRows(bool editable) const
{
    return std::make_unique<AirplaneRxModelSettingsRows>(*this, editable);
}

void TransmitterModel::createEditorPages(PageInfoList &pages) const
{
    pages.append(PageInfo::forPage(
        tr("Transmitter Settings"), PageKind::TransmitterSettings, PageMode::Default,
        PageFlag::NeedsProgrammableDevice | PageFlag::NeedsConnectedDevice));
    pages.append(PageInfo::heading(tr("Model Settings")));
    pages.append(
        PageInfo::forPage(tr("Exponential"), PageKind::DualRateExpo, PageMode::Exponential));
    pages.append(PageInfo::forPage(tr("Dual Rate"), PageKind::DualRateExpo, PageMode::DualRate));
    pages.append(PageInfo::forPage(tr("Throttle Curve"), PageKind::Curve, PageMode::ThrottleCurve));
    pages.append(PageInfo::forPage(tr("Pitch Curve"), PageKind::Curve, PageMode::PitchCurve));
    pages.append(PageInfo::forPage(tr("Differential"), PageKind::Differential));
    pages.append(PageInfo::heading(tr("Initial Setup")));
    pages.append(PageInfo::forPage(tr("Aircraft Type"), PageKind::AircraftType));
    pages.append(PageInfo::forPage(tr("Channel Setup"), PageKind::ChannelSetup));
    pages.append(PageInfo::forPage(tr("Throttle Cut"), PageKind::ThrottleCut));
    pages.append(PageInfo::forPage(tr("Flight Mode Setup"), PageKind::FlightModeSetup));
    pages.append(PageInfo::forPage(tr("Trainer"), PageKind::Trainer));
}

void GyroboxModel::createEditorPages(PageInfoList &pages) const
{
    pages.append(PageInfo::forPage(tr("Initial Setup"), PageKind::GyroInitialSetup));
    pages.append(PageInfo::forPage(tr("Gain"), PageKind::GyroGain));
    pages.append(PageInfo::forPage(tr("Orientation"), PageKind::GyroOrientation));
    pages.append(PageInfo::forPage(tr("Input/Output Assignment"), PageKind::GyroInputOutput));
}

void TrivorModel::createEditorPages(PageInfoList &) const
{}
