#pragma once

#include "device/deviceconnectionerror.h"
#include "device/devicemode.h"
#include "device/devicestream.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace devsim {

// How long a device takes from power-up (or a restart) to its first announcement, and how
// often it repeats the announcement until the host answers it.
inline constexpr int kDefaultBootDelayMs = 20;
inline constexpr int kDefaultAnnounceIntervalMs = 250;

// Flash targets of the advanced memory commands: the parameter memory holding the model
// settings, and a transmitter's own system settings.
inline constexpr std::uint8_t kParameterTarget = 0;
inline constexpr std::uint8_t kTxSystemSettingsTarget = 4;

// The TNC step that stands for a passed level calibration of the attitude sensor.
inline constexpr std::uint8_t kSensorTncStep = 0x04;

// One parameter section: its id and its contents at power-up (the flash image).
struct ProfileSection
{
    std::uint8_t id = 0;
    QByteArray contents;
};

// A flash target and its sections, listed in the order the section table reports them.
struct ProfileTarget
{
    std::uint8_t target = kParameterTarget;
    std::vector<ProfileSection> sections;
};

// A device behind the base one, as its bootloader identifies it.
struct AuxiliaryDevice
{
    QByteArray serialNumber;
    int productCode = 0;
    int appVersionMajor = 1;
    int appVersionMinor = 0;
    int appVersionRelease = 0;
    bool applicationValid = true;
};

// Level calibration of the attitude sensor, run by the TNC commands.
struct CalibrationProfile
{
    bool calibrated = true;
    // A device without calibration progress calibrates by itself once it runs uncalibrated.
    bool startsByItself = false;
    int durationMs = 1500;
    bool fails = false;
    // Accelerometer X, Y, Z then gyro X, Y, Z bias, as the calibration read returns them.
    std::array<std::int32_t, 6> biases{12, -7, 1003, -3, 5, 0};
};

// A failure the bootloader reports while it executes a firmware file: the `atRecord`-th file
// record (1-based, counted from power-up or the previous failure) is answered with `code`.
struct FirmwareFailure
{
    int atRecord = 1;
    DeviceConnectionError code = DeviceConnectionError::WriteError;
};

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
    // The capability byte of the application identification; devices of older firmware send
    // none. A product code above 255 needs the byte after it, so such a device always sends
    // a capability byte (0 when it has none).
    std::uint8_t capabilityBits = 0;
    bool sendsCapabilityByte = true;
    // Capability bits that firmware from major version `laterFirmwareMajor` on reports as
    // well, so that a device updated across firmware generations acts as one of the later
    // generation; 0 for none.
    int laterFirmwareMajor = 0;
    std::uint8_t laterFirmwareCapabilityBits = 0;
    int parameterVersion = 0xFF;
    int fskProtocolVersion = 2;
    // Latin-1; empty for devices without one (capability bit 2 tells the host to ask).
    QByteArray faaSerialNumber;

    // The byte a bootloader announcement carries at payload 0.
    std::uint8_t bootloaderLevel = 2;
    // False: the bootloader refuses GO with CodeCorrupted and the device starts in its
    // bootloader.
    bool applicationValid = true;
    // Devices behind this one that the bootloader identifies by index 1..n: those listed,
    // then up to auxiliaryDeviceCount devices named after the base serial number.
    int auxiliaryDeviceCount = 0;
    std::vector<AuxiliaryDevice> auxiliaryDevices;

    // Parameter memory by flash target and section. Without targets, parameterMemory is the
    // one section 0 of the parameter target. The plain read and write commands see the
    // parameter target's sections back to back; bytes beyond the end read as erased flash.
    QByteArray parameterMemory;
    std::vector<ProfileTarget> targets;

    CalibrationProfile calibration;
    // TNC steps the device has passed (status byte of the TNC status) and its tested flag.
    std::uint8_t tncSteps = 0x0F;
    std::uint8_t testedFlags = 0;

    // The application area the bootloader erases and writes, and how long erasing it takes.
    int firmwareFlashBytes = 512 * 1024;
    int eraseDurationMs = 200;
    std::optional<FirmwareFailure> firmwareFailure;

    // The protocol the device runs after power-up. A port whose identifiers fix the mode
    // (portModes not Announced) also fixes where the device starts.
    DeviceMode startMode = DeviceMode::FSK;
    SupportedModes portModes = SupportedModes::Announced;

    int bootDelayMs = kDefaultBootDelayMs;
    int announceIntervalMs = kDefaultAnnounceIntervalMs;
};

// The mode a device of this profile is in right after power-up.
[[nodiscard]] DeviceMode powerUpMode(const DeviceProfile &profile);

// The flash targets of the profile, with parameterMemory as target 0 when none are listed.
[[nodiscard]] std::vector<ProfileTarget> effectiveTargets(const DeviceProfile &profile);
// How many devices stand behind the base device (at most seven: three bits on the wire).
[[nodiscard]] int auxiliaryCount(const DeviceProfile &profile);
// The identification of device `index` (1..auxiliaryCount) behind the base device.
[[nodiscard]] AuxiliaryDevice auxiliaryDevice(const DeviceProfile &profile, int index);

// An airplane receiver with a filled parameter memory; the usual starting point for tests.
[[nodiscard]] DeviceProfile defaultReceiverProfile();

} // namespace devsim
