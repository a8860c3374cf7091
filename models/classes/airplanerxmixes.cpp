#include "models/classes/airplanerxmixes.h"

#include "app/log.h"

#include <QCoreApplication>

#include <algorithm>

namespace AirplaneRx {

namespace {

const QString kLogCategory = QStringLiteral("AirRxSettings");
constexpr int kMaxNumberedMixName = 1000;
// The low 6 bits of an output byte name what it carries; 0 is the throttle.
constexpr int kOutputCodeMask = 0x3F;
constexpr int kThrottleOutputCode = 0;

bool isAxisChannel(int code)
{
    return code >= kRollChannel && code <= kYawChannel;
}

} // namespace

QList<int> usedMixes(const AirplaneRxImage &image)
{
    QList<int> used;
    for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
        const int mix = image.surfaceMix(slot);
        if (mix < kMixCount && mix != kNoMix && !used.contains(mix))
            used.append(mix);
    }
    std::sort(used.begin(), used.end());
    return used;
}

AddedMix addMix(AirplaneRxImage &image, const QByteArray &defaults)
{
    const QList<int> used = usedMixes(image);
    int mix = -1;
    for (int candidate = 0; candidate < kMixCount; ++candidate) {
        if (candidate != kNoMix && !used.contains(candidate)) {
            mix = candidate;
            break;
        }
    }
    if (mix < 0)
        return {AddMixResult::NoFreeMix};

    int slot = -1;
    for (int candidate = 0; candidate < kMixSurfaceSlotLimit; ++candidate) {
        if (image.surfaceAxis(candidate) == kFreeSurfaceAxis) {
            slot = candidate;
            break;
        }
    }
    if (slot < 0)
        return {AddMixResult::NoFreeSurface};

    image.setSurfaceAxis(slot, kMixDrivenAxis);
    image.setSurfaceMix(slot, mix);
    log(kLogCategory,
        QStringLiteral("Adding mix index %1 to CP_MIX surface index %2\n").arg(mix).arg(slot));
    image.copyElementFrom(defaults, QStringLiteral("mixes"), mix);
    return {AddMixResult::Added, mix, slot};
}

bool removeMix(AirplaneRxImage &image, const QByteArray &defaults, int mix)
{
    if (!usedMixes(image).contains(mix))
        return false;

    // Output codes (the low 6 bits, as the receiver reads them) that named the mix. Mix 0 has
    // no code of its own: 0 is the throttle's.
    QList<int> freedCodes;
    if (mix != kThrottleOutputCode)
        freedCodes.append(mix);
    for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
        if (image.surfaceMix(slot) != mix)
            continue;
        image.setSurfaceMix(slot, kNoMix);
        if (image.surfaceAxis(slot) == kMixDrivenAxis) {
            image.setSurfaceAxis(slot, kFreeSurfaceAxis);
            freedCodes.append(kSurfaceOutputBase + slot);
        }
    }
    for (int output = 0; output < kOutputCount; ++output) {
        const int stored = image.output(output);
        if (stored != kUnassignedOutput && freedCodes.contains(stored & kOutputCodeMask))
            image.setOutput(output, kUnassignedOutput);
    }
    image.copyElementFrom(defaults, QStringLiteral("mixes"), mix);
    log(kLogCategory, QStringLiteral("Removing mix index %1\n").arg(mix));
    return true;
}

void setMixSlave(AirplaneRxImage &image, int mix, int slave)
{
    image.setField({{"mixes", mix}, {"mixSlave"}}, slave);
    log(kLogCategory, QStringLiteral("Setting mix index %1 slave").arg(mix));

    if (isAxisChannel(slave)) {
        for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
            if (image.surfaceMix(slot) == mix) {
                image.setSurfaceMix(slot, kNoMix);
                if (image.surfaceAxis(slot) == kMixDrivenAxis)
                    image.setSurfaceAxis(slot, kFreeSurfaceAxis);
            }
            if (surfaceAxisCodeBelongsTo(image.surfaceAxis(slot), slave))
                image.setSurfaceMix(slot, mix);
        }
        return;
    }

    bool ownsControlPath = false;
    for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
        if (image.surfaceMix(slot) != mix)
            continue;
        if (image.surfaceAxis(slot) == kMixDrivenAxis)
            ownsControlPath = true;
        else
            image.setSurfaceMix(slot, kNoMix);
    }
    if (ownsControlPath)
        return;
    for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
        if (image.surfaceAxis(slot) == kFreeSurfaceAxis) {
            log(kLogCategory, QStringLiteral("  Setting mix index %1 to CP_MIX surface index %2")
                                  .arg(mix)
                                  .arg(slot));
            image.setSurfaceAxis(slot, kMixDrivenAxis);
            image.setSurfaceMix(slot, mix);
            return;
        }
    }
}

QStringList fittedMixNames(QStringList names, const QList<int> &used)
{
    const int length = used.isEmpty() ? 0 : *std::max_element(used.begin(), used.end()) + 1;
    while (names.size() < length)
        names.append(QString());
    while (names.size() > length)
        names.removeLast();
    for (int index = 0; index < length; ++index) {
        if (!used.contains(index))
            names[index].clear();
    }
    for (int index : used) {
        if (!names.at(index).isEmpty())
            continue;
        QString name = QStringLiteral("Mix");
        for (int number = 1; number <= kMaxNumberedMixName; ++number) {
            const QString candidate =
                QCoreApplication::translate("AirplaneRxModel", "Mix %1").arg(number);
            if (!names.contains(candidate)) {
                name = candidate;
                break;
            }
        }
        names[index] = name;
    }
    return names;
}

} // namespace AirplaneRx
