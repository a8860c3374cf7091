#pragma once

#include <QString>

// The channels whose rates are set: the axis codes of roll, pitch and yaw.
enum class SettingOnlyChannel : int {
    Roll = 45,
    Pitch = 46,
    Yaw = 47,
};

// Axis index 0, 1 or 2 of a channel whose rates are looked up; anything that is not an axis
// code uses the roll axis's rates (its name stays its own: see channelName).
[[nodiscard]] constexpr int axisIndexOf(SettingOnlyChannel channel)
{
    switch (channel) {
    case SettingOnlyChannel::Pitch:
        return 1;
    case SettingOnlyChannel::Yaw:
        return 2;
    default:
        return 0;
    }
}

// The values a rate setting may take.
struct RateRange
{
    int maximum = 0;
    int minimum = 0;

    bool operator==(const RateRange &) const = default;
};

// Dual rates and exponential curves per axis and flight mode, for the rates page of any model
// that has them. Getters return the stored value in its field's sign (dual rates unsigned,
// exponentials signed, -100 to 100); setters store the low byte of the value and tell a
// connected device.
class DualRateExpoSettings
{
public:
    virtual ~DualRateExpoSettings() = default;

    // The axis name of an axis code, otherwise the name of the surface or output it codes.
    [[nodiscard]] virtual QString channelName(SettingOnlyChannel channel) const = 0;

    // The switch that selects between the rates, when the model has one: its switch function
    // (0 none), that function's name, the switch position the rates use, and the setter.
    [[nodiscard]] virtual int rateSwitch() const = 0;
    [[nodiscard]] virtual QString rateSwitchName() const = 0;
    [[nodiscard]] virtual int rateSwitchPosition() const = 0;
    virtual void setRateSwitch(int switchFunction) = 0;

    [[nodiscard]] virtual int flightModeCount() const = 0;
    [[nodiscard]] virtual QString flightModeName(int flightMode) const = 0;

    virtual void setDualRatePositive(SettingOnlyChannel channel, int flightMode, int value) = 0;
    [[nodiscard]] virtual int dualRatePositive(SettingOnlyChannel channel,
                                               int flightMode) const = 0;
    virtual void setDualRateNegative(SettingOnlyChannel channel, int flightMode, int value) = 0;
    [[nodiscard]] virtual int dualRateNegative(SettingOnlyChannel channel,
                                               int flightMode) const = 0;
    virtual void setExpoPositive(SettingOnlyChannel channel, int flightMode, int value) = 0;
    [[nodiscard]] virtual int expoPositive(SettingOnlyChannel channel, int flightMode) const = 0;
    virtual void setExpoNegative(SettingOnlyChannel channel, int flightMode, int value) = 0;
    [[nodiscard]] virtual int expoNegative(SettingOnlyChannel channel, int flightMode) const = 0;

    [[nodiscard]] virtual RateRange expoRange() const = 0;
    [[nodiscard]] virtual RateRange dualRateRange() const = 0;
};
