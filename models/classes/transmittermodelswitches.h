#pragma once

#include <QString>

// The transmitter stores the control that drives a setting (a channel's source, the rate
// switch, the throttle-cut switch, the flight-mode switches) as a raw switch code; the
// editor shows the switch function behind it.
enum class TransmitterSwitchFunction : int {
    Inhibit = 0,
    Bind = 1,
    FlightModeSwitch = 2,
    Aux = 3,
    Flap = 4,
    Rate = 5,
    ThrottleCut = 6,
    WirelessBind = 7,
    FlightMode = 8,
    On = 9,
};

inline constexpr int kTransmitterSwitchFunctionCount = 10;

// The function of a raw code; codes the transmitter does not know are Inhibit.
[[nodiscard]] TransmitterSwitchFunction transmitterSwitchFunction(int rawCode);
// The raw code the transmitter stores for a function; 0 for Inhibit.
[[nodiscard]] int transmitterSwitchRawCode(TransmitterSwitchFunction function);
// "Inhibit", "Bind Switch", ... (translatable).
[[nodiscard]] QString transmitterSwitchFunctionName(TransmitterSwitchFunction function);
