#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <optional>

class DeviceManager;
class ModelLibrary;

// What the presets dialog offers and does, without the widgets: which presets the list shows
// for the connected device, and the copy of one into the models library.
namespace presetsbrowser {

inline const QString kErrorTitle = QStringLiteral("Error");
inline const QString kCopyFailed = QStringLiteral("There was a problem copying the preset.");
inline const QString kThisDeviceHeading = QStringLiteral("This Device");
inline const QString kOtherDevicesHeading = QStringLiteral("Other Devices");

// The connected device as far as presets care.
struct DeviceVariant
{
    int productCode = 0;
    int parameterVersion = 0;
};

// The connected device's variant; none without a device or when no model class serves it,
// since then no preset can be meant for it.
[[nodiscard]] std::optional<DeviceVariant> connectedVariant(const DeviceManager *manager);

struct PresetRow
{
    // A heading row only carries its text in `name`.
    bool heading = false;
    QString fileName;
    QString name;
    QString productName; // the display name of the preset's device variant
    QImage image;
    QString notes;
};

// The rows of the list. Without a device: every preset in library order. With a device: only
// the presets made for its product code and parameter version, or, with `showAll`, those
// under kThisDeviceHeading followed by the rest under kOtherDevicesHeading (a group without
// presets is left out). A preset of another variant would need an upgrade the device's model
// class may not offer, so only the exact variant counts as the device's own.
[[nodiscard]] QList<PresetRow> presetRows(const ModelLibrary &presets,
                                          const std::optional<DeviceVariant> &device, bool showAll);

struct CopyOutcome
{
    QString fileName;  // the new model's file in the models library
    QString errorText; // empty on success

    [[nodiscard]] bool ok() const { return errorText.isEmpty(); }
};

// Copies the preset into `models` under its name, made unique there. The preset library is
// not changed.
[[nodiscard]] CopyOutcome usePreset(const ModelLibrary &presets, ModelLibrary &models,
                                    const QString &presetFileName);

} // namespace presetsbrowser
