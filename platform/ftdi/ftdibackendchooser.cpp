#include "ftdibackends.h"
#include "simulatedftdibackend.h"

namespace ftdi {

std::unique_ptr<FtdiApi> chooseFtdiBackend()
{
    if (auto d2xx = loadD2xxBackend())
        return d2xx;
    if (auto libftdi = createLibftdiBackend())
        return libftdi;
    // Nothing to reach real cables with: an empty set of simulated ones lists no device.
    return std::make_unique<SimulatedFtdiBackend>();
}

} // namespace ftdi
