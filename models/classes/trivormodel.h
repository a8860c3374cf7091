#pragma once

#include "models/classes/aircrafttypesettings.h"
#include "models/classes/dualrateexposettings.h"
#include "models/devicemodel.h"

#include <QStringList>

// The receivers with 3-axis and attitude stabilisation whose parameter memory is divided into
// sections, each with its own layout and defaults; which sections there are depends on the
// parameter version. Their aircraft and rate settings are made on the transmitter, so the
// aircraft-type and rate operations are fixed answers.
class TrivorModel : public DeviceModel, public AircraftTypeSettings, public DualRateExpoSettings
{
    Q_OBJECT

public:
    static constexpr int kOlderParameterVersion = 4;
    static constexpr int kNewerParameterVersion = 5;

    TrivorModel(int productCode, int parameterVersion, QObject *parent = nullptr);

    [[nodiscard]] static const ModelClassInfo *getModelClassInfoStatic();
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override;
    void createEditorPages(PageInfoList &pages) const override;

    // The product-data names of the sections of a parameter version, in section order; empty
    // for a version without sections.
    [[nodiscard]] static QStringList sectionNames(int parameterVersion);

    void resetToDefaults() override;

    // AircraftTypeSettings
    [[nodiscard]] QList<AircraftType> aircraftTypes() const override;
    [[nodiscard]] AircraftType aircraftType() const override;
    void setAircraftType(AircraftType type) override;
    [[nodiscard]] int surfaceOutputCount() const override;
    [[nodiscard]] QList<WingType> wingTypes() const override;
    [[nodiscard]] WingType wingType() const override;
    void setWingType(WingType type) override;
    [[nodiscard]] QList<TailType> tailTypes() const override;
    [[nodiscard]] TailType tailType() const override;
    void setTailType(TailType type) override;
    [[nodiscard]] QList<int> wingMixDirections() const override;
    [[nodiscard]] bool wingMixReversed() const override;
    void setWingMixReversed(bool reversed) override;
    [[nodiscard]] QString transmitterWingTypeNote() const override;
    [[nodiscard]] QString wingTailChangeNote() const override;
    [[nodiscard]] QList<AircraftTypeExtraSelector> extraSettingSelectors() override;

    // DualRateExpoSettings
    [[nodiscard]] QString channelName(SettingOnlyChannel channel) const override;
    [[nodiscard]] int rateSwitch() const override;
    [[nodiscard]] QString rateSwitchName() const override;
    [[nodiscard]] int rateSwitchPosition() const override;
    void setRateSwitch(int switchFunction) override;
    [[nodiscard]] int flightModeCount() const override;
    [[nodiscard]] QString flightModeName(int flightMode) const override;
    void setDualRatePositive(SettingOnlyChannel channel, int flightMode, int value) override;
    [[nodiscard]] int dualRatePositive(SettingOnlyChannel channel, int flightMode) const override;
    void setDualRateNegative(SettingOnlyChannel channel, int flightMode, int value) override;
    [[nodiscard]] int dualRateNegative(SettingOnlyChannel channel, int flightMode) const override;
    void setExpoPositive(SettingOnlyChannel channel, int flightMode, int value) override;
    [[nodiscard]] int expoPositive(SettingOnlyChannel channel, int flightMode) const override;
    void setExpoNegative(SettingOnlyChannel channel, int flightMode, int value) override;
    [[nodiscard]] int expoNegative(SettingOnlyChannel channel, int flightMode) const override;
    [[nodiscard]] RateRange expoRange() const override;
    [[nodiscard]] RateRange dualRateRange() const override;
};
