#pragma once

#include "devicestate/layoutnode.h"

#include <QByteArray>
#include <QJsonValue>

// The readable mirror of a section in a model file: its bytes decoded through the section's
// schema, and such JSON encoded back onto the bytes.
//
// Decoding: a structure becomes an object with one member per field (fields named "rfu" are
// left out) and ends at the first field the bytes no longer cover; an array of structures
// becomes an object keyed by element index, an array of scalars a JSON array that ends at the
// first element the bytes no longer cover; a dimension of length 1 is not represented; a
// scalar is a number, or an object of its bit groups. Every field keeps its schema offset, so
// a short section never shifts later values onto earlier bytes.
[[nodiscard]] QJsonValue decodeSection(const LayoutNode &schema, const QByteArray &bytes);

// Walks the schema the same way and writes every scalar whose JSON value is present: a
// number (fraction dropped, beyond 64 bits saturated) or a bool, stored in the low 1, 2 or 4
// bytes little-endian; for bit groups an object whose members are masked and shifted into
// place (a missing member counts as 0; bits outside every group keep their stored value). Values of
// any other JSON type, missing members and array positions past the schema's length leave the bytes
// as they were. Writing past the end of `bytes` extends it with zero bytes, at most up to the
// schema's size.
void encodeSection(const LayoutNode &schema, const QJsonValue &value, QByteArray &bytes);
