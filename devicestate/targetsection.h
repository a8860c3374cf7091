#pragma once

#include "devicestate/layoutnode.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <optional>

// One section of a device's parameter memory as a model holds it. A section's position in its
// list is its device section id.
struct TargetSection
{
    QByteArray modelData;  // the model's bytes
    QByteArray deviceData; // the image last known on the device; the device's size once synced
    QByteArray defaults;   // the section's default bytes
    LayoutNode schema;     // its root element size is the schema size
};

// What a device reports for one section.
struct SectionMetadata
{
    std::uint8_t id = 0;
    std::uint16_t size = 0;
    std::optional<std::uint32_t> crc;

    bool operator==(const SectionMetadata &) const = default;
};

// Which way the first transfer of a sync goes.
enum class InitialSyncDirection : int {
    ComputerToDevice = 0, // write the model to the device
    DeviceToComputer = 1, // read the device into the model
};

// Shared between the steps of one sync.
struct SyncProgressState
{
    std::uint8_t sectionIndex = 0;
    std::int32_t totalBytes = 0;
    std::int32_t doneBytes = 0;
};

// Byte counts of one section around a multi-section sync, for the model-sync table.
struct SectionSyncStats
{
    std::uint16_t modelBytesBefore = 0;
    std::uint16_t deviceSize = 0;
    std::uint16_t defaultBytes = 0;
    std::uint16_t modelBytesAfter = 0;
};
