#include "models/classes/gyroboxmodeltypes.h"

namespace {

constexpr int kRoll = 0;
constexpr int kPitch = 1;
constexpr int kYaw = 2;

bool isOneOf(int output, int first, int second)
{
    return output == first || output == second;
}

} // namespace

int GyroboxNormalWingType::linkedOutput(int) const
{
    return kGyroboxNoLinkedOutput;
}

bool GyroboxNormalWingType::axisAllowed(int output, int axis) const
{
    return (isOneOf(output, 0, 1) && axis == kRoll) || (isOneOf(output, 2, 3) && axis == kPitch) ||
           (isOneOf(output, 4, 5) && axis == kYaw);
}

int GyroboxFlaperonWingType::linkedOutput(int output) const
{
    // The two flaperons move together.
    if (output == 0)
        return 1;
    if (output == 1)
        return 0;
    return kGyroboxNoLinkedOutput;
}

int GyroboxElevonWingType::linkedOutput(int) const
{
    return kGyroboxNoLinkedOutput;
}

bool GyroboxElevonWingType::axisAllowed(int output, int axis) const
{
    return isOneOf(output, 0, 1) && (axis == kRoll || axis == kPitch);
}

int GyroboxNormalTailType::linkedOutput(int) const
{
    return 0;
}

bool GyroboxNormalTailType::axisAllowed(int output, int axis) const
{
    return isOneOf(output, 2, 3) && axis == kPitch;
}

int GyroboxVTailTailType::linkedOutput(int) const
{
    return kGyroboxNoLinkedOutput;
}

bool GyroboxVTailTailType::axisAllowed(int output, int axis) const
{
    return isOneOf(output, 2, 3) && axis >= kRoll && axis <= kYaw;
}

std::unique_ptr<GyroboxWingType> makeGyroboxWingType(GyroboxWing wing)
{
    switch (wing) {
    case GyroboxWing::Flaperon:
        return std::make_unique<GyroboxFlaperonWingType>();
    case GyroboxWing::Elevon:
        return std::make_unique<GyroboxElevonWingType>();
    default:
        return std::make_unique<GyroboxNormalWingType>();
    }
}

std::unique_ptr<GyroboxTailType> makeGyroboxTailType(GyroboxTail tail)
{
    if (tail == GyroboxTail::VTail)
        return std::make_unique<GyroboxVTailTailType>();
    return std::make_unique<GyroboxNormalTailType>();
}
