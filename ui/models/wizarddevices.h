#pragma once

#include "models/modelclassinfo.h"

#include <QList>
#include <QString>

#include <memory>

class Model;

// One entry of a device choice: the variant and the text the user sees for it.
struct DeviceChoice
{
    ModelDevice device;
    QString label;
};

// Every device of every model class, in class order and device order. Variants that share a
// product name are told apart by their settings version.
[[nodiscard]] QList<DeviceChoice> deviceChoices();
// The entry of the variant in `choices`, or -1.
[[nodiscard]] int indexOfDevice(const QList<DeviceChoice> &choices, int productCode,
                                int parameterVersion);
// What a model's device is called; a variant no model class lists still gets a readable text.
[[nodiscard]] QString deviceLabel(int productCode, int parameterVersion);
// A new model of the class that serves the variant; null when no class does.
[[nodiscard]] std::shared_ptr<Model> createModelFor(const ModelDevice &device);
