#pragma once

#include "devicestate/layoutnode.h"
#include "devicestate/parseexception.h"

// Blocks may nest this deep (the outermost block counts as 1). Real schemas nest a handful of
// levels; the limit keeps the recursive parser, and everything that walks the tree, far from
// the end of the stack whatever the text.
inline constexpr int32_t kMaxLayoutNestingDepth = 64;

// Parses a settings-layout text holding one field, written `name: type`; text after that
// field is ignored. Types are i8, u8, i16, u16, i32, u32 (an integer type may carry a bit-field
// list `{ name: start..end, ... }`) or a block `{ field, field, ... }` (a trailing comma is
// allowed), either followed by any number of array dimensions `[n]`.
//
// Throws ParseException with the position (UTF-16 index into `text`) where the error was
// found. Besides the syntax errors, these limits keep every offset within 32 bits:
//   "Blocks nested more than 64 deep"             at the `{` that opens level 65;
//   "Array element count does not fit 32 bits"     at the dimension that makes the product of
//                                                  the dimensions exceed kMaxLayoutSize;
//   "Field size does not fit 32 bits"              at the dimension that makes element size ×
//                                                  count exceed kMaxLayoutSize;
//   "Block size does not fit 32 bits"              at the member that makes the sum of the
//                                                  members' sizes exceed kMaxLayoutSize.
// Dimensions are checked as they are read, so [2147483647][2][0] fails although its product
// is 0.
[[nodiscard]] LayoutNode parseLayout(const QString &text);
