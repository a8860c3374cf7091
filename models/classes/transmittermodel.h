#pragma once

#include "models/classes/aircrafttypesettings.h"
#include "models/classes/dualrateexposettings.h"
#include "models/classes/transmittermodelswitches.h"
#include "models/devicemodel.h"

#include <QByteArray>
#include <QList>

#include <memory>

// The settings of one model memory of a transmitter: a single section whose settings live under
// `model` and `model`.`cp` of the transmitter schema. The only class whose models can be
// upgraded to a newer device variant.
class TransmitterModel : public DeviceModel,
                         public AircraftTypeSettings,
                         public DualRateExpoSettings
{
    Q_OBJECT

public:
    // The product whose model memory uses the long transmitter layout.
    static constexpr int kLongLayoutProductCode = 0x8B;
    static constexpr int kLongLayoutDefaultsVersion = 5;
    static constexpr int kTransmitterProductCode = 0xEF;
    // A flight-mode switch has three positions.
    static constexpr int kFlightModeSwitchPositions = 3;

    enum class Curve { Throttle, Pitch };
    enum class ThrottleCutField { ActivePositions, CutSwitchID, Percent };
    enum class TrainerField { MixRatio, Type, Wireless, ConditionID, ActivePositions };

    // How one channel drives its servo, in the units the editor shows.
    struct ServoSettings
    {
        bool reverse = false;
        TransmitterSwitchFunction source = TransmitterSwitchFunction::Inhibit;
        int subTrim = 0;         // -250 to 250
        int travelLimitLow = 0;  // negative percent
        int travelLimitHigh = 0; // percent

        bool operator==(const ServoSettings &) const = default;
    };

    TransmitterModel(int productCode, int parameterVersion, QObject *parent = nullptr);

    [[nodiscard]] static const ModelClassInfo *getModelClassInfoStatic();
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override;
    void createEditorPages(PageInfoList &pages) const override;
    // The newer variants a model of `info` can become: (0xEF, 1) for (0xEF, 0), else none.
    [[nodiscard]] static QList<ModelDevice> upgradeTargets(const ModelInfo &info);
    [[nodiscard]] std::shared_ptr<Model>
    createUpgradedCopy(const ModelDevice &target) const override;

    void resetToDefaults() override;
    [[nodiscard]] const QByteArray &defaultImage() const { return m_defaultImage; }

    // The rate and differential pages list the condition positions in these orders; the second
    // puts position 9 right after position 0.
    [[nodiscard]] const QList<int> &conditionPositions() const { return m_conditionPositions; }
    [[nodiscard]] const QList<int> &conditionPositionsWithHold() const
    {
        return m_conditionPositionsWithHold;
    }

    // 7 or 9; the long layout always has 7.
    [[nodiscard]] int channelCount() const;
    // 7 or 9 (anything else is ignored); the long layout's count is fixed.
    void setChannelCount(int count);
    // Channel codes: 1 throttle, 45 aileron, 46 elevator, 47 rudder, 19 gear, 20 to 23 aux.
    [[nodiscard]] static int servoIndexOfChannel(int channel);
    [[nodiscard]] QString channelDisplayName(int channel) const;

    [[nodiscard]] ServoSettings servoSettings(int channel) const;
    void setServoReverse(int channel, bool reverse);
    void setServoSource(int channel, TransmitterSwitchFunction source);
    // Display value -250 to 250, stored on the transmitter's scale of -1023 to 1023.
    void setServoSubTrim(int channel, int subTrim);
    void setServoTravelLimitLow(int channel, int travelLimitLow);
    void setServoTravelLimitHigh(int channel, int travelLimitHigh);
    [[nodiscard]] static int subTrimDisplayValue(int stored);
    [[nodiscard]] static int subTrimStoredValue(int display);

    [[nodiscard]] TransmitterSwitchFunction flightModeSwitchFunction() const;
    [[nodiscard]] bool hasHoldSwitch() const;
    // The name of switch position `position` of a control with switch function `function`.
    [[nodiscard]] QString positionName(int position, TransmitterSwitchFunction function) const;

    [[nodiscard]] int curvePoint(Curve curve, int conditionPosition, int point) const;
    void setCurvePoint(Curve curve, int conditionPosition, int point, int value);
    [[nodiscard]] int throttleCut(ThrottleCutField field) const;
    void setThrottleCut(ThrottleCutField field, int value);
    [[nodiscard]] int trainer(TrainerField field) const;
    void setTrainer(TrainerField field, int value);
    [[nodiscard]] int differentialRate(int conditionPosition) const;
    void setDifferentialRate(int conditionPosition, int rate);
    [[nodiscard]] int differentialConditionID() const;
    void setDifferentialConditionID(int rawSwitchCode);
    [[nodiscard]] int rateConditionID(SettingOnlyChannel channel) const;
    void setRateConditionID(SettingOnlyChannel channel, int rawSwitchCode);
    [[nodiscard]] int flightModeOutput(int conditionPosition) const;
    void setFlightModeOutput(int conditionPosition, int value);

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

    // DualRateExpoSettings: the rates of the aileron, elevator and rudder channels per condition
    // position; "positive" is the high side of the stick, "negative" the low side.
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

signals:
    void wingTypeChanged(DeviceModel::WingType wingType);
    void aircraftTypeChanged(AircraftType model);

private:
    // Locations inside the schema of this model's layout.
    [[nodiscard]] FieldLocation modelField(const QString &name) const;
    [[nodiscard]] FieldLocation cpField(const QString &name, int index = 0) const;
    [[nodiscard]] FieldLocation servoField(int channel, const QString &name) const;
    [[nodiscard]] FieldLocation rateField(SettingOnlyChannel channel, const QString &name,
                                          int conditionPosition) const;
    [[nodiscard]] int read(const FieldLocation &field) const;
    // Stores the value and emits settingsChanged; a field that is not there stores nothing and
    // tells nobody. Returns whether it stored.
    bool write(const FieldLocation &field, int value);

    const LayoutNode *m_schema = nullptr; // the catalogue's tree, kept for the run
    bool m_longLayout = false;
    FieldLocation m_cp; // `model`.`cp`
    QByteArray m_defaultImage;
    QList<int> m_conditionPositions;
    QList<int> m_conditionPositionsWithHold;
};
