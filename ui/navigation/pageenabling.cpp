// PageEnabling: the rows the device state allows.
#include "ui/navigation/pageenabling.h"

#include "models/pageinfo.h"

PageEnabling::PageEnabling(DeviceMode mode, bool hasModelClass)
    : m_deviceConnected(mode == DeviceMode::Bootloader || mode == DeviceMode::FSK)
    , m_programmable(!m_deviceConnected || hasModelClass)
{}

bool PageEnabling::isRowEnabled(std::uint8_t flags) const
{
    if ((flags & PageFlag::NeedsConnectedDevice) && !m_deviceConnected)
        return false;
    if (flags & PageFlag::NeedsProgrammableDevice)
        return m_programmable;
    return true;
}

QString PageEnabling::logLine() const
{
    return QStringLiteral("updateEnabledPages(), deviceConnected: %1, progModeEnabled: %2")
        .arg(int(m_deviceConnected))
        .arg(int(m_programmable));
}

std::optional<int> rowToKeepSelected(const QList<bool> &choosable, std::optional<int> current)
{
    if (current && *current >= 0 && *current < choosable.size() && choosable.at(*current))
        return current;
    const int first = choosable.indexOf(true);
    if (first < 0)
        return std::nullopt;
    return first;
}
