#pragma once

#include <QString>

#include <optional>

// One device as its bootloader identifies it: the device on the link (the base device) or one
// of those attached behind it.
struct ConnectedDevice
{
    int appVersionMajor = 0;
    int appVersionMinor = 0;
    std::optional<int> appVersionRelease;
    int productCode = 0;
    QString serialNumber;
    QString faaSerialNumber;

    bool operator==(const ConnectedDevice &) const = default;
};
