#pragma once

// The settings-layout language: nodes and locations, the parser, the alignment pass and the
// listing for the log.
#include "devicestate/layoutalign.h"
#include "devicestate/layoutdescribe.h"
#include "devicestate/layoutnode.h"
#include "devicestate/layoutparser.h"
#include "devicestate/parseexception.h"
