#include "models/classes/airplanerxsettings.h"

#include "models/classes/airplanerxaircrafttype.h"
#include "models/classes/airplanerxmixes.h"

#include <QSet>

#include <algorithm>
#include <cstdint>

namespace AirplaneRx {

namespace {

constexpr int kKovaParameterVersion = 0xFE;
// Sub-trim is an 11-bit signed number of thirds.
constexpr int kSubTrimBits = 11;
constexpr int kSubTrimHighMask = 0x07;
constexpr int kSubTrimScale = 3;
constexpr int kReverseBit = 0x80;
constexpr int kGainMask = 0x7F;
constexpr int kGainDirectionBit = 0x80;
constexpr int kMixMasterMask = 0x7F;
constexpr int kMixTrimBit = 0x80;
// Percent values of the plain receiver are stored as 100 minus the value.
constexpr int kPercentComplement = 100;
constexpr int kOrientationAxes = 3;
constexpr int kFailsafeBitsPerByte = 8;
constexpr int kFailsafeSet = 0;
constexpr int kFailsafeClear = 1;
constexpr int kFailsafeNotApplicable = 2;
constexpr int kUnassignedChannel = 0;

// Flat index of [row][column] in a field of rows × columns, or -1 when either is out of range
// (the field's own count check cannot see a column that wraps into the next row).
int gridIndex(int row, int column, int rows, int columns)
{
    if (row < 0 || row >= rows || column < 0 || column >= columns)
        return -1;
    return row * columns + column;
}

bool inRange(int type, SettingType first, SettingType last)
{
    return type >= int(first) && type <= int(last);
}

int signExtend(int value, int bits)
{
    const int signBit = 1 << (bits - 1);
    return ((value & ((1 << bits) - 1)) ^ signBit) - signBit;
}

FieldLocation surfaceField(const AirplaneRxImage &image, int channel, const char *name,
                           int index = 0)
{
    const int slot = surfaceSlotOfChannel(image, channel);
    if (slot < 0)
        return {};
    return image.locate({{"surface", slot}, {name, index}});
}

int readOrientation(const AirplaneRxImage &image)
{
    const int axes = image.field({{"system"}, {"axis2aircraft"}});
    const int directions = image.field({{"system"}, {"axisDirection"}});
    int value = 0;
    for (int axis = 0; axis < kOrientationAxes; ++axis) {
        const int number = ((axes >> (2 * axis)) & 0x3) + 1;
        const int signedNumber = (directions >> axis) & 1 ? number : -number;
        value |= (signedNumber & 0xFF) << (8 * axis);
    }
    return value;
}

void writeOrientation(AirplaneRxImage &image, int value)
{
    int axes = image.field({{"system"}, {"axis2aircraft"}});
    int directions = image.field({{"system"}, {"axisDirection"}});
    for (int axis = 0; axis < kOrientationAxes; ++axis) {
        const int signedNumber = std::int8_t((value >> (8 * axis)) & 0xFF);
        const int number = std::abs(signedNumber);
        if (number < 1 || number > 4)
            continue; // not an aircraft axis: keep what is stored
        axes = (axes & ~(0x3 << (2 * axis))) | ((number - 1) << (2 * axis));
        directions = signedNumber > 0 ? directions | (1 << axis) : directions & ~(1 << axis);
    }
    image.setField({{"system"}, {"axis2aircraft"}}, axes);
    image.setField({{"system"}, {"axisDirection"}}, directions);
}

int decodeOutput(const AirplaneRxImage &image, int stored)
{
    if (stored == kUnassignedOutput)
        return kUnassignedChannel;
    const int code = stored & 0x3F;
    if (code == 0)
        return kThrottleChannel;
    if (code >= kSurfaceOutputBase) {
        const int slot = code - kSurfaceOutputBase;
        if (slot >= kSurfaceSlotCount)
            return kUnassignedChannel;
        if (image.surfaceAxis(slot) == kMixDrivenAxis)
            return kFirstMixChannel + image.surfaceMix(slot);
        return surfaceCodeOfAxisCode(image, image.surfaceAxis(slot));
    }
    return code < kMixCount ? kFirstMixChannel + code : kUnassignedChannel;
}

// The output byte for a channel code, or -1 when the code names nothing the image has.
int encodeOutput(const AirplaneRxImage &image, int channel)
{
    if (channel == kUnassignedChannel)
        return kUnassignedOutput;
    if (channel == kThrottleChannel)
        return kThrottleOutput;
    const bool mixOutput = channel >= kFirstMixChannel && channel < kFirstMixChannel + kMixCount;
    // Mix 0's code would be the throttle's: its output is carried through its control-path
    // surface, and a mix 0 without one has no output a port can carry.
    if (mixOutput && channel != kFirstMixChannel)
        return (channel - kFirstMixChannel) | kAssignedBit;
    const int slot = surfaceSlotOfChannel(image, channel);
    return slot < 0 ? -1 : (slot + kSurfaceOutputBase) | kAssignedBit;
}

int readFailsafe(const AirplaneRxImage &image, int port, const FieldLocation &location)
{
    const int output = port - 1;
    if (output >= kOutputCount || image.output(output) == kUnassignedOutput)
        return kFailsafeNotApplicable;
    const int bit = 1 << (output % kFailsafeBitsPerByte);
    return readField(image.bytes(), location) & bit ? kFailsafeSet : kFailsafeClear;
}

int setBit(int byte, int bit, bool on)
{
    return on ? byte | bit : byte & ~bit;
}

} // namespace

int surfaceSlotOfChannel(const AirplaneRxImage &image, int channel)
{
    if (channel >= kFirstMixChannel && channel < kFirstMixChannel + kMixCount) {
        for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
            if (image.surfaceAxis(slot) == kMixDrivenAxis &&
                image.surfaceMix(slot) == channel - kFirstMixChannel)
                return slot;
        }
        return -1;
    }
    const QList<int> axisCodes = axisCodesOfSurface(image, channel);
    if (axisCodes.isEmpty())
        return -1;
    for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
        if (axisCodes.contains(image.surfaceAxis(slot)))
            return slot;
    }
    return -1;
}

int axisOfChannel(const AirplaneRxImage &image, int channel)
{
    if (channel >= kRollChannel && channel <= kYawChannel)
        return channel - kRollChannel;
    const int slot = surfaceSlotOfChannel(image, channel);
    return slot < 0 ? -1 : axisOfSurfaceAxisCode(image.surfaceAxis(slot));
}

FieldLocation settingField(const AirplaneRxImage &image, DeviceSetting setting, int channel)
{
    const int type = settingTypeOf(setting);
    const int fm = flightModeOf(setting) - 1;
    const int port = portOf(setting);
    const int d = secondaryIndexOf(setting);

    switch (SettingType(type)) {
    case SettingType::PosTravel:
        return surfaceField(image, channel, "posTravel");
    case SettingType::NegTravel:
        return surfaceField(image, channel, "negTravel");
    case SettingType::SubTrim:
    case SettingType::Reverse:
        return surfaceField(image, channel, "subTrimH");
    case SettingType::AbsTravelPos:
        return surfaceField(image, channel, "absTravelPos");
    case SettingType::AbsTravelNeg:
        return surfaceField(image, channel, "absTravelNeg");
    case SettingType::BalanceX:
        return surfaceField(image, channel, "balance_X", d);
    case SettingType::BalanceY:
        return surfaceField(image, channel, "balance_Y", d);
    default:
        break;
    }

    const auto mixField = [&](const char *name) { return image.locate({{"mixes", d}, {name}}); };
    const auto autopilot = [&](const char *name, int index = 0) {
        return image.locate({{"autopilot"}, {name, index}});
    };
    const auto system = [&](const char *name) { return image.locate({{"system"}, {name}}); };
    const int a = axisOfChannel(image, channel);

    switch (SettingType(type)) {
    case SettingType::RateGain:
    case SettingType::RateGainNormal:
        return image.locate({{"legacy"}, {"rateGain", gridIndex(fm, a, 3, 3)}});
    case SettingType::HeadingGain:
    case SettingType::HeadingGainNormal:
    case SettingType::HoldGain:
    case SettingType::HoldGainNormal:
        return image.locate({{"legacy"}, {"headingGain", gridIndex(fm, a, 3, 3)}});
    case SettingType::StickGain:
        return image.locate({{"axis", a}, {"stickGain", fm}});
    case SettingType::DualRatePos:
        return image.locate({{"axis", a}, {"dualRatePos", fm}});
    case SettingType::DualRateNeg:
        return image.locate({{"axis", a}, {"dualRateNeg", fm}});
    case SettingType::ExpoPos:
        return image.locate({{"axis", a}, {"expoPos", fm}});
    case SettingType::ExpoNeg:
        return image.locate({{"axis", a}, {"expoNeg", fm}});
    case SettingType::HeadingHoldDelay:
        return image.locate({{"axis", a}, {"headingHoldDelay", fm}});
    case SettingType::OuterRollDifferential:
        return image.locate({{"differential"}, {"outerRollDifferential", fm}});
    case SettingType::InnerRollDifferential:
        return image.locate({{"differential"}, {"innerRollDifferential", fm}});
    case SettingType::YawDifferential:
        return image.locate({{"differential"}, {"yawDifferential", fm}});
    case SettingType::AircraftType:
        return autopilot("aircraftType");
    case SettingType::Orientation:
        return system("axis2aircraft");
    case SettingType::Failsafe:
        return image.locate({{"servo"}, {"failsafe", port < 1 ? -1 : (port - 1) / 8}});
    case SettingType::ServoOutput:
        return image.locate({{"servo"}, {"outputSurface2servo", port - 1}});
    case SettingType::FlightModeSwitch:
        return system("flightModeSwitch");
    case SettingType::GyroThresholdEnable:
        return system("gyroThresholdEnable");
    case SettingType::SensorDigitalFilter:
        return system("sensorDigitalFilter");
    case SettingType::MixMaster:
    case SettingType::MixTrimEnabled:
        return mixField("mixMaster");
    case SettingType::MixSlave:
        return mixField("mixSlave");
    case SettingType::MixPosRate:
        return mixField("mixPosRate");
    case SettingType::MixNegRate:
        return mixField("mixNegRate");
    case SettingType::MixOffset:
        return mixField("offset");
    case SettingType::MixCondition:
        return mixField("conditionID");
    case SettingType::MixActivePositions:
        return mixField("activePositions");
    case SettingType::KovaEnabled:
        return autopilot("kovaEnabled");
    case SettingType::BindPlugKovaToggleDisabled:
        return autopilot("bindPlugKovaToggleDisabled");
    case SettingType::KovaLimitedFlightModesDisabled:
        return system("kovaLimitedFlightModesDisabled");
    case SettingType::AttitudeEnvelopePos:
        return image.locate({{"autopilot"}, {"attitude", gridIndex(fm, a, 5, 2)}, {"envelopePos"}});
    case SettingType::AttitudeEnvelopeNeg:
        return image.locate({{"autopilot"}, {"attitude", gridIndex(fm, a, 5, 2)}, {"envelopeNeg"}});
    case SettingType::Thr2PitchThreshold:
        return image.locate({{"autopilot"}, {"thr2pitch", 0}, {"threshold"}});
    case SettingType::Thr2PitchAngle:
        return image.locate({{"autopilot"}, {"thr2pitch", 0}, {"angle"}});
    case SettingType::Thr2PitchThreshold2:
        return image.locate({{"autopilot"}, {"thr2pitch", 1}, {"threshold"}});
    case SettingType::Thr2PitchAngle2:
        return image.locate({{"autopilot"}, {"thr2pitch", 1}, {"angle"}});
    case SettingType::PanicEnvelopePos:
        return image.locate({{"autopilot"}, {"panic"}, {"envelope", a}, {"pos"}});
    case SettingType::PanicEnvelopeNeg:
        return image.locate({{"autopilot"}, {"panic"}, {"envelope", a}, {"neg"}});
    case SettingType::FailsafeLoiter:
        return autopilot("failsafeLoiter", a);
    case SettingType::Compensation:
        return autopilot("compensation");
    case SettingType::StabilityKp:
        return image.locate({{"autopilot"}, {"pidStability", gridIndex(fm, a, 3, 3)}, {"kp"}});
    case SettingType::StabilityKi:
        return image.locate({{"autopilot"}, {"pidStability", gridIndex(fm, a, 3, 3)}, {"ki"}});
    case SettingType::StabilityKd:
        return image.locate({{"autopilot"}, {"pidStability", gridIndex(fm, a, 3, 3)}, {"kd"}});
    case SettingType::AttitudeKp:
        return image.locate({{"autopilot"}, {"pidAttitude", gridIndex(fm, a, 3, 2)}, {"kp"}});
    case SettingType::AttitudeKi:
        return image.locate({{"autopilot"}, {"pidAttitude", gridIndex(fm, a, 3, 2)}, {"ki"}});
    case SettingType::AttitudeKd:
        return image.locate({{"autopilot"}, {"pidAttitude", gridIndex(fm, a, 3, 2)}, {"kd"}});
    case SettingType::Deck:
        return autopilot("deck");
    case SettingType::Ceiling:
        return autopilot("ceiling");
    case SettingType::PitchOffset:
        return autopilot("pitchOffset");
    case SettingType::AltHoldRate:
        return autopilot("altHoldRate");
    case SettingType::IdleUp:
        return autopilot("idleUp");
    case SettingType::ThrustLimit:
        return autopilot("thrustLimit");
    default:
        break;
    }
    if (inRange(type, SettingType::AttitudeFeatureFirst, SettingType::AttitudeFeatureLast))
        return image.locate({{"autopilot"}, {"attitude", gridIndex(fm, a, 5, 2)}, {"feature"}});
    if (inRange(type, SettingType::PanicSourceFirst, SettingType::PanicSourceLast))
        return image.locate({{"autopilot"}, {"panic"}, {"source"}});
    if (inRange(type, SettingType::GuidanceFeatureFirst, SettingType::GuidanceFeatureLast))
        return autopilot("guidanceFeature", type - int(SettingType::GuidanceFeatureFirst));
    return {};
}

int readSetting(const AirplaneRxImage &image, int parameterVersion, DeviceSetting setting,
                int channel)
{
    const FieldLocation location = settingField(image, setting, channel);
    if (!location.found())
        return 0;
    const int stored = readField(image.bytes(), location);
    const int type = settingTypeOf(setting);

    switch (SettingType(type)) {
    case SettingType::SubTrim: {
        const int low = byteAt(image.bytes(), location.offset + 1);
        return signExtend(((stored & kSubTrimHighMask) << 8) | low, kSubTrimBits) / kSubTrimScale;
    }
    case SettingType::Reverse:
        return stored & kReverseBit ? 1 : 0;
    case SettingType::RateGain:
    case SettingType::HeadingGain:
    case SettingType::HoldGain:
        return stored & kGainMask;
    case SettingType::RateGainNormal:
    case SettingType::HeadingGainNormal:
    case SettingType::HoldGainNormal:
        return stored & kGainDirectionBit ? 0 : 1;
    case SettingType::StickGain:
        return parameterVersion == kKovaParameterVersion ? stored : kPercentComplement - stored;
    case SettingType::AircraftType:
        return stored == 1 || stored == 2 ? stored : 0;
    case SettingType::Orientation:
        return readOrientation(image);
    case SettingType::Failsafe:
        return readFailsafe(image, portOf(setting), location);
    case SettingType::ServoOutput:
        return decodeOutput(image, stored);
    case SettingType::GyroThresholdEnable:
        return stored == 1 ? 1 : 0;
    case SettingType::MixMaster:
        return stored & kMixMasterMask;
    case SettingType::MixTrimEnabled:
        return stored & kMixTrimBit ? 1 : 0;
    default:
        break;
    }
    if (inRange(type, SettingType::AttitudeFeatureFirst, SettingType::AttitudeFeatureLast))
        return (stored >> (type - int(SettingType::AttitudeFeatureFirst))) & 1;
    if (inRange(type, SettingType::PanicSourceFirst, SettingType::PanicSourceLast))
        return (stored >> (type - int(SettingType::PanicSourceFirst))) & 1;
    return stored;
}

bool writeSetting(AirplaneRxImage &image, int parameterVersion, DeviceSetting setting, int channel,
                  int value)
{
    const FieldLocation location = settingField(image, setting, channel);
    if (!location.found())
        return false;
    QByteArray &bytes = image.bytes();
    const int stored = readField(bytes, location);
    const int type = settingTypeOf(setting);

    switch (SettingType(type)) {
    case SettingType::SubTrim: {
        const auto raw = int(std::clamp<std::int64_t>(std::int64_t(value) * kSubTrimScale,
                                                      -(1 << (kSubTrimBits - 1)),
                                                      (1 << (kSubTrimBits - 1)) - 1));
        setByteAt(bytes, location.offset,
                  (stored & ~kSubTrimHighMask) | ((raw >> 8) & kSubTrimHighMask));
        setByteAt(bytes, location.offset + 1, raw & 0xFF);
        return true;
    }
    case SettingType::Reverse:
        writeField(bytes, location, setBit(stored, kReverseBit, value != 0));
        return true;
    case SettingType::RateGain:
    case SettingType::HeadingGain:
    case SettingType::HoldGain:
        writeField(bytes, location, (stored & ~kGainMask) | std::clamp(value, 0, kGainMask));
        return true;
    case SettingType::RateGainNormal:
    case SettingType::HeadingGainNormal:
    case SettingType::HoldGainNormal:
        writeField(bytes, location, setBit(stored, kGainDirectionBit, value == 0));
        return true;
    case SettingType::StickGain: {
        // Bounded first so that the complement cannot overflow; the field clamps to i8.
        const int percent = std::clamp(value, -0xFFFF, 0xFFFF);
        writeField(bytes, location,
                   parameterVersion == kKovaParameterVersion ? percent
                                                             : kPercentComplement - percent);
        return true;
    }
    case SettingType::AircraftType:
        writeField(bytes, location, value == 1 || value == 2 ? value : 0);
        return true;
    case SettingType::Orientation:
        writeOrientation(image, value);
        return true;
    case SettingType::Failsafe: {
        const int output = portOf(setting) - 1;
        const int bit = 1 << (output % kFailsafeBitsPerByte);
        if (value == kFailsafeSet || value == kFailsafeClear)
            writeField(bytes, location, setBit(stored, bit, value == kFailsafeSet));
        return true;
    }
    case SettingType::ServoOutput: {
        const int encoded = encodeOutput(image, value);
        if (encoded >= 0)
            writeField(bytes, location, encoded);
        return true;
    }
    case SettingType::GyroThresholdEnable:
        writeField(bytes, location, value ? 1 : 0);
        return true;
    case SettingType::MixMaster:
        writeField(bytes, location, (stored & kMixTrimBit) | std::clamp(value, 0, kMixMasterMask));
        return true;
    case SettingType::MixTrimEnabled:
        writeField(bytes, location, setBit(stored, kMixTrimBit, value != 0));
        return true;
    case SettingType::MixSlave:
        setMixSlave(image, secondaryIndexOf(setting), std::clamp(value, 0, 0xFF));
        return true;
    default:
        break;
    }
    if (inRange(type, SettingType::AttitudeFeatureFirst, SettingType::AttitudeFeatureLast)) {
        const int bit = 1 << (type - int(SettingType::AttitudeFeatureFirst));
        writeField(bytes, location, setBit(stored, bit, value != 0));
        return true;
    }
    if (inRange(type, SettingType::PanicSourceFirst, SettingType::PanicSourceLast)) {
        const int bit = 1 << (type - int(SettingType::PanicSourceFirst));
        writeField(bytes, location, setBit(stored, bit, value != 0));
        return true;
    }
    writeField(bytes, location, value);
    return true;
}

} // namespace AirplaneRx
