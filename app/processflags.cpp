#include "app/processflags.h"

namespace processflags {

namespace {

bool g_devicePinging = true;
bool g_leaveCablePowered = false;

} // namespace

bool devicePingingEnabled()
{
    return g_devicePinging;
}

void setDevicePingingEnabled(bool enabled)
{
    g_devicePinging = enabled;
}

bool leaveCablePoweredAfterExit()
{
    return g_leaveCablePowered;
}

void setLeaveCablePoweredAfterExit(bool enabled)
{
    g_leaveCablePowered = enabled;
}

} // namespace processflags
