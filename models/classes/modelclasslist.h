#pragma once

#include "models/modelclassinfo.h"

#include <QList>
#include <QString>

#include <optional>

// The model classes the program ships, in their fixed order.
[[nodiscard]] QList<const ModelClassInfo *> builtinModelClasses();

// The device catalogue's display name of a product, for the device rows of a class
// description; none when the catalogue does not list the product code.
[[nodiscard]] std::optional<QString> catalogDisplayName(int productCode);
