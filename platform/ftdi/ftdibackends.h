#pragma once

#include "ftdiapi.h"

#include <memory>

namespace ftdi {

// The D2XX library, when it is installed; nullptr otherwise.
[[nodiscard]] std::unique_ptr<FtdiApi> loadD2xxBackend();
// libftdi1 over libusb, where the build found it; nullptr otherwise.
[[nodiscard]] std::unique_ptr<FtdiApi> createLibftdiBackend();

// The first backend that works, in the order D2XX, libftdi1, simulated (with no cables).
[[nodiscard]] std::unique_ptr<FtdiApi> chooseFtdiBackend();

} // namespace ftdi
