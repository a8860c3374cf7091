// AirplaneRxModelSettingsRows: the receiver's settings for the settings view.
#include "models/classes/airplanerxsettingsrows.h"

#include "models/classes/airplanerxmodel.h"

#include <QCoreApplication>

#include <array>

namespace {

struct Row
{
    const char *label;
    QString (*value)(const AirplaneRxModel &model);
};

const std::array<Row, 2> kRows{{
    {QT_TRANSLATE_NOOP("AirplaneRxModelSettingsRows", "Aircraft Type:"),
     [](const AirplaneRxModel &model) {
         return DeviceModel::aircraftTypeName(int(model.aircraftType()));
     }},
    {QT_TRANSLATE_NOOP("AirplaneRxModelSettingsRows", "Transmitter Channels:"),
     [](const AirplaneRxModel &model) { return QString::number(model.transmitterChannels()); }},
}};

[[nodiscard]] bool isRow(int row)
{
    return row >= 0 && row < int(kRows.size());
}

} // namespace

AirplaneRxModelSettingsRows::AirplaneRxModelSettingsRows(const AirplaneRxModel &model,
                                                         bool editable)
    : m_model(model)
    , m_editable(editable)
{}

int AirplaneRxModelSettingsRows::rowCount() const
{
    return int(kRows.size());
}

QString AirplaneRxModelSettingsRows::label(int row) const
{
    return isRow(row) ? QCoreApplication::translate("AirplaneRxModelSettingsRows", kRows[row].label)
                      : QString();
}

QString AirplaneRxModelSettingsRows::valueText(int row) const
{
    return isRow(row) ? kRows[row].value(m_model) : QString();
}
