#pragma once

#include "devicestate/layoutnode.h"

// A listing of the node's members for the log, one line per member: two blanks of indentation
// per level, the name left-justified to 29 columns minus the indentation (longer names are
// kept whole), a blank, the absolute byte offset right-justified in 4 columns. Each member's
// own members follow at level + 1. Array elements after the first are not listed.
[[nodiscard]] QString describeLayout(const LayoutNode &node, int level = 0, int32_t baseOffset = 0);
