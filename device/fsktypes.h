#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// Values exchanged with a device running its application.

// Where an advanced read or write goes in the device's flash; sent as one byte.
enum class FlashTarget : std::uint8_t {
    ParameterMemory = 0,  // the sections holding the model settings
    TxSystemSettings = 4, // a transmitter's own 64-byte settings block
};

// What a device running its application says about itself.
struct FskIdRequestData
{
    std::uint32_t parameterCrc = 0;
    int appVersionMajor = 0;
    int appVersionMinor = 0;
    int productCode = 0;
    int parameterVersion = 0;
    int fskProtocolVersion = 0;
    // From the capability byte; all absent when the device sends none.
    std::optional<bool> canReadCalibration; // reports calibration progress
    std::optional<bool> hasFaaSerialNumber;
    std::optional<bool> capabilityBit3; // section CRCs can be read
    std::optional<bool> capabilityBit4; // not used by the program
};

// The TNC (level calibration) status: a status byte and whatever data follows it.
struct FskTncStatus
{
    std::uint8_t status = 0;
    QByteArray data;
};

// One entry of a flash target's section table.
struct TargetSectionInfo
{
    std::uint8_t section = 0; // section id
    std::uint16_t size = 0;   // bytes
};
