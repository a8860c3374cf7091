#include "ui/pages/mixing/mixchannels.h"

#include "models/classes/airplanerximage.h"
#include "models/devicemodel.h"

#include <QCoreApplication>

namespace MixChannels {

namespace {

constexpr int kGearChannel = 19;
constexpr int kFirstAuxChannel = 20;
constexpr int kLastAuxChannel = 29;

QString tr(const char *text)
{
    return QCoreApplication::translate("MixChannels", text);
}

bool isAxis(int code)
{
    return code >= AirplaneRx::kRollChannel && code <= AirplaneRx::kYawChannel;
}

} // namespace

Items masterItems()
{
    Items items{
        {tr("None"), kNoChannel},
        {DeviceModel::surfaceName(AirplaneRx::kThrottleChannel), AirplaneRx::kThrottleChannel}};
    for (int axis = AirplaneRx::kRollChannel; axis <= AirplaneRx::kYawChannel; ++axis)
        items.append({DeviceModel::axisSurfaceName(axis), axis});
    items.append({DeviceModel::surfaceName(kGearChannel), kGearChannel});
    for (int aux = kFirstAuxChannel; aux <= kLastAuxChannel; ++aux)
        items.append({DeviceModel::surfaceName(aux), aux});
    return items;
}

Items slaveItems()
{
    Items items{{tr("Own output"), kNoChannel}};
    for (int axis = AirplaneRx::kRollChannel; axis <= AirplaneRx::kYawChannel; ++axis)
        items.append({tr("%1 surfaces").arg(DeviceModel::axisSurfaceName(axis)), axis});
    return items;
}

QString channelName(int code)
{
    return isAxis(code) ? DeviceModel::axisSurfaceName(code) : DeviceModel::surfaceName(code);
}

QString codeText(int code)
{
    const QString name = channelName(code);
    return name.isEmpty() ? tr("Code %1").arg(code) : name;
}

} // namespace MixChannels
