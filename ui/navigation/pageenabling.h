#pragma once

#include "device/devicemode.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// Which navigation rows the user may open for the state of the device link. Rows that need a
// programmable device stay open without a device, so that models can be edited offline.
class PageEnabling
{
public:
    PageEnabling(DeviceMode mode, bool hasModelClass);

    [[nodiscard]] bool deviceConnected() const { return m_deviceConnected; }
    // Whether a model class serves the connected device; true without a device.
    [[nodiscard]] bool programmable() const { return m_programmable; }

    [[nodiscard]] bool isRowEnabled(std::uint8_t flags) const;

    // "updateEnabledPages(), deviceConnected: 1, progModeEnabled: 0"
    [[nodiscard]] QString logLine() const;

private:
    bool m_deviceConnected = false;
    bool m_programmable = true;
};

// The row to select once the rows have changed: `current` while it can still be chosen,
// otherwise the first row that can, none when no row can.
[[nodiscard]] std::optional<int> rowToKeepSelected(const QList<bool> &choosable,
                                                   std::optional<int> current);
