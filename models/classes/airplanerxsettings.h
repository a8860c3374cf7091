#pragma once

#include "models/classes/airplanerximage.h"
#include "models/devicemodel.h"

// DeviceSetting codes of the airplane receiver, their fields in the image and the packing the
// receiver uses for each.
namespace AirplaneRx {

enum class SettingType : int {
    PosTravel = 1,
    NegTravel = 2,
    SubTrim = 3,
    Reverse = 4,
    AbsTravelPos = 5,
    AbsTravelNeg = 6,
    BalanceX = 7,
    BalanceY = 8,
    RateGain = 9,
    HeadingGain = 10,
    RateGainNormal = 11,
    HeadingGainNormal = 12,
    StickGain = 13,
    HoldGain = 14,
    HoldGainNormal = 15,
    DualRatePos = 16,
    DualRateNeg = 17,
    ExpoPos = 18,
    ExpoNeg = 19,
    OuterRollDifferential = 20,
    AircraftType = 21,
    InnerRollDifferential = 22,
    YawDifferential = 23,
    Orientation = 24,
    Failsafe = 25,
    ServoOutput = 26,
    FlightModeSwitch = 27,
    GyroThresholdEnable = 28,
    SensorDigitalFilter = 29,
    MixMaster = 40,
    MixSlave = 41,
    MixPosRate = 42,
    MixNegRate = 43,
    MixOffset = 44,
    MixTrimEnabled = 46,
    MixCondition = 47,
    MixActivePositions = 48,
    KovaEnabled = 57,
    BindPlugKovaToggleDisabled = 58,
    KovaLimitedFlightModesDisabled = 59,
    AttitudeFeatureFirst = 61, // 61 to 63: bits 0 to 2 of the attitude feature byte
    AttitudeFeatureLast = 63,
    AttitudeEnvelopePos = 68,
    AttitudeEnvelopeNeg = 69,
    Thr2PitchThreshold = 70,
    Thr2PitchAngle = 71,
    Thr2PitchThreshold2 = 72,
    Thr2PitchAngle2 = 73,
    PanicSourceFirst = 74, // 74 to 76: bits 0 to 2 of the panic source byte
    PanicSourceLast = 76,
    PanicEnvelopePos = 77,
    PanicEnvelopeNeg = 78,
    FailsafeLoiter = 79,
    Compensation = 80,
    StabilityKp = 83,
    StabilityKi = 84,
    StabilityKd = 85,
    AttitudeKp = 86,
    AttitudeKi = 87,
    AttitudeKd = 88,
    Deck = 92,
    Ceiling = 93,
    PitchOffset = 94,
    AltHoldRate = 95,
    IdleUp = 96,
    ThrustLimit = 97,
    GuidanceFeatureFirst = 98, // 98 to 102: guidanceFeature[0] to [4]
    GuidanceFeatureLast = 102,
    // Ours, not the receiver's: its codes have none for an axis's heading-hold delay, so this
    // one is chosen clear of them. Per axis and flight mode, a raw byte.
    HeadingHoldDelay = 104,
};

[[nodiscard]] constexpr int settingTypeOf(DeviceSetting setting)
{
    return int(setting & 0xFF);
}
[[nodiscard]] constexpr int flightModeOf(DeviceSetting setting)
{
    return int((setting >> 8) & 0xFF);
}
[[nodiscard]] constexpr int portOf(DeviceSetting setting)
{
    return int((setting >> 16) & 0xFF);
}
[[nodiscard]] constexpr int secondaryIndexOf(DeviceSetting setting)
{
    return int((setting >> 24) & 0xFF);
}
[[nodiscard]] constexpr DeviceSetting makeSetting(SettingType type, int flightMode = 0,
                                                  int port = 0, int secondaryIndex = 0)
{
    return DeviceSetting(int(type) & 0xFF) | (DeviceSetting(flightMode & 0xFF) << 8) |
           (DeviceSetting(port & 0xFF) << 16) | (DeviceSetting(secondaryIndex & 0xFF) << 24);
}

// Surface slot that a surface channel code addresses (a mix output 50 + m: the mix's
// control-path surface), or -1.
[[nodiscard]] int surfaceSlotOfChannel(const AirplaneRxImage &image, int channel);
// Axis index (0 to 2) of a channel: the axis codes 45 to 47, or the axis of a surface's slot;
// -1 for anything else.
[[nodiscard]] int axisOfChannel(const AirplaneRxImage &image, int channel);

// The field a setting addresses, or no node for a type without one.
[[nodiscard]] FieldLocation settingField(const AirplaneRxImage &image, DeviceSetting setting,
                                         int channel);

// The setting's value as the editor sees it; 0 for a type without a field.
[[nodiscard]] int readSetting(const AirplaneRxImage &image, int parameterVersion,
                              DeviceSetting setting, int channel);
// Stores the value with the receiver's packing; false when the type has no field here (the
// image is then unchanged). Setting a mix's slave also re-links the surfaces.
bool writeSetting(AirplaneRxImage &image, int parameterVersion, DeviceSetting setting, int channel,
                  int value);

} // namespace AirplaneRx
