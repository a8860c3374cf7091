#include "ui/models/presetsbrowser.h"

#include "devicestate/devicemanager.h"
#include "models/modelclassinfo.h"
#include "models/modelinfo.h"
#include "models/modellibrary.h"

namespace presetsbrowser {

namespace {

PresetRow headingRow(const QString &text)
{
    PresetRow row;
    row.heading = true;
    row.name = text;
    return row;
}

PresetRow presetRow(const ModelInfo &info)
{
    PresetRow row;
    row.fileName = info.fileName();
    row.name = info.name();
    if (const std::optional<ModelDevice> device =
            findModelDevice(info.productCode(), info.parameterVersion()))
        row.productName = device->name;
    row.image = info.image().isNull() ? defaultModelImage() : info.image();
    row.notes = info.notes();
    return row;
}

bool isFor(const ModelInfo &info, const DeviceVariant &device)
{
    return info.productCode() == device.productCode &&
           info.parameterVersion() == device.parameterVersion;
}

} // namespace

std::optional<DeviceVariant> connectedVariant(const DeviceManager *manager)
{
    if (!manager || !manager->hasModelClass() || !manager->parameterVersion())
        return std::nullopt;
    return DeviceVariant{manager->productCode(), *manager->parameterVersion()};
}

QList<PresetRow> presetRows(const ModelLibrary &presets, const std::optional<DeviceVariant> &device,
                            bool showAll)
{
    QList<PresetRow> own;
    QList<PresetRow> others;
    for (const auto &info : presets.entries()) {
        if (!device || isFor(*info, *device))
            own.append(presetRow(*info));
        else if (showAll)
            others.append(presetRow(*info));
    }
    if (!device || !showAll)
        return own;

    QList<PresetRow> rows;
    if (!own.isEmpty()) {
        rows.append(headingRow(kThisDeviceHeading));
        rows.append(own);
    }
    if (!others.isEmpty()) {
        rows.append(headingRow(kOtherDevicesHeading));
        rows.append(others);
    }
    return rows;
}

CopyOutcome usePreset(const ModelLibrary &presets, ModelLibrary &models,
                      const QString &presetFileName)
{
    // The file, not the open preset: a copy must not take the preset object out of its library.
    const QString fileName = presets.contains(presetFileName)
                                 ? models.importModelFile(presets.filePath(presetFileName))
                                 : QString();
    if (fileName.isEmpty())
        return {{}, kCopyFailed};
    return {fileName, {}};
}

} // namespace presetsbrowser
