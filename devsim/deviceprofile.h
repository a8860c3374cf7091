#pragma once

#include "device/devicemode.h"
#include "device/devicestream.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace devsim {

// How long a device takes from power-up (or a restart) to its first announcement, and how
// often it repeats the announcement until the host answers it.
inline constexpr int kDefaultBootDelayMs = 20;
inline constexpr int kDefaultAnnounceIntervalMs = 250;

// What a simulated device is: identification data, memory contents and timing. Plain data,
// so a profile can be written in a test, built by a named factory or loaded from a file.
struct DeviceProfile
{
    QString name = QStringLiteral("receiver");

    int productCode = 0x21;
    int appVersionMajor = 1;
    int appVersionMinor = 0;
    int appVersionRelease = 0;
    int bootloaderProductCode = 0x21;
    int bootloaderVersionMajor = 1;
    int bootloaderVersionMinor = 0;
    int bootloaderVersionRelease = 0;
    // Latin-1, at most 30 characters on the wire.
    QByteArray serialNumber = QByteArrayLiteral("ZX-SIM-000001");
    // Option bits the application reports; the bootloader's first option byte is derived
    // (application valid, auxiliary device count).
    std::array<std::uint8_t, 7> appOptionBits{};
    std::uint8_t capabilityBits = 0;

    // The byte a bootloader announcement carries at payload 0.
    std::uint8_t bootloaderLevel = 2;
    // False: the bootloader refuses GO with CodeCorrupted and the device starts in its
    // bootloader.
    bool applicationValid = true;
    // Devices behind this one that the bootloader identifies by index 1..n.
    int auxiliaryDeviceCount = 0;

    // Parameter memory as the application reads it; bytes beyond the end read as erased
    // flash (0xFF).
    QByteArray parameterMemory;

    // The protocol the device runs after power-up. A port whose identifiers fix the mode
    // (portModes not Announced) also fixes where the device starts.
    DeviceMode startMode = DeviceMode::FSK;
    SupportedModes portModes = SupportedModes::Announced;

    int bootDelayMs = kDefaultBootDelayMs;
    int announceIntervalMs = kDefaultAnnounceIntervalMs;
};

// The mode a device of this profile is in right after power-up.
[[nodiscard]] DeviceMode powerUpMode(const DeviceProfile &profile);

// An airplane receiver with a filled parameter memory; the usual starting point for tests.
[[nodiscard]] DeviceProfile defaultReceiverProfile();

} // namespace devsim
