// AirplaneRxModelSettingsRows: the receiver's settings for the settings view.
#include "models/classes/airplanerxsettingsrows.h"

#include "models/classes/airplanerxmodel.h"

#include <QCoreApplication>

#include <array>

namespace {

struct Row
{
    const char *label;
    QString (*text)(const AirplaneRxModel &model);
    int (*get)(const AirplaneRxModel &model);
    SettingsRowRange (*range)(const AirplaneRxModel &model);
    void (*set)(AirplaneRxModel &model, int value);
};

SettingsRowRange aircraftTypeRange(const AirplaneRxModel &model)
{
    SettingsRowRange range;
    for (const AircraftType type : model.aircraftTypes())
        range.choices.append({DeviceModel::aircraftTypeName(int(type)), int(type)});
    return range;
}

const std::array<Row, 2> kRows{{
    {QT_TRANSLATE_NOOP("AirplaneRxModelSettingsRows", "Aircraft Type:"),
     [](const AirplaneRxModel &model) {
         return DeviceModel::aircraftTypeName(int(model.aircraftType()));
     },
     [](const AirplaneRxModel &model) { return int(model.aircraftType()); }, aircraftTypeRange,
     [](AirplaneRxModel &model, int value) { model.setAircraftType(AircraftType(value)); }},
    {QT_TRANSLATE_NOOP("AirplaneRxModelSettingsRows", "Transmitter Channels:"),
     [](const AirplaneRxModel &model) { return QString::number(model.transmitterChannels()); },
     [](const AirplaneRxModel &model) { return model.transmitterChannels(); },
     [](const AirplaneRxModel &) {
         return SettingsRowRange{AirplaneRxModel::kMinTransmitterChannels,
                                 AirplaneRxModel::kMaxTransmitterChannels,
                                 {}};
     },
     [](AirplaneRxModel &model, int value) { model.setTransmitterChannels(value); }},
}};

[[nodiscard]] bool isRow(int row)
{
    return row >= 0 && row < int(kRows.size());
}

// A row offers a change only when there is something else to change to.
[[nodiscard]] bool hasChoice(const SettingsRowRange &range)
{
    return range.isChoice() ? range.choices.size() > 1 : range.maximum > range.minimum;
}

} // namespace

// Models are never const objects: createSettingsRows is const because asking for the rows
// changes nothing, and editable rows change the model only through its setters.
AirplaneRxModelSettingsRows::AirplaneRxModelSettingsRows(const AirplaneRxModel &model,
                                                         bool editable)
    : m_model(const_cast<AirplaneRxModel &>(model))
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
    return isRow(row) ? kRows[row].text(m_model) : QString();
}

int AirplaneRxModelSettingsRows::value(int row) const
{
    return isRow(row) ? kRows[row].get(m_model) : 0;
}

SettingsRowRange AirplaneRxModelSettingsRows::range(int row) const
{
    return isRow(row) ? kRows[row].range(m_model) : SettingsRowRange{};
}

bool AirplaneRxModelSettingsRows::isRowEditable(int row) const
{
    return m_editable && isRow(row) && hasChoice(kRows[row].range(m_model));
}

bool AirplaneRxModelSettingsRows::setValue(int row, int value)
{
    if (!isRowEditable(row) || !kRows[row].range(m_model).contains(value))
        return false;
    kRows[row].set(m_model, value);
    return true;
}
