#include "models/presetseeds.h"

#include "app/log.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"

#include <memory>

namespace {

const QString kLogCategory = QStringLiteral("Presets");

} // namespace

const QList<ShippedPreset> &shippedPresets()
{
    // Made from code rather than kept as files, so that a preset always matches the defaults of
    // the program that installs it.
    static const QList<ShippedPreset> presets{
        {0xD9, 0xFF, QStringLiteral("Sport Plane \u2014 Receiver Defaults"),
         QStringLiteral("Factory settings of the %1. A good start for a conventional sport plane "
                        "or trainer: choose the wing and tail type, then check every servo "
                        "direction and throw on the bench before the first flight.")},
        {0xD9, 0xFE, QStringLiteral("Sport Plane \u2014 KOVA Receiver Defaults"),
         QStringLiteral("Factory settings of the %1, the receiver with flight-envelope "
                        "protection. A good start for a sport plane or trainer that should be "
                        "kept within safe bank and pitch angles: choose the wing and tail type, "
                        "then check every servo direction before the first flight.")},
        {0x83, 5, QStringLiteral("3-Axis Plane \u2014 Receiver Defaults"),
         QStringLiteral("Factory settings of the %1 with current firmware. A good start for a "
                        "3-axis stabilised airplane: set the receiver's mounting orientation, "
                        "then check that the stabilisation corrects in the right direction on "
                        "every axis before the first flight.")},
        {0x83, 4, QStringLiteral("3-Axis Plane \u2014 Earlier Firmware Defaults"),
         QStringLiteral("Factory settings of the %1 with earlier firmware. Use this one when the "
                        "receiver has not been updated yet; after an update, start from the "
                        "preset for current firmware instead.")},
        {0xEF, 1, QStringLiteral("Transmitter \u2014 New Model Defaults"),
         QStringLiteral("Factory model settings of the %1. A clean start for a new aircraft in "
                        "the transmitter: set up its channels, end points and trims from here.")},
        {0x3A, 0, QStringLiteral("Stabiliser Box \u2014 Defaults"),
         QStringLiteral("Factory settings of the %1. A good start when the box goes into a new "
                        "aircraft: set its mounting orientation and begin with the default "
                        "gains, then check the correction direction on every axis.")},
    };
    return presets;
}

void installShippedPresets(ModelLibrary &presets)
{
    // Files that do not load are not listed, and new files are numbered past them, so filling
    // a library that lists nothing never overwrites anything.
    if (!presets.fileNames().isEmpty())
        return;
    for (const ShippedPreset &preset : shippedPresets()) {
        const ModelClassInfo *modelClass =
            findModelClass(preset.productCode, preset.parameterVersion);
        const std::optional<ModelDevice> device =
            findModelDevice(preset.productCode, preset.parameterVersion);
        const std::shared_ptr<Model> model =
            modelClass ? modelClass->create(preset.productCode, preset.parameterVersion) : nullptr;
        if (!model || !device)
            continue;
        model->resetToDefaults();
        model->info().setName(preset.name);
        model->info().setNotes(preset.notes.arg(device->name));
        if (presets.addModel(model).isEmpty())
            log(kLogCategory, QStringLiteral("Could not write the preset %1").arg(preset.name));
    }
}
