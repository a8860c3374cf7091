#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

// What a device in its bootloader says about itself and its application.
struct IdRequestData
{
    QString serialNumber;
    int bootloaderExtra = 0;
    int bootloaderVersionMajor = 0;
    int bootloaderVersionMinor = 0;
    int bootloaderVersionRelease = 0;
    int bootloaderProductCode = 0;
    std::array<std::uint8_t, 7> bootloaderOptionBits{};
    int appState = 0; // 0 unknown (old bootloader), 1 or 2 from option bit 0
    std::uint8_t numDevicesConnected = 0;
    int appVersionMajor = 0;
    int appVersionMinor = 0;
    int appVersionRelease = 0;
    int appProductCode = 0;
    std::array<std::uint8_t, 7> appOptionBits{};
};

inline constexpr int kIdRequestPayloadSize = 71;

// Decodes the payload of an identification reply. `announcedLevel` is the level the bootloader
// announced itself with: below 2 it cannot tell the state of the application. Null when the
// payload is shorter than kIdRequestPayloadSize.
[[nodiscard]] std::shared_ptr<IdRequestData> decodeIdRequest(const QByteArray &payload,
                                                             std::uint8_t announcedLevel);

// Writes the decoded reply of `device` to the log.
void logIdRequest(int device, const IdRequestData &data);
