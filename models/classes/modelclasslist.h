#pragma once

#include "models/modelclassinfo.h"

#include <QList>

// The model classes the program ships, in their fixed order.
[[nodiscard]] QList<const ModelClassInfo *> builtinModelClasses();
