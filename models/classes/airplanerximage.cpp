#include "models/classes/airplanerximage.h"

namespace AirplaneRx {

int axisOfSurfaceAxisCode(int axisCode)
{
    if (axisCode >= 1 && axisCode <= 5)
        return 0;
    if (axisCode >= 6 && axisCode <= 8)
        return 1;
    if (axisCode >= 9 && axisCode <= 11)
        return 2;
    return -1;
}

bool surfaceAxisCodeBelongsTo(int axisCode, int axisChannel)
{
    const int axis = axisOfSurfaceAxisCode(axisCode);
    return axis >= 0 && axis == axisChannel - kRollChannel;
}

} // namespace AirplaneRx

int AirplaneRxImage::surfaceAxis(int slot) const
{
    return field({{"surface", slot}, {"associatedAxis"}});
}

void AirplaneRxImage::setSurfaceAxis(int slot, int axisCode)
{
    setField({{"surface", slot}, {"associatedAxis"}}, axisCode);
}

int AirplaneRxImage::surfaceMix(int slot) const
{
    return field({{"surface", slot}, {"associatedMix"}});
}

void AirplaneRxImage::setSurfaceMix(int slot, int mix)
{
    setField({{"surface", slot}, {"associatedMix"}}, mix);
}

int AirplaneRxImage::output(int index) const
{
    return field({{"servo"}, {"outputSurface2servo", index}});
}

void AirplaneRxImage::setOutput(int index, int value)
{
    setField({{"servo"}, {"outputSurface2servo", index}}, value);
}

int AirplaneRxImage::channelSlot(int channel) const
{
    return field({{"system"}, {"channel2slot", channel}});
}

void AirplaneRxImage::setChannelSlot(int channel, int slot)
{
    setField({{"system"}, {"channel2slot", channel}}, slot);
}

void AirplaneRxImage::copyFrom(const QByteArray &source, const QString &member)
{
    copyField(m_bytes, source, locate({{member}}));
}

void AirplaneRxImage::copyElementFrom(const QByteArray &source, const QString &member, int index)
{
    copyFieldElement(m_bytes, source, locate({{member, index}}));
}
