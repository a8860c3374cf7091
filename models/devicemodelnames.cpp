// Display names of surfaces, axes, aircraft types and flight modes, and scalar sizes by
// schema type code.
#include "models/devicemodel.h"

#include <QCoreApplication>

#include <array>
#include <utility>

namespace {

constexpr int kFirstAuxCode = 20;
constexpr int kLastAuxCode = 29;
constexpr int kAuxNumberOffset = 19; // code 20 is Aux 1
constexpr int kFirstMixCode = 50;
constexpr int kLastMixCode = 65;

constexpr std::array<std::pair<int, const char *>, 19> kSurfaceNames{{
    {1, QT_TRANSLATE_NOOP("DeviceModel", "Throttle")},
    {2, QT_TRANSLATE_NOOP("DeviceModel", "Aileron")},
    {3, QT_TRANSLATE_NOOP("DeviceModel", "R Aileron")},
    {4, QT_TRANSLATE_NOOP("DeviceModel", "L Aileron")},
    {5, QT_TRANSLATE_NOOP("DeviceModel", "R Aileron 1")},
    {6, QT_TRANSLATE_NOOP("DeviceModel", "R Aileron 2")},
    {7, QT_TRANSLATE_NOOP("DeviceModel", "L Aileron 1")},
    {8, QT_TRANSLATE_NOOP("DeviceModel", "L Aileron 2")},
    {9, QT_TRANSLATE_NOOP("DeviceModel", "Elevator")},
    {10, QT_TRANSLATE_NOOP("DeviceModel", "R Elevator")},
    {11, QT_TRANSLATE_NOOP("DeviceModel", "L Elevator")},
    {12, QT_TRANSLATE_NOOP("DeviceModel", "Rudder")},
    {13, QT_TRANSLATE_NOOP("DeviceModel", "R Rudder")},
    {14, QT_TRANSLATE_NOOP("DeviceModel", "L Rudder")},
    {15, QT_TRANSLATE_NOOP("DeviceModel", "Motor 1")},
    {16, QT_TRANSLATE_NOOP("DeviceModel", "Motor 2")},
    {17, QT_TRANSLATE_NOOP("DeviceModel", "Motor 3")},
    {18, QT_TRANSLATE_NOOP("DeviceModel", "Motor 4")},
    {19, QT_TRANSLATE_NOOP("DeviceModel", "Gear")},
}};

// Axis codes 45 to 47 (roll, pitch, yaw) in both namings.
constexpr std::array<std::pair<int, const char *>, 3> kAxisNames{{
    {45, QT_TRANSLATE_NOOP("DeviceModel", "Roll")},
    {46, QT_TRANSLATE_NOOP("DeviceModel", "Pitch")},
    {47, QT_TRANSLATE_NOOP("DeviceModel", "Yaw")},
}};
constexpr std::array<std::pair<int, const char *>, 3> kAxisSurfaceNames{{
    {45, QT_TRANSLATE_NOOP("DeviceModel", "Aileron")},
    {46, QT_TRANSLATE_NOOP("DeviceModel", "Elevator")},
    {47, QT_TRANSLATE_NOOP("DeviceModel", "Rudder")},
}};

constexpr std::array<std::pair<int, const char *>, 3> kAircraftTypeNames{{
    {0, QT_TRANSLATE_NOOP("DeviceModel", "Airplane")},
    {1, QT_TRANSLATE_NOOP("DeviceModel", "Quadcopter")},
    {2, QT_TRANSLATE_NOOP("DeviceModel", "Helicopter")},
}};

constexpr std::array<std::pair<int, int>, 6> kScalarTypeSizes{{
    {1, 1}, // i8
    {2, 1}, // u8
    {3, 2}, // i16
    {4, 2}, // u16
    {5, 4}, // i32
    {6, 4}, // u32
}};

template <std::size_t N>
const char *lookUp(const std::array<std::pair<int, const char *>, N> &table, int code)
{
    for (const auto &[tableCode, text] : table)
        if (tableCode == code)
            return text;
    return nullptr;
}

template <std::size_t N>
QString translated(const std::array<std::pair<int, const char *>, N> &table, int code)
{
    const char *text = lookUp(table, code);
    return text ? QCoreApplication::translate("DeviceModel", text) : QString();
}

} // namespace

QString DeviceModel::surfaceName(int code)
{
    if (code >= kFirstAuxCode && code <= kLastAuxCode)
        return QCoreApplication::translate("DeviceModel", "Aux %1").arg(code - kAuxNumberOffset);
    if (code >= kFirstMixCode && code <= kLastMixCode)
        return QStringLiteral("Mix index %1").arg(code - kFirstMixCode);
    return translated(kSurfaceNames, code);
}

QString DeviceModel::axisName(int code)
{
    return lookUp(kAxisNames, code) ? translated(kAxisNames, code) : surfaceName(code);
}

QString DeviceModel::axisSurfaceName(int code)
{
    return lookUp(kAxisSurfaceNames, code) ? translated(kAxisSurfaceNames, code)
                                           : surfaceName(code);
}

QString DeviceModel::aircraftTypeName(int aircraftType)
{
    return translated(kAircraftTypeNames, aircraftType);
}

QString DeviceModel::flightModeName(int number, bool shortForm)
{
    return (shortForm ? QStringLiteral("FM %1") : QStringLiteral("Flight Mode %1")).arg(number);
}

int DeviceModel::scalarTypeSize(int typeCode)
{
    for (const auto &[code, size] : kScalarTypeSizes)
        if (code == typeCode)
            return size;
    return 0;
}
