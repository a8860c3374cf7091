// SurfaceLayout: which surfaces the surface set-up page shows.
#include "ui/pages/aircraft/surfacelayout.h"

#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace SurfaceLayout {

namespace {

// Surface codes a wing or tail layout names its surfaces by: "Aileron" to "L Rudder".
constexpr int kFirstSurfaceCode = 2;
constexpr int kLastSurfaceCode = 14;

} // namespace

QList<Surface> surfacesOf(const AirplaneRxModel &model)
{
    using AirplaneRx::makeSetting;
    using AirplaneRx::SettingType;

    QHash<int, int> portOfChannel;
    for (int port = AirplaneRx::kOutputCount; port >= 1; --port)
        portOfChannel.insert(model.value(makeSetting(SettingType::ServoOutput, 0, port), 0), port);

    QList<Surface> surfaces;
    for (int code = kFirstSurfaceCode; code <= kLastSurfaceCode; ++code) {
        // A code has a travel field exactly when the layout gives it a surface slot.
        if (model.settingOffset(makeSetting(SettingType::PosTravel), code) >= 0)
            surfaces.append({code, portOfChannel.value(code, 0)});
    }
    std::stable_sort(surfaces.begin(), surfaces.end(), [](const Surface &a, const Surface &b) {
        const auto key = [](const Surface &s) {
            return s.port == 0 ? std::numeric_limits<int>::max() : s.port;
        };
        return key(a) < key(b);
    });
    return surfaces;
}

} // namespace SurfaceLayout
