#include "online/updatechoice.h"

#include "online/versions.h"

namespace {

bool isAtLeast(const QString &version, const QString &bound)
{
    if (bound.isEmpty())
        return true;
    const VersionOrder order = compareVersions(version, bound);
    return order == VersionOrder::Equal || order == VersionOrder::Greater;
}

bool isAtMost(const QString &version, const QString &bound)
{
    if (bound.isEmpty())
        return true;
    const VersionOrder order = compareVersions(version, bound);
    return order == VersionOrder::Equal || order == VersionOrder::Less;
}

} // namespace

UpdateChoice chooseUpdates(const QList<UpdateData> &offered, const QString &deviceVersion,
                           int productCode)
{
    UpdateChoice choice;
    for (const UpdateData &update : offered) {
        if (isAtLeast(deviceVersion, update.requiredMinVersion) &&
            isAtMost(deviceVersion, update.requiredMaxVersion))
            choice.available.append(update);
    }

    // The device reports its product code wider than the service does; only the low 16 bits
    // name the product.
    const auto deviceProduct = static_cast<std::uint16_t>(productCode);
    QString best = deviceVersion;
    for (int i = 0; i < choice.available.size(); ++i) {
        const UpdateData &update = choice.available[i];
        if (update.productCode == deviceProduct &&
            compareVersions(update.version, best) == VersionOrder::Greater &&
            isAtLeast(deviceVersion, update.minVersion) &&
            isAtMost(deviceVersion, update.maxVersion)) {
            choice.proposedIndex = i;
            best = update.version;
        }
    }
    return choice;
}
