#pragma once

#include "devicestate/layoutnode.h"

#include <QString>

// Locating single settings of a section image; imagefields.h reads and writes them.

// Element `index` of the member `name` of `parent`; not found when the name is unknown or the
// index lies outside the member's elements, so a page handing in a bad index never reaches a
// neighbouring field.
[[nodiscard]] FieldLocation locateElement(const FieldLocation &parent, const QString &name,
                                          int index = 0);
