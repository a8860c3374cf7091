#pragma once

#include "device/deviceconnectionerror.h"

#include <expected>

// The result of a resumable device routine: the value, or the code of what went wrong.
template <typename T> using Expected = std::expected<T, DeviceConnectionError>;

using Unexpected = std::unexpected<DeviceConnectionError>;
