#include "models/classes/airplanerxaircrafttype.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <array>

namespace AirplaneRx {

namespace {

using WT = DeviceModel::WingType;
using TT = DeviceModel::TailType;
constexpr int F = kFirstFreeOutput;
constexpr int O = kOwnSurface;

constexpr SurfaceEntry kFourAilerons[] = {{1, O, 2, 5}, {5, O, 4, 7}, {F, O, 3, 6}, {F, O, 5, 8}};
constexpr SurfaceEntry kTwoAileronsTwoFlaps[] = {
    {1, O, 2, 3}, {5, O, 4, 4}, {F, 2, 0, 0}, {F, 3, 0, 0}};
constexpr SurfaceEntry kOneAileronTwoFlaps[] = {{1, O, 1, 2}, {5, 2, 0, 0}, {F, 3, 0, 0}};
constexpr SurfaceEntry kTwoAileronsOneFlap[] = {{1, O, 2, 3}, {5, O, 4, 4}, {F, 2, 0, 0}};
constexpr SurfaceEntry kDualAileron[] = {{1, O, 2, 3}, {5, O, 4, 4}};
constexpr SurfaceEntry kFlaperon[] = {{1, O, 20, 3}, {5, O, 23, 4}};
constexpr SurfaceEntry kOneAileronOneFlap[] = {{1, O, 1, 2}, {5, 2, 0, 0}};
constexpr SurfaceEntry kElevon1[] = {{1, O, 14, 3}, {2, O, 13, 4}};
constexpr SurfaceEntry kElevon2[] = {{1, O, 12, 3}, {2, O, 15, 4}};
constexpr SurfaceEntry kElevon3[] = {{1, O, 14, 3}, {2, O, 15, 4}};
constexpr SurfaceEntry kElevon4[] = {{1, O, 12, 3}, {2, O, 13, 4}};
constexpr SurfaceEntry kNormalWing[] = {{1, O, 1, 2}};

constexpr std::array<SurfaceRow, 12> kWingRows{{
    {DeviceModel::WingTypeFourAilerons, kFourAilerons},
    {DeviceModel::WingTypeTwoAileronsTwoFlaps, kTwoAileronsTwoFlaps},
    {DeviceModel::WingTypeOneAileronTwoFlaps, kOneAileronTwoFlaps},
    {DeviceModel::WingTypeTwoAileronsOneFlap, kTwoAileronsOneFlap},
    {DeviceModel::WingTypeDualAileron, kDualAileron},
    {DeviceModel::WingTypeFlaperon, kFlaperon},
    {DeviceModel::WingTypeOneAileronOneFlap, kOneAileronOneFlap},
    {DeviceModel::WingTypeElevon, kElevon1},
    {DeviceModel::WingTypeElevon, kElevon2},
    {DeviceModel::WingTypeElevon, kElevon3},
    {DeviceModel::WingTypeElevon, kElevon4},
    {DeviceModel::WingTypeNormal, kNormalWing},
}};

constexpr SurfaceEntry kDualRudderAndElevator[] = {
    {2, O, 7, 10}, {3, O, 10, 13}, {F, O, 8, 11}, {F, O, 11, 14}};
constexpr SurfaceEntry kDualElevator[] = {{2, O, 7, 10}, {3, O, 9, 12}, {F, O, 8, 11}};
constexpr SurfaceEntry kDualRudder[] = {{2, O, 6, 9}, {3, O, 10, 13}, {F, O, 11, 14}};
constexpr SurfaceEntry kNormalTail[] = {{2, O, 6, 9}, {3, O, 9, 12}};
constexpr SurfaceEntry kVTail1[] = {{2, O, 26, 13}, {3, O, 25, 14}};
constexpr SurfaceEntry kVTail2[] = {{2, O, 24, 13}, {3, O, 27, 14}};
constexpr SurfaceEntry kVTail3[] = {{2, O, 26, 13}, {3, O, 27, 14}};
constexpr SurfaceEntry kVTail4[] = {{2, O, 24, 13}, {3, O, 25, 14}};
constexpr SurfaceEntry kElevonDualRudder[] = {{3, O, 10, 13}, {F, O, 11, 14}};
constexpr SurfaceEntry kElevonRudder[] = {{3, O, 9, 12}};
constexpr SurfaceEntry kSailplaneWing[] = {{2, O, 6, 9}};

constexpr std::array<SurfaceRow, 11> kTailRows{{
    {DeviceModel::TailTypeDualRudderAndElevator, kDualRudderAndElevator},
    {DeviceModel::TailTypeDualElevator, kDualElevator},
    {DeviceModel::TailTypeDualRudder, kDualRudder},
    {DeviceModel::TailTypeNormal, kNormalTail},
    {DeviceModel::TailTypeVTail, kVTail1},
    {DeviceModel::TailTypeVTail, kVTail2},
    {DeviceModel::TailTypeVTail, kVTail3},
    {DeviceModel::TailTypeVTail, kVTail4},
    {DeviceModel::TailTypeElevonDualRudder, kElevonDualRudder},
    {DeviceModel::TailTypeElevonRudder, kElevonRudder},
    {DeviceModel::TailTypeSailplaneWing, kSailplaneWing},
}};

std::span<const SurfaceEntry> firstRowOf(std::span<const SurfaceRow> rows, int type)
{
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [type](const SurfaceRow &r) { return r.type == type; });
    return row == rows.end() ? std::span<const SurfaceEntry>{} : row->entries;
}

// Outputs each wing and tail type needs, for the choice of tail types.
int wingOutputCount(int wing)
{
    switch (wing) {
    case DeviceModel::WingTypeNormal:
        return 1;
    case DeviceModel::WingTypeDualAileron:
    case DeviceModel::WingTypeFlaperon:
    case DeviceModel::WingTypeOneAileronOneFlap:
    case DeviceModel::WingTypeElevon:
        return 2;
    case DeviceModel::WingTypeOneAileronTwoFlaps:
    case DeviceModel::WingTypeTwoAileronsOneFlap:
        return 3;
    case DeviceModel::WingTypeTwoAileronsTwoFlaps:
    case DeviceModel::WingTypeFourAilerons:
        return 4;
    default:
        return 0;
    }
}

int tailOutputCount(int tail)
{
    switch (tail) {
    case DeviceModel::TailTypeNormal:
    case DeviceModel::TailTypeVTail:
        return 2;
    case DeviceModel::TailTypeDualElevator:
    case DeviceModel::TailTypeDualRudder:
        return 3;
    case DeviceModel::TailTypeDualRudderAndElevator:
        return 4;
    default:
        return 0;
    }
}

// The recognised wing and tail rows' entries, wing first.
QList<SurfaceEntry> recognisedEntries(const AirplaneRxImage &image)
{
    QList<SurfaceEntry> entries;
    for (auto rows : {wingRows(), tailRows()}) {
        const int row = recogniseRow(rows, image);
        if (row >= 0)
            entries.append(QList<SurfaceEntry>(rows[row].entries.begin(), rows[row].entries.end()));
    }
    return entries;
}

} // namespace

std::span<const SurfaceRow> wingRows()
{
    return kWingRows;
}

std::span<const SurfaceRow> tailRows()
{
    return kTailRows;
}

int recogniseRow(std::span<const SurfaceRow> rows, const AirplaneRxImage &image)
{
    QSet<int> surfaceAxes;
    for (int slot = 0; slot < kSurfaceSlotCount; ++slot) {
        const int axis = image.surfaceAxis(slot);
        if (axis != kFreeSurfaceAxis)
            surfaceAxes.insert(axis);
    }
    QSet<int> assignedOutputs;
    for (int output = 0; output < kOutputCount; ++output) {
        const int value = image.output(output);
        if (value & kAssignedBit)
            assignedOutputs.insert(value);
    }
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const bool matches = std::all_of(
            rows[row].entries.begin(), rows[row].entries.end(), [&](const SurfaceEntry &entry) {
                return entry.mix == kOwnSurface
                           ? surfaceAxes.contains(entry.axis)
                           : assignedOutputs.contains(entry.mix | kAssignedBit);
            });
        if (matches)
            return int(row);
    }
    return -1;
}

DeviceModel::WingType recogniseWingType(const AirplaneRxImage &image)
{
    const int row = recogniseRow(wingRows(), image);
    return row < 0 ? DeviceModel::WingTypeNormal : DeviceModel::WingType(wingRows()[row].type);
}

DeviceModel::TailType recogniseTailType(const AirplaneRxImage &image)
{
    const int row = recogniseRow(tailRows(), image);
    if (row < 0) {
        // A flying wing without a rudder has no tail surface to recognise; name it as the
        // tail types offered for it do.
        return recogniseWingType(image) == DeviceModel::WingTypeElevon
                   ? DeviceModel::TailTypeElevonNoRudder
                   : DeviceModel::TailTypeNormal;
    }
    const auto tail = DeviceModel::TailType(tailRows()[row].type);
    // The sailplane tail shares its one surface with the normal tail; the freed stick channel
    // is what tells them apart.
    if (tail == DeviceModel::TailTypeSailplaneWing &&
        image.channelSlot(kSailplaneChannel) != kSailplaneChannelSlot)
        return DeviceModel::TailTypeNormal;
    return tail;
}

void applyWingAndTail(AirplaneRxImage &image, const QByteArray &defaults,
                      DeviceModel::WingType wing, DeviceModel::TailType tail)
{
    QList<SurfaceEntry> entries;
    for (const SurfaceEntry &entry : firstRowOf(wingRows(), wing))
        entries.append(entry);
    for (const SurfaceEntry &entry : firstRowOf(tailRows(), tail))
        entries.append(entry);

    image.copyFrom(defaults, QStringLiteral("surface"));
    image.copyFrom(defaults, QStringLiteral("mixes"));
    image.setOutput(0, kThrottleOutput);
    for (int output = 1; output < kOutputCount; ++output)
        image.setOutput(output, kUnassignedOutput);

    std::stable_sort(
        entries.begin(), entries.end(),
        [](const SurfaceEntry &a, const SurfaceEntry &b) { return a.output < b.output; });

    // Entries with a fixed output are placed after those that take a free one (the sort puts
    // -1 first), so the free ones must not take an output a fixed entry will claim.
    QSet<int> claimedOutputs;
    for (const SurfaceEntry &entry : entries) {
        if (entry.output != kFirstFreeOutput)
            claimedOutputs.insert(entry.output);
    }

    int slot = 0;
    for (const SurfaceEntry &entry : entries) {
        int output = entry.output;
        if (output == kFirstFreeOutput) {
            output = 0;
            for (int candidate = 0; candidate < kOutputCount; ++candidate) {
                if (image.output(candidate) == kUnassignedOutput &&
                    !claimedOutputs.contains(candidate)) {
                    output = candidate;
                    break;
                }
            }
        }
        if (entry.mix == kOwnSurface) {
            if (slot >= kSurfaceSlotCount)
                continue;
            image.setOutput(output, (slot + kSurfaceOutputBase) | kAssignedBit);
            image.setSurfaceAxis(slot, entry.axis);
            ++slot;
        } else {
            image.setOutput(output, entry.mix | kAssignedBit);
        }
    }
    for (; slot < kSurfaceSlotCount; ++slot)
        image.setSurfaceAxis(slot, kFreeSurfaceAxis);

    image.setChannelSlot(kSailplaneChannel, tail == DeviceModel::TailTypeSailplaneWing
                                                ? kSailplaneChannelSlot
                                                : kOrdinaryChannelSlot);
}

int surfaceCodeOfAxisCode(const AirplaneRxImage &image, int axisCode)
{
    for (const SurfaceEntry &entry : recognisedEntries(image)) {
        if (entry.mix == kOwnSurface && entry.axis == axisCode)
            return entry.surface;
    }
    return 0;
}

QList<int> axisCodesOfSurface(const AirplaneRxImage &image, int surface)
{
    QList<int> axisCodes;
    for (const SurfaceEntry &entry : recognisedEntries(image)) {
        if (entry.mix == kOwnSurface && entry.surface == surface)
            axisCodes.append(entry.axis);
    }
    return axisCodes;
}

int surfaceOutputCountFor(int productCode)
{
    switch (productCode) {
    case 0xD9:
    case 0xDA:
        return 5;
    case 0xEE:
        return 6;
    default:
        return 8;
    }
}

QList<DeviceModel::WingType> wingTypesFor(int parameterVersion)
{
    if (parameterVersion == 0xFE)
        return {DeviceModel::WingTypeNormal, DeviceModel::WingTypeDualAileron};
    return {DeviceModel::WingTypeNormal,
            DeviceModel::WingTypeDualAileron,
            DeviceModel::WingTypeFlaperon,
            DeviceModel::WingTypeOneAileronOneFlap,
            DeviceModel::WingTypeOneAileronTwoFlaps,
            DeviceModel::WingTypeTwoAileronsOneFlap,
            DeviceModel::WingTypeTwoAileronsTwoFlaps,
            DeviceModel::WingTypeElevon,
            DeviceModel::WingTypeFourAilerons};
}

QList<DeviceModel::TailType> tailTypesFor(int parameterVersion, DeviceModel::WingType wing,
                                          int surfaceOutputCount)
{
    if (parameterVersion == 0xFE)
        return {DeviceModel::TailTypeNormal};
    if (wing == DeviceModel::WingTypeElevon)
        return {DeviceModel::TailTypeElevonNoRudder, DeviceModel::TailTypeElevonRudder,
                DeviceModel::TailTypeElevonDualRudder};
    QList<DeviceModel::TailType> tails;
    for (int tail = DeviceModel::TailTypeNormal; tail <= DeviceModel::TailTypeSailplaneWing;
         ++tail) {
        if (surfaceOutputCount >= wingOutputCount(wing) + tailOutputCount(tail))
            tails.append(DeviceModel::TailType(tail));
    }
    return tails;
}

QString transmitterWingTypeNote(DeviceModel::WingType wing)
{
    switch (wing) {
    case DeviceModel::WingTypeFlaperon:
    case DeviceModel::WingTypeOneAileronOneFlap:
    case DeviceModel::WingTypeTwoAileronsOneFlap:
        return QCoreApplication::translate(
            "AirplaneRxModel", "Please set the wing type on your transmitter to 1 Aileron 1 Flap.");
    case DeviceModel::WingTypeOneAileronTwoFlaps:
    case DeviceModel::WingTypeTwoAileronsTwoFlaps:
        return QCoreApplication::translate(
            "AirplaneRxModel", "Please set the wing type on your transmitter to 1 Aileron 2 Flap.");
    default:
        return QCoreApplication::translate(
            "AirplaneRxModel", "Please set the wing type on your transmitter to Normal.");
    }
}

} // namespace AirplaneRx
