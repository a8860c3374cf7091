// TransmitterModel: channels and their servos, flight modes and the positions of the switches,
// and the curve, throttle-cut, trainer, differential and flight-mode output settings the
// editing pages read and write under `model`.`cp`.
#include "app/log.h"
#include "models/classes/imagefields.h"
#include "models/classes/transmittermodel.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kThrottleChannel = 1;
constexpr int kAileronChannel = 45;
constexpr int kRudderChannel = 47;
constexpr int kFirstAuxChannel = 20;

// Servo index of the channels that do not take the aileron's servo.
struct ChannelServo
{
    int channel;
    int servoIndex;
};
constexpr std::array<ChannelServo, 8> kChannelServos{{
    {1, 0},
    {46, 2},
    {47, 3},
    {19, 4},
    {20, 5},
    {21, 6},
    {22, 7},
    {23, 8},
}};
constexpr int kAileronServoIndex = 1;

// The transmitter keeps sub-trim on a scale of ±1023 for ±250 on the screen.
constexpr int kSubTrimStoredLimit = 1023;
constexpr int kSubTrimDisplayLimit = 250;

constexpr int kShortChannelCount = 7;
constexpr int kLongChannelCount = 9;

const QString kServo = QStringLiteral("servo");
const QString kFlightMode = QStringLiteral("flightMode");

QString throttleCutFieldName(TransmitterModel::ThrottleCutField field)
{
    static const std::array<QString, 3> names{QStringLiteral("activePositions"),
                                              QStringLiteral("cutSwitchID"),
                                              QStringLiteral("percent")};
    return names.at(std::size_t(field));
}

QString trainerFieldName(TransmitterModel::TrainerField field)
{
    static const std::array<QString, 5> names{
        QStringLiteral("mixRatio"), QStringLiteral("type"), QStringLiteral("wireless"),
        QStringLiteral("conditionID"), QStringLiteral("activePositions")};
    return names.at(std::size_t(field));
}

FieldLocation differentialField(const FieldLocation &acro)
{
    return acro.locate(QStringLiteral("differential"));
}

// Integer division rounded half away from zero.
int divideRounded(int numerator, int denominator)
{
    const int half = denominator / 2;
    return (numerator + (numerator < 0 ? -half : half)) / denominator;
}

} // namespace

int TransmitterModel::channelCount() const
{
    if (m_longLayout)
        return kShortChannelCount;
    return read(modelField(QStringLiteral("channelPhasing"))) != 0 ? kLongChannelCount
                                                                   : kShortChannelCount;
}

void TransmitterModel::setChannelCount(int count)
{
    if (m_longLayout || (count != kShortChannelCount && count != kLongChannelCount) ||
        count == channelCount())
        return;
    write(modelField(QStringLiteral("channelPhasing")), count == kLongChannelCount ? 1 : 0);
}

int TransmitterModel::servoIndexOfChannel(int channel)
{
    for (const ChannelServo &row : kChannelServos) {
        if (row.channel == channel)
            return row.servoIndex;
    }
    return kAileronServoIndex;
}

QString TransmitterModel::channelDisplayName(int channel) const
{
    if (channel == kThrottleChannel || (channel >= kAileronChannel && channel <= kRudderChannel))
        return axisSurfaceName(channel);
    if (channel == kFirstAuxChannel) {
        if (aircraftType() == AircraftType::Helicopter)
            return tr("Pitch");
        if (aircraftType() == AircraftType::Airplane && wingType() == WingTypeDualAileron)
            return tr("Aileron");
    }
    return surfaceName(channel);
}

FieldLocation TransmitterModel::servoField(int channel, const QString &name) const
{
    return cpField(kServo, servoIndexOfChannel(channel)).locate(name);
}

int TransmitterModel::subTrimDisplayValue(int stored)
{
    return divideRounded(stored * kSubTrimDisplayLimit, kSubTrimStoredLimit);
}

int TransmitterModel::subTrimStoredValue(int display)
{
    // Rounding to the nearest stored step makes every display value come back unchanged.
    const int clamped = std::clamp(display, -kSubTrimDisplayLimit, kSubTrimDisplayLimit);
    return divideRounded(clamped * kSubTrimStoredLimit, kSubTrimDisplayLimit);
}

TransmitterModel::ServoSettings TransmitterModel::servoSettings(int channel) const
{
    ServoSettings settings;
    settings.reverse = read(servoField(channel, QStringLiteral("reverse"))) != 0;
    settings.source =
        transmitterSwitchFunction(read(servoField(channel, QStringLiteral("sourceID"))));
    settings.subTrim = subTrimDisplayValue(read(servoField(channel, QStringLiteral("subTrim"))));
    settings.travelLimitLow = -read(servoField(channel, QStringLiteral("travelLimitLow")));
    settings.travelLimitHigh = read(servoField(channel, QStringLiteral("travelLimitHigh")));
    return settings;
}

void TransmitterModel::setServoReverse(int channel, bool reverse)
{
    write(servoField(channel, QStringLiteral("reverse")), reverse ? 1 : 0);
}

void TransmitterModel::setServoSource(int channel, TransmitterSwitchFunction source)
{
    write(servoField(channel, QStringLiteral("sourceID")), transmitterSwitchRawCode(source));
}

void TransmitterModel::setServoSubTrim(int channel, int subTrim)
{
    write(servoField(channel, QStringLiteral("subTrim")), subTrimStoredValue(subTrim));
}

void TransmitterModel::setServoTravelLimitLow(int channel, int travelLimitLow)
{
    write(servoField(channel, QStringLiteral("travelLimitLow")), -travelLimitLow);
}

void TransmitterModel::setServoTravelLimitHigh(int channel, int travelLimitHigh)
{
    write(servoField(channel, QStringLiteral("travelLimitHigh")), travelLimitHigh);
}

TransmitterSwitchFunction TransmitterModel::flightModeSwitchFunction() const
{
    return transmitterSwitchFunction(read(cpField(kFlightMode).locate(QStringLiteral("switch_a"))));
}

bool TransmitterModel::hasHoldSwitch() const
{
    return transmitterSwitchFunction(
               read(cpField(kFlightMode).locate(QStringLiteral("switch_c")))) !=
           TransmitterSwitchFunction::Inhibit;
}

int TransmitterModel::flightModeCount() const
{
    int positions = 2;
    switch (flightModeSwitchFunction()) {
    case TransmitterSwitchFunction::Inhibit:
        positions = 0;
        break;
    case TransmitterSwitchFunction::FlightModeSwitch:
    case TransmitterSwitchFunction::Flap:
        positions = 3;
        break;
    case TransmitterSwitchFunction::On:
        positions = 1;
        break;
    case TransmitterSwitchFunction::FlightMode:
        positions = kFlightModeSwitchPositions;
        break;
    default:
        break;
    }
    const int count = std::max(positions, 1) + (hasHoldSwitch() ? 1 : 0);
    log(QStringLiteral("TransmitterModel"),
        QStringLiteral("returning %1 as the flight mode count").arg(count));
    return count;
}

QString TransmitterModel::positionName(int position, TransmitterSwitchFunction function) const
{
    if (function != TransmitterSwitchFunction::FlightMode)
        return tr("Position %1").arg(position);
    if (aircraftType() != AircraftType::Helicopter)
        return DeviceModel::flightModeName(position + 1, false);
    if (hasHoldSwitch()) {
        if (position == 0)
            return tr("Hold");
        --position;
    }
    return position == 0 ? tr("Normal") : tr("Stunt %1").arg(position);
}

QString TransmitterModel::flightModeName(int flightMode) const
{
    return positionName(flightMode, flightModeSwitchFunction());
}

int TransmitterModel::curvePoint(Curve curve, int conditionPosition, int point) const
{
    const QString name =
        curve == Curve::Throttle ? QStringLiteral("thrCurve") : QStringLiteral("pitCurve");
    return read(locateElement(cpField(name, conditionPosition), QStringLiteral("points"), point));
}

void TransmitterModel::setCurvePoint(Curve curve, int conditionPosition, int point, int value)
{
    const QString name =
        curve == Curve::Throttle ? QStringLiteral("thrCurve") : QStringLiteral("pitCurve");
    write(locateElement(cpField(name, conditionPosition), QStringLiteral("points"), point), value);
}

int TransmitterModel::throttleCut(ThrottleCutField field) const
{
    return read(cpField(QStringLiteral("thrCut")).locate(throttleCutFieldName(field)));
}

void TransmitterModel::setThrottleCut(ThrottleCutField field, int value)
{
    write(cpField(QStringLiteral("thrCut")).locate(throttleCutFieldName(field)), value);
}

int TransmitterModel::trainer(TrainerField field) const
{
    return read(cpField(QStringLiteral("trainer")).locate(trainerFieldName(field)));
}

void TransmitterModel::setTrainer(TrainerField field, int value)
{
    write(cpField(QStringLiteral("trainer")).locate(trainerFieldName(field)), value);
}

int TransmitterModel::differentialRate(int conditionPosition) const
{
    return read(locateElement(differentialField(cpField(QStringLiteral("acro"))),
                              QStringLiteral("rate"), conditionPosition));
}

void TransmitterModel::setDifferentialRate(int conditionPosition, int rate)
{
    write(locateElement(differentialField(cpField(QStringLiteral("acro"))), QStringLiteral("rate"),
                        conditionPosition),
          rate);
}

int TransmitterModel::differentialConditionID() const
{
    return read(differentialField(cpField(QStringLiteral("acro"))).locate("conditionID"));
}

void TransmitterModel::setDifferentialConditionID(int rawSwitchCode)
{
    write(differentialField(cpField(QStringLiteral("acro"))).locate("conditionID"), rawSwitchCode);
}

int TransmitterModel::flightModeOutput(int conditionPosition) const
{
    return read(
        locateElement(cpField(kFlightMode), QStringLiteral("outputTable"), conditionPosition));
}

void TransmitterModel::setFlightModeOutput(int conditionPosition, int value)
{
    write(locateElement(cpField(kFlightMode), QStringLiteral("outputTable"), conditionPosition),
          value);
}
