#pragma once

#include "app/tooltipparser.h"
#include "models/classes/dualrateexposettings.h"
#include "models/pageinfo.h"
#include "ui/navigation/page.h"
#include "ui/pages/rates/ratecurve.h"

#include <memory>

class DeviceModel;
class FlightModeSelector;
class QWidget;
struct PageContext;

// The exponential or the dual-rate page (one class, two modes): per flight mode and axis the
// value of each stick side, with a plot of the response that both settings give. It works on
// any model that has DualRateExpoSettings, and offers the rate switch when the model has one.
class DualRateExpoPage : public Page
{
    Q_OBJECT

public:
    // `settings` is the rates interface of `model` itself. A mode other than DualRate shows the
    // exponentials.
    DualRateExpoPage(PageMode mode, std::shared_ptr<DeviceModel> model,
                     DualRateExpoSettings &settings, const TooltipTable *tooltips,
                     QWidget *parent = nullptr);

    // The page of `info`, or nullptr when the context's model has no rates.
    [[nodiscard]] static Page *create(const PageInfo &info, const PageContext &context);

    [[nodiscard]] PageMode mode() const { return m_mode; }
    [[nodiscard]] int flightMode() const;

private:
    enum class Side { Positive, Negative };

    [[nodiscard]] QWidget *makeSelectors(const TooltipTable *tooltips);
    [[nodiscard]] QWidget *makeAxis(SettingOnlyChannel channel, const TooltipTable *tooltips);
    [[nodiscard]] int value(SettingOnlyChannel channel, Side side) const;
    void setValue(SettingOnlyChannel channel, Side side, int value);
    [[nodiscard]] RateCurve curveOf(SettingOnlyChannel channel) const;

    PageMode m_mode;
    std::shared_ptr<DeviceModel> m_model;
    DualRateExpoSettings &m_settings;
    FlightModeSelector *m_flightModes = nullptr;
};
