// TransmitterModel: aircraft and wing type over `cp`.`type` and `cp`.`subTypeA`, the channel
// count choice, and the dual rates and expo over `cp`.`drExpo`.
#include "models/classes/imagefields.h"
#include "models/classes/transmittermodel.h"

#include <QPointer>

#include <array>

namespace {

// `cp`.`type`: 0 airplane, 1 helicopter, and from 2 on the other aircraft types shifted by one.
constexpr int kStoredAirplane = 0;
constexpr int kStoredHelicopter = 1;

// `cp`.`subTypeA` of each wing type the transmitter mixes.
struct WingCode
{
    DeviceModel::WingType wingType;
    int stored;
};
constexpr std::array<WingCode, 4> kWingCodes{{
    {DeviceModel::WingTypeNormal, 0},
    {DeviceModel::WingTypeDualAileron, 1},
    {DeviceModel::WingTypeElevonA, 7},
    {DeviceModel::WingTypeElevonB, 8},
}};

// Settings whose meaning depends on the aircraft type; a new type starts them from the
// defaults.
const std::array<QString, 8> kAircraftDependentFields{
    QStringLiteral("subTypeA"), QStringLiteral("subTypeB"), QStringLiteral("subTypeC"),
    QStringLiteral("subTypeD"), QStringLiteral("trimMode"), QStringLiteral("thrTrimRev"),
    QStringLiteral("thrCurve"), QStringLiteral("pitCurve"),
};

constexpr RateRange kExpoRange{100, 0};
constexpr RateRange kDualRateRange{125, 0};

} // namespace

QList<AircraftType> TransmitterModel::aircraftTypes() const
{
    return {AircraftType::Airplane, AircraftType::Helicopter};
}

AircraftType TransmitterModel::aircraftType() const
{
    const int stored = read(cpField(QStringLiteral("type")));
    if (stored == kStoredAirplane)
        return AircraftType::Airplane;
    if (stored == kStoredHelicopter)
        return AircraftType::Helicopter;
    return AircraftType(stored - 1);
}

void TransmitterModel::setAircraftType(AircraftType type)
{
    if (type == aircraftType())
        return;
    int stored = int(type) + 1;
    if (type == AircraftType::Airplane)
        stored = kStoredAirplane;
    else if (type == AircraftType::Helicopter)
        stored = kStoredHelicopter;

    QByteArray bytes = memory().modelData(0);
    if (!writeFieldBits(bytes, cpField(QStringLiteral("type")), stored))
        return;
    // The wing or swash type, the trim mode and the curves of the former aircraft would be
    // nonsense for the new one.
    for (const QString &name : kAircraftDependentFields)
        copyField(bytes, m_defaultImage, m_cp.locate(name));
    memory().setModelData(0, std::move(bytes));
    emit settingsChanged();
    emit aircraftTypeChanged(aircraftType());
    emit wingTypeChanged(wingType());
}

int TransmitterModel::surfaceOutputCount() const
{
    return channelCount();
}

QList<DeviceModel::WingType> TransmitterModel::wingTypes() const
{
    QList<WingType> types;
    for (const WingCode &code : kWingCodes)
        types.append(code.wingType);
    return types;
}

DeviceModel::WingType TransmitterModel::wingType() const
{
    const int stored = read(cpField(QStringLiteral("subTypeA")));
    for (const WingCode &code : kWingCodes) {
        if (code.stored == stored)
            return code.wingType;
    }
    return WingTypeNormal;
}

void TransmitterModel::setWingType(WingType type)
{
    for (const WingCode &code : kWingCodes) {
        if (code.wingType != type)
            continue;
        if (write(cpField(QStringLiteral("subTypeA")), code.stored))
            emit wingTypeChanged(type);
        return;
    }
}

QList<DeviceModel::TailType> TransmitterModel::tailTypes() const
{
    return {};
}

DeviceModel::TailType TransmitterModel::tailType() const
{
    const WingType wing = wingType();
    return wing == WingTypeElevonA || wing == WingTypeElevonB ? TailTypeElevonNoRudder
                                                              : TailTypeNormal;
}

void TransmitterModel::setTailType(TailType)
{}

QList<int> TransmitterModel::wingMixDirections() const
{
    return {0, 1};
}

// The two elevon wing types are the two mixing directions of the same wing.
bool TransmitterModel::wingMixReversed() const
{
    return wingType() == WingTypeElevonB;
}

void TransmitterModel::setWingMixReversed(bool reversed)
{
    const WingType wing = wingType();
    if (wing != WingTypeElevonA && wing != WingTypeElevonB)
        return;
    const WingType wanted = reversed ? WingTypeElevonB : WingTypeElevonA;
    if (wanted != wing)
        setWingType(wanted);
}

QString TransmitterModel::transmitterWingTypeNote() const
{
    return {};
}

QString TransmitterModel::wingTailChangeNote() const
{
    return {};
}

QList<AircraftTypeExtraSelector> TransmitterModel::extraSettingSelectors()
{
    AircraftTypeExtraSelector channels;
    channels.label = tr("Transmitter Channels:");
    channels.items = QStringList{QStringLiteral("7"), QStringLiteral("9")};
    channels.currentItem = channelCount() == 9 ? 1 : 0;
    channels.choose = [model = QPointer<TransmitterModel>(this)](int index) {
        if (model && (index == 0 || index == 1))
            model->setChannelCount(index == 1 ? 9 : 7);
    };
    return {channels};
}

QString TransmitterModel::channelName(SettingOnlyChannel channel) const
{
    return axisSurfaceName(int(channel));
}

FieldLocation TransmitterModel::rateField(SettingOnlyChannel channel, const QString &name,
                                          int conditionPosition) const
{
    return locateElement(cpField(QStringLiteral("drExpo"), axisIndexOf(channel)), name,
                         conditionPosition);
}

int TransmitterModel::rateConditionID(SettingOnlyChannel channel) const
{
    return read(rateField(channel, QStringLiteral("conditionID"), 0));
}

void TransmitterModel::setRateConditionID(SettingOnlyChannel channel, int rawSwitchCode)
{
    write(rateField(channel, QStringLiteral("conditionID"), 0), rawSwitchCode);
}

int TransmitterModel::rateSwitch() const
{
    return int(transmitterSwitchFunction(rateConditionID(SettingOnlyChannel::Roll)));
}

QString TransmitterModel::rateSwitchName() const
{
    return transmitterSwitchFunctionName(TransmitterSwitchFunction(rateSwitch()));
}

int TransmitterModel::rateSwitchPosition() const
{
    return 0;
}

// One switch selects the rates of all three channels.
void TransmitterModel::setRateSwitch(int switchFunction)
{
    if (switchFunction < 0 || switchFunction >= kTransmitterSwitchFunctionCount)
        return;
    const int rawCode = transmitterSwitchRawCode(TransmitterSwitchFunction(switchFunction));
    QByteArray bytes = memory().modelData(0);
    bool stored = false;
    for (SettingOnlyChannel channel :
         {SettingOnlyChannel::Roll, SettingOnlyChannel::Pitch, SettingOnlyChannel::Yaw})
        stored |=
            writeFieldBits(bytes, rateField(channel, QStringLiteral("conditionID"), 0), rawCode);
    if (!stored)
        return;
    memory().setModelData(0, std::move(bytes));
    emit settingsChanged();
}

void TransmitterModel::setDualRatePositive(SettingOnlyChannel channel, int flightMode, int value)
{
    write(rateField(channel, QStringLiteral("dualRateHigh"), flightMode), value);
}

int TransmitterModel::dualRatePositive(SettingOnlyChannel channel, int flightMode) const
{
    return read(rateField(channel, QStringLiteral("dualRateHigh"), flightMode));
}

void TransmitterModel::setDualRateNegative(SettingOnlyChannel channel, int flightMode, int value)
{
    write(rateField(channel, QStringLiteral("dualRateLow"), flightMode), value);
}

int TransmitterModel::dualRateNegative(SettingOnlyChannel channel, int flightMode) const
{
    return read(rateField(channel, QStringLiteral("dualRateLow"), flightMode));
}

void TransmitterModel::setExpoPositive(SettingOnlyChannel channel, int flightMode, int value)
{
    write(rateField(channel, QStringLiteral("expoHigh"), flightMode), value);
}

int TransmitterModel::expoPositive(SettingOnlyChannel channel, int flightMode) const
{
    return read(rateField(channel, QStringLiteral("expoHigh"), flightMode));
}

void TransmitterModel::setExpoNegative(SettingOnlyChannel channel, int flightMode, int value)
{
    write(rateField(channel, QStringLiteral("expoLow"), flightMode), value);
}

int TransmitterModel::expoNegative(SettingOnlyChannel channel, int flightMode) const
{
    return read(rateField(channel, QStringLiteral("expoLow"), flightMode));
}

RateRange TransmitterModel::expoRange() const
{
    return kExpoRange;
}

RateRange TransmitterModel::dualRateRange() const
{
    return kDualRateRange;
}
