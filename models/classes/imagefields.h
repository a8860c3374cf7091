#pragma once

#include "devicestate/layoutnode.h"

#include <QByteArray>
#include <QString>

#include <initializer_list>

// Field access on a section image through its schema, shared by the single-section model
// classes. Every access is checked against the image and the field's element count, so that a
// short image or a bad index from the editor never reaches a neighbouring field.

// One step of a path: a member name and the flattened element index within it.
struct FieldPathStep
{
    QString name;
    int index = 0;
};

// Element `index` of the member `name` of `parent`; not found when the name is unknown or the
// index lies outside the member's elements.
[[nodiscard]] FieldLocation locateElement(const FieldLocation &parent, const QString &name,
                                          int index = 0);

// The field reached from `root` by the steps, e.g. {{"surface", 3}, {"posTravel"}}; no node
// when a name is missing or an index lies outside its member's element count.
[[nodiscard]] FieldLocation locateField(const LayoutNode &root,
                                        std::initializer_list<FieldPathStep> path);

// The scalar at `location`, read little-endian with the field's width and sign; 0 when there is
// no scalar field or it lies beyond the image.
[[nodiscard]] int readField(const QByteArray &image, const FieldLocation &location);
// Stores `value`, clamped to the range of the field's type; false (image untouched) when there
// is no scalar field or it lies beyond the image.
bool writeField(QByteArray &image, const FieldLocation &location, int value);
// Stores the low bytes of `value` unclamped, for raw codes and bit patterns; false (image
// untouched) under the same conditions as writeField.
bool writeFieldBits(QByteArray &image, const FieldLocation &location, int value);

// Copies the whole located field (every element of an array), or only the located element,
// from `source`, an image of the same schema; nothing when the field was not found or either
// image is too short to hold it.
void copyField(QByteArray &image, const QByteArray &source, const FieldLocation &location);
void copyFieldElement(QByteArray &image, const QByteArray &source, const FieldLocation &location);

// Single bytes at an offset; reading outside the image gives 0, writing outside does nothing.
[[nodiscard]] int byteAt(const QByteArray &image, int offset);
void setByteAt(QByteArray &image, int offset, int value);
