#pragma once

#include "devicestate/targetsection.h"
#include "models/modeldiff.h"
#include "ui/sync/synccontext.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <expected>
#include <functional>

class DeviceModel;
class QObject;

// What "Use Computer Settings" would change on the device, shown before anything is written.
namespace modelsync {

inline const QString kNoDifferencesText = QStringLiteral("The device already has these settings.");
inline const QString kDifferencesModelFailedText =
    QStringLiteral("The model could not be loaded to compare it with the device.");
inline const QString kDifferencesReadFailedText =
    QStringLiteral("The settings on the device could not be read.");

struct DeviceSectionImage
{
    std::uint8_t id = 0;
    QByteArray bytes;
};

// What the device holds: its variant and the sections read from it.
struct DeviceImage
{
    int productCode = 0;
    int parameterVersion = 0;
    QList<DeviceSectionImage> sections;
};

// The sections a write of `model` would transfer, and so the ones to read for a comparison:
// for a model of several sections those of the device's table that hold bytes; for a
// single-section model its one image at the size the model knows for the device.
[[nodiscard]] QList<SectionMetadata> sectionsToCompare(const QList<SectionMetadata> &deviceTable,
                                                       const DeviceModel &model);

// The settings that writing `model` onto a device holding `device` would change, the model's
// value first and the device's second. A write sends the model's bytes up to the size of
// each device section and keeps what the device holds past the model's end, and it leaves
// sections the device does not have alone; none of that counts as a difference. A model of
// another variant than the device's is compared as it stands (the sync would convert a copy).
[[nodiscard]] QList<ModelDifference> writeDifferences(const DeviceModel &model,
                                                      const DeviceImage &device);

using DifferencesDone = std::function<void(std::expected<QList<ModelDifference>, QString>)>;

// Compares the model of `selection` (kNewModelMarker: a new model of the device's class, which
// is not added to the library) with what the device holds now, read section by section over
// the device manager's connection. Nothing is written to the device, the model or the
// library. `done` runs once on the main thread, with the text to show on failure, unless
// `owner` is gone by then.
void startDifferences(const SyncContext &context, const QString &selection, const QObject *owner,
                      DifferencesDone done);

} // namespace modelsync
