#pragma once

#include <QList>

class AirplaneRxModel;

// The control surfaces an airplane receiver's wing and tail layout gives it, as the surface
// set-up page lists them.
namespace SurfaceLayout {

struct Surface
{
    int channel; // surface code, the channel argument of the surface's settings
    int port;    // 1-based output port that drives it, or 0 when no port does

    bool operator==(const Surface &) const = default;
};

// Every surface with a slot of its own (a mix's output is set on the mixing page), ordered by
// port; surfaces without a port come last.
[[nodiscard]] QList<Surface> surfacesOf(const AirplaneRxModel &model);

} // namespace SurfaceLayout
