#pragma once

#include <QString>

#include <cstdint>
#include <span>

// One product of the device family.
struct DeviceCatalogEntry
{
    uint16_t productCode;    // the family's product numbering, as identification reports it
    const char *shortName;   // model number
    const char *displayName; // short name followed by the kind of product
    const char *imageFile;   // product picture; empty for all but the first six entries
    char serialCode;         // product letter carried in the serial number, unique in the catalog
    const char *sku;         // order number; one entry has a single blank
};

inline constexpr int kDeviceCatalogSize = 58;

// The whole catalog in its fixed order; static data, read-only for the whole run.
[[nodiscard]] std::span<const DeviceCatalogEntry, kDeviceCatalogSize> deviceCatalog();

// The catalog entry that a device serial number names, or nullptr. The product letter is byte 8
// of the last 24 characters read as Base64 (invalid characters skipped), which must decode to
// exactly 18 bytes; serial numbers shorter than 30 characters name nothing. Pure function over
// static data, callable from any thread.
[[nodiscard]] const DeviceCatalogEntry *catalogEntryForSerialNumber(const QString &serialNumber);
