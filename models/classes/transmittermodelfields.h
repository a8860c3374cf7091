#pragma once

#include "devicestate/layoutnode.h"

#include <QByteArray>
#include <QString>

// Reading and writing single settings of a section image by their schema location.

// Element `index` of the member `name` of `parent`; not found when the name is unknown or the
// index lies outside the member's elements, so a page handing in a bad index never reaches a
// neighbouring field.
[[nodiscard]] FieldLocation locateElement(const FieldLocation &parent, const QString &name,
                                          int index = 0);

// The scalar at `field`, little-endian with its type's width and signedness; 0 when the field
// was not found, is not a scalar or lies past the end of `bytes`. U32 values above INT_MAX
// come back as their 32-bit pattern.
[[nodiscard]] int readScalarField(const QByteArray &bytes, const FieldLocation &field);

// Stores the low bytes of `value` at `field`; false (and nothing stored) when the field was not
// found, is not a scalar or lies past the end of `bytes`.
bool writeScalarField(QByteArray &bytes, const FieldLocation &field, int value);
