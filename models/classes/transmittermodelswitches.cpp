#include "models/classes/transmittermodelswitches.h"

#include <QCoreApplication>

#include <array>

namespace {

struct SwitchRow
{
    TransmitterSwitchFunction function;
    int rawCode;
    const char *name;
};

// Inhibit has no code of its own: every code not listed here means "no control".
constexpr std::array<SwitchRow, kTransmitterSwitchFunctionCount> kSwitchTable{{
    {TransmitterSwitchFunction::Inhibit, 0, QT_TRANSLATE_NOOP("TransmitterModel", "Inhibit")},
    {TransmitterSwitchFunction::Bind, 82, QT_TRANSLATE_NOOP("TransmitterModel", "Bind Switch")},
    {TransmitterSwitchFunction::FlightModeSwitch, 83,
     QT_TRANSLATE_NOOP("TransmitterModel", "FM Switch")},
    {TransmitterSwitchFunction::Aux, 84, QT_TRANSLATE_NOOP("TransmitterModel", "Aux Switch")},
    {TransmitterSwitchFunction::Flap, 85, QT_TRANSLATE_NOOP("TransmitterModel", "Flap Switch")},
    {TransmitterSwitchFunction::Rate, 87, QT_TRANSLATE_NOOP("TransmitterModel", "Rate Switch")},
    {TransmitterSwitchFunction::ThrottleCut, 89,
     QT_TRANSLATE_NOOP("TransmitterModel", "Throttle Cut Switch")},
    {TransmitterSwitchFunction::WirelessBind, 93,
     QT_TRANSLATE_NOOP("TransmitterModel", "Wireless Bind Switch")},
    {TransmitterSwitchFunction::FlightMode, 145,
     QT_TRANSLATE_NOOP("TransmitterModel", "Flight Mode")},
    {TransmitterSwitchFunction::On, 107, QT_TRANSLATE_NOOP("TransmitterModel", "On")},
}};

const SwitchRow &rowOf(TransmitterSwitchFunction function)
{
    for (const SwitchRow &row : kSwitchTable) {
        if (row.function == function)
            return row;
    }
    return kSwitchTable.front();
}

} // namespace

TransmitterSwitchFunction transmitterSwitchFunction(int rawCode)
{
    for (const SwitchRow &row : kSwitchTable) {
        if (row.rawCode == rawCode && row.function != TransmitterSwitchFunction::Inhibit)
            return row.function;
    }
    return TransmitterSwitchFunction::Inhibit;
}

int transmitterSwitchRawCode(TransmitterSwitchFunction function)
{
    return rowOf(function).rawCode;
}

QString transmitterSwitchFunctionName(TransmitterSwitchFunction function)
{
    return QCoreApplication::translate("TransmitterModel", rowOf(function).name);
}
