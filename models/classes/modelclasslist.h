#pragma once

#include "models/modelclassinfo.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

// The model classes the program ships, in their fixed order.
[[nodiscard]] QList<const ModelClassInfo *> builtinModelClasses();

// The device catalogue's display name of a product, for the device rows of a class
// description; none when the catalogue does not list the product code.
[[nodiscard]] std::optional<QString> catalogDisplayName(int productCode);

// The description of a shipped class: every shipped class saves its models as .zrm files and
// makes them from a product code and parameter version.
template <typename ModelClass>
[[nodiscard]] ModelClassInfo describeModelClass(QString className, QList<ModelDevice> devices)
{
    ModelClassInfo info;
    info.extension = QStringLiteral("zrm");
    info.className = std::move(className);
    info.create = [](int productCode, int parameterVersion) -> std::shared_ptr<Model> {
        return std::make_shared<ModelClass>(productCode, parameterVersion);
    };
    info.devices = std::move(devices);
    return info;
}
