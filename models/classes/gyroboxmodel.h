#pragma once

#include "models/classes/gyroboxmodeltypes.h"
#include "models/devicemodel.h"

#include <QList>

#include <cstdint>

// One element of an output's gyroGain table: how output `output` reacts to axis `axis` in
// flight-mode slot `flightModeSlot`.
struct GyroGainEntry
{
    std::uint8_t output = 0;
    std::uint8_t flightModeSlot = 0;
    int axis = 0;
    int gain = 0; // 10 bits
    bool reverse = false;
    bool relative = false;
    int headingMode = 0; // 2 bits
    bool axisEnabled = false;
    std::uint8_t priority = 0;

    bool operator==(const GyroGainEntry &) const = default;
};

// The head of one output element.
struct GyroOutputConfig
{
    int output = 0;
    int sourceID = 0;
    int linkedOutput = 0;
    int frameRate = 0;

    bool operator==(const GyroOutputConfig &) const = default;
};

// What a stored gyro scaler makes of a raw gain.
struct GyroGainScale
{
    int maximum = 200;
    int factor = 2;

    bool operator==(const GyroGainScale &) const = default;
};

// The stand-alone stabiliser box: one 1900-byte parameter image whose output links and enabled
// axes follow the wing and tail type.
class GyroboxModel : public DeviceModel
{
    Q_OBJECT

public:
    static constexpr int kImageSize = 1900;
    static constexpr int kOutputCount = 20;
    // Outputs that carry surfaces and take part in the wing and tail types.
    static constexpr int kSurfaceOutputCount = 8;
    static constexpr int kFlightModeSlotCount = 6;
    static constexpr int kAxisCount = 3;

    GyroboxModel(int productCode, int parameterVersion, QObject *parent = nullptr);

    [[nodiscard]] static const ModelClassInfo *getModelClassInfoStatic();
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override;
    void createEditorPages(PageInfoList &pages) const override;
    [[nodiscard]] static const LayoutNode &imageSchema();

    [[nodiscard]] const QByteArray &defaultImage() const { return m_defaultImage; }
    void resetToDefaults() override;

    // Out-of-range indices read as an empty entry and are not written.
    [[nodiscard]] GyroGainEntry gainEntry(int output, int flightModeSlot, int axis) const;
    void setGainEntry(const GyroGainEntry &entry);
    // The entries of flight-mode slots 0 to 5.
    [[nodiscard]] QList<GyroGainEntry> gainEntries(int output, int axis) const;
    [[nodiscard]] GyroOutputConfig outputConfig(int output) const;
    void setOutputConfig(const GyroOutputConfig &config);

    // Byte offset of a setting type's field, or -1.
    [[nodiscard]] int settingOffset(int type) const;
    [[nodiscard]] GyroGainScale gainScale(int flightModeSlot, int axis) const;
    // The scaled gain of the first surface output with the axis enabled in that slot, or 0.
    [[nodiscard]] int gain(int flightModeSlot, int axis) const;
    // The receiver orientation as two choices; a stored direction without a pair leaves them.
    void orientationPair(int &first, int &second) const;

    [[nodiscard]] GyroboxWing wingType() const;
    [[nodiscard]] GyroboxTail tailType() const;
    void setWingType(GyroboxWing wing);
    void setTailType(GyroboxTail tail);

    // Links the outputs as the wing asks and enables each axis where the wing or tail allows.
    void applyOutputLinks(const GyroboxWingType &wing);
    void applyGains(const GyroboxWingType &wing, const GyroboxTailType &tail);

private:
    void applyCurrentTypes();
    [[nodiscard]] int gainEntryOffset(int output, int flightModeSlot, int axis) const;
    [[nodiscard]] bool anyAxisEnabled(int output, int axis) const;
    [[nodiscard]] int enabledFlightModeCount() const;

    QByteArray m_defaultImage;
};
