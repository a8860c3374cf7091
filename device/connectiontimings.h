#pragma once

#include <cstdint>

// Protocol timeouts and delays of the connection, with the values the devices are built for.
inline constexpr int kAckTimeoutMs = 3000;        // a reply must arrive within this after sending
inline constexpr int kInputResetMs = 1000;        // silence after which partial input is junk
inline constexpr int kModeSwitchTimeoutMs = 3000; // a restarting device must announce by then
inline constexpr int kAnnouncementSettleMs = 200; // the device needs this after our answer
inline constexpr int kPingIdleMs = 2000; // a link busy more recently than this needs no ping
inline constexpr int kBootloaderGoTimeoutMs = 5000; // leaving the bootloader takes longer

// The connection takes its timings as configuration so that tests can shorten them; the
// defaults are the values above.
struct ConnectionTimings
{
    int ackTimeoutMs = kAckTimeoutMs;
    int inputResetMs = kInputResetMs;
    int modeSwitchTimeoutMs = kModeSwitchTimeoutMs;
    int announcementSettleMs = kAnnouncementSettleMs;
    int pingIdleMs = kPingIdleMs;
    int bootloaderGoTimeoutMs = kBootloaderGoTimeoutMs;
};
