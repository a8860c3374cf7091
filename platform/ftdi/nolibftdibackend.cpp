#include "ftdibackends.h"

namespace ftdi {

// Built without libftdi1 (Windows, or where the library is missing).
std::unique_ptr<FtdiApi> createLibftdiBackend()
{
    return nullptr;
}

} // namespace ftdi
