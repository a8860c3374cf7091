#pragma once

#include "models/classes/aircrafttypesettings.h"
#include "models/classes/airplanerxmixes.h"
#include "models/classes/dualrateexposettings.h"
#include "models/devicemodel.h"

#include <QStringList>

// The stabilised airplane receivers: one 1856-byte parameter image, settings addressed by
// DeviceSetting codes, mixes linked to surfaces, and the wing and tail types that lay out the
// surfaces.
class AirplaneRxModel : public DeviceModel, public DualRateExpoSettings, public AircraftTypeSettings
{
    Q_OBJECT

public:
    static constexpr int kDefaultTransmitterChannels = 9;
    static constexpr int kMinTransmitterChannels = 5;
    static constexpr int kMaxTransmitterChannels = 24;

    AirplaneRxModel(int productCode, int parameterVersion, QObject *parent = nullptr);

    [[nodiscard]] static const ModelClassInfo *getModelClassInfoStatic();
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override;
    void createEditorPages(PageInfoList &pages) const override;
    void createWizardPages(PageInfoList &pages) const override;
    [[nodiscard]] std::unique_ptr<ModelSettingsRows>
    createSettingsRows(bool editable) const override;
    // The parsed image schema (root without a name), shared by all instances.
    [[nodiscard]] static const LayoutNode &imageSchema();
    // The built-in default image of a parameter version; empty for one without.
    [[nodiscard]] static QByteArray builtinDefaultImageFor(int parameterVersion);

    [[nodiscard]] const QByteArray &defaultImage() const { return m_defaultImage; }
    void resetToDefaults() override;

    [[nodiscard]] int getValueMemory(DeviceSetting setting, int channel) const override;
    void setValueMemory(DeviceSetting setting, int channel, int value) override;
    // Byte offset of the setting's field in the image, or -1 for a type without one.
    [[nodiscard]] int settingOffset(DeviceSetting setting, int channel) const;

    [[nodiscard]] QJsonDocument toJsonDocument() const override;
    bool fromJsonDocument(const QJsonDocument &document) override;

    // Adds a mix with a control-path surface of its own; on success `newMix` is its index.
    AirplaneRx::AddMixResult addMix(int &newMix);
    // Takes a mix in use out of use and gives back what it drove (AirplaneRx::removeMix), its
    // name included, as one change; false, and nothing changes, when `mix` is not in use.
    bool removeMix(int mix);
    [[nodiscard]] QList<int> usedMixes() const;

    [[nodiscard]] const QStringList &mixNames() const { return m_mixNames; }
    void setMixNames(QStringList names);
    void setMixName(int mix, const QString &name);

    [[nodiscard]] int transmitterChannels() const { return m_transmitterChannels; }
    [[nodiscard]] static constexpr bool isTransmitterChannelCount(int channels)
    {
        return channels >= kMinTransmitterChannels && channels <= kMaxTransmitterChannels;
    }
    // Values outside kMinTransmitterChannels..kMaxTransmitterChannels are ignored; a change
    // emits settingsChanged.
    void setTransmitterChannels(int channels);

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

protected:
    [[nodiscard]] QJsonObject extraEditState() const override;
    void restoreExtraEditState(const QJsonObject &state) override;

private:
    // Runs `edit` on a copy of the image and stores the copy when the edit changed it;
    // answers whether it did.
    template <typename Edit> bool editImage(Edit edit);
    void applyWingAndTail(WingType wing, TailType tail);
    void fitMixNames();
    [[nodiscard]] int rateByte(const char *field, SettingOnlyChannel channel, int flightMode) const;
    void setRateByte(const char *field, SettingOnlyChannel channel, int flightMode, int value);

    QByteArray m_defaultImage;
    QStringList m_mixNames;
    int m_transmitterChannels = kDefaultTransmitterChannels;
};
