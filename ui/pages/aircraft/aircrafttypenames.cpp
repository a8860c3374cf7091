// AircraftTypeNames: the texts of the wing and tail types.
#include "ui/pages/aircraft/aircrafttypenames.h"

#include <QCoreApplication>

#include <array>
#include <utility>

namespace {

constexpr const char *kContext = "AircraftTypeNames";

constexpr std::array<std::pair<DeviceModel::WingType, const char *>, 11> kWingNames{{
    {DeviceModel::WingTypeNormal, QT_TRANSLATE_NOOP("AircraftTypeNames", "Normal")},
    {DeviceModel::WingTypeDualAileron, QT_TRANSLATE_NOOP("AircraftTypeNames", "Dual Aileron")},
    {DeviceModel::WingTypeFlaperon, QT_TRANSLATE_NOOP("AircraftTypeNames", "Flaperon")},
    {DeviceModel::WingTypeOneAileronOneFlap,
     QT_TRANSLATE_NOOP("AircraftTypeNames", "1 Aileron 1 Flap")},
    {DeviceModel::WingTypeOneAileronTwoFlaps,
     QT_TRANSLATE_NOOP("AircraftTypeNames", "1 Aileron 2 Flaps")},
    {DeviceModel::WingTypeTwoAileronsOneFlap,
     QT_TRANSLATE_NOOP("AircraftTypeNames", "2 Ailerons 1 Flap")},
    {DeviceModel::WingTypeTwoAileronsTwoFlaps,
     QT_TRANSLATE_NOOP("AircraftTypeNames", "2 Ailerons 2 Flaps")},
    {DeviceModel::WingTypeElevon, QT_TRANSLATE_NOOP("AircraftTypeNames", "Flying Wing (Elevons)")},
    {DeviceModel::WingTypeElevonA, QT_TRANSLATE_NOOP("AircraftTypeNames", "Elevon A")},
    {DeviceModel::WingTypeElevonB, QT_TRANSLATE_NOOP("AircraftTypeNames", "Elevon B")},
    {DeviceModel::WingTypeFourAilerons, QT_TRANSLATE_NOOP("AircraftTypeNames", "4 Ailerons")},
}};

constexpr std::array<std::pair<DeviceModel::TailType, const char *>, 9> kTailNames{{
    {DeviceModel::TailTypeNormal, QT_TRANSLATE_NOOP("AircraftTypeNames", "Normal")},
    {DeviceModel::TailTypeVTail, QT_TRANSLATE_NOOP("AircraftTypeNames", "V-Tail")},
    {DeviceModel::TailTypeDualElevator, QT_TRANSLATE_NOOP("AircraftTypeNames", "Dual Elevator")},
    {DeviceModel::TailTypeDualRudder, QT_TRANSLATE_NOOP("AircraftTypeNames", "Dual Rudder")},
    {DeviceModel::TailTypeDualRudderAndElevator,
     QT_TRANSLATE_NOOP("AircraftTypeNames", "Dual Rudder & Elevator")},
    {DeviceModel::TailTypeSailplaneWing,
     QT_TRANSLATE_NOOP("AircraftTypeNames", "Sailplane (Elevator Only)")},
    {DeviceModel::TailTypeElevonNoRudder, QT_TRANSLATE_NOOP("AircraftTypeNames", "No Rudder")},
    {DeviceModel::TailTypeElevonRudder, QT_TRANSLATE_NOOP("AircraftTypeNames", "Rudder")},
    {DeviceModel::TailTypeElevonDualRudder,
     QT_TRANSLATE_NOOP("AircraftTypeNames", "Winglet Rudders")},
}};

template <typename Type, std::size_t N>
QString lookUp(const std::array<std::pair<Type, const char *>, N> &names, Type type)
{
    for (const auto &[value, text] : names) {
        if (value == type)
            return QCoreApplication::translate(kContext, text);
    }
    return QCoreApplication::translate(kContext, "Unknown (%1)").arg(int(type));
}

} // namespace

namespace AircraftTypeNames {

QString wingTypeName(DeviceModel::WingType type)
{
    return lookUp(kWingNames, type);
}

QString tailTypeName(DeviceModel::TailType type)
{
    return lookUp(kTailNames, type);
}

QString layoutDescription(AircraftType aircraft, DeviceModel::WingType wing,
                          DeviceModel::TailType tail)
{
    const QString kind = DeviceModel::aircraftTypeName(int(aircraft));
    if (aircraft != AircraftType::Airplane)
        return kind;
    return QCoreApplication::translate(kContext, "%1, %2 wing, %3 tail")
        .arg(kind, wingTypeName(wing), tailTypeName(tail));
}

} // namespace AircraftTypeNames
