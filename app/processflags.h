#pragma once

// The two process-wide switches of the Debug menu. Main thread only.
namespace processflags {

// Whether the device-watch tick pings a device behind the programming cable (on at start).
[[nodiscard]] bool devicePingingEnabled();
void setDevicePingingEnabled(bool enabled);

// Whether the cable keeps powering the device after the program ends (off at start).
[[nodiscard]] bool leaveCablePoweredAfterExit();
void setLeaveCablePoweredAfterExit(bool enabled);

} // namespace processflags
