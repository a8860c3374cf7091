#pragma once

#include "devicestate/layoutnode.h"

// The layout with alignment padding: every member of a block starts at a multiple of its own
// alignment, a U8 array called "_padding" filling each gap, and a block used as an array gets
// tail padding up to its alignment so that its elements stay aligned. A block that is not an
// array keeps its odd size. Nested blocks are aligned first. Anything but a block comes back
// unchanged.
//
// Padding can make a layout larger than kMaxLayoutSize although its packed form fits; that
// throws ParseException (without a text position) naming the field that outgrew the limit.
[[nodiscard]] LayoutNode alignLayout(const LayoutNode &node);
