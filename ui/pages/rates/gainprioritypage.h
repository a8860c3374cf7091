#pragma once

#include "app/tooltipparser.h"
#include "models/classes/airplanerxsettings.h"
#include "ui/navigation/page.h"

#include <memory>

class AirplaneRxModel;
class FlightModeSelector;
class QGridLayout;
struct PageContext;
struct PageInfo;

// The stabiliser gains of the airplane receiver per flight mode and axis: the rate gain and
// the heading-hold gain (each with its direction), the heading-hold delay and the stick gain.
class GainPriorityPage : public Page
{
    Q_OBJECT

public:
    // The heading-hold delay is a raw byte of the receiver's; it gives it no unit.
    static constexpr int kMaximumHeadingHoldDelay = 255;

    GainPriorityPage(std::shared_ptr<AirplaneRxModel> model, const TooltipTable *tooltips,
                     QWidget *parent = nullptr);

    // The page of `info`, or nullptr when the context's model is no airplane receiver.
    [[nodiscard]] static Page *create(const PageInfo &info, const PageContext &context);

    [[nodiscard]] int flightMode() const;

private:
    // A column heading; no help indicator without a key.
    QWidget *addHeader(QGridLayout &grid, int column, int span, const QString &text,
                       const QString &helpKey, const TooltipTable *tooltips);
    void addAxisRow(QGridLayout &grid, int row, int axis);
    // The setting of `type` for the shown flight mode (1-based in the code).
    [[nodiscard]] DeviceSetting settingOf(AirplaneRx::SettingType type) const;

    std::shared_ptr<AirplaneRxModel> m_model;
    FlightModeSelector *m_flightModes = nullptr;
};
