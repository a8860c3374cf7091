#pragma once

#include "online/sitedata.h"

#include <QList>

#include <optional>

// Which of the offered updates fit a device and which one is proposed.
struct UpdateChoice
{
    // The updates whose required version range holds the device's version, in the service's
    // order; an update whose versions cannot be compared is dropped.
    QList<UpdateData> available;
    // Index in `available` of the first update with the highest version above the device's,
    // for the device's product code and within its min/max version range.
    std::optional<int> proposedIndex;
};

[[nodiscard]] UpdateChoice chooseUpdates(const QList<UpdateData> &offered,
                                         const QString &deviceVersion, int productCode);
