#include "ui/pages/rates/dualrateexpopage.h"

#include "models/classes/transmittermodelswitches.h"
#include "models/devicemodel.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/pages/rates/flightmodeselector.h"
#include "ui/pages/rates/pageheading.h"
#include "ui/pages/rates/ratecurveplot.h"
#include "ui/widgets/helpindicator.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr std::array kAxes{SettingOnlyChannel::Roll, SettingOnlyChannel::Pitch,
                           SettingOnlyChannel::Yaw};
const QString kPercent = QStringLiteral(" %");

// The switch functions a rate switch can sensibly have; bind and throttle-cut switches keep
// their own jobs.
constexpr std::array kRateSwitchChoices{
    TransmitterSwitchFunction::Inhibit, TransmitterSwitchFunction::FlightModeSwitch,
    TransmitterSwitchFunction::Aux,     TransmitterSwitchFunction::Flap,
    TransmitterSwitchFunction::Rate,    TransmitterSwitchFunction::FlightMode,
    TransmitterSwitchFunction::On,
};

QString axisKey(SettingOnlyChannel channel)
{
    static const std::array<QString, 3> keys{QStringLiteral("roll"), QStringLiteral("pitch"),
                                             QStringLiteral("yaw")};
    return keys[axisIndexOf(channel)];
}

void addWithHelp(QHBoxLayout &row, QWidget *control, HelpIndicator *help)
{
    row.addWidget(control);
    if (help)
        row.addWidget(help);
}

} // namespace

DualRateExpoPage::DualRateExpoPage(PageMode mode, std::shared_ptr<DeviceModel> model,
                                   DualRateExpoSettings &settings, const TooltipTable *tooltips,
                                   QWidget *parent)
    : Page(parent)
    , m_mode(mode == PageMode::DualRate ? PageMode::DualRate : PageMode::Exponential)
    , m_model(std::move(model))
    , m_settings(settings)
{
    auto *layout = new QVBoxLayout(this);
    if (m_mode == PageMode::DualRate) {
        addPageHeading(*layout, tr("Dual Rate"),
                       tr("Dual rate sets how far the surfaces move at full stick, in percent "
                          "of their travel. Lower values make the model calmer. Each side of "
                          "the stick has its own value, in every flight mode."),
                       this);
    } else {
        const QString sharper = m_settings.expoRange().minimum < 0
                                    ? tr(" Negative values make it sharper.")
                                    : QString();
        addPageHeading(*layout, tr("Exponential"),
                       tr("Exponential changes how the model answers the stick near its centre "
                          "and keeps full travel as it is. Positive values soften the centre "
                          "for smooth, precise flying.%1 Each side of the stick has its own "
                          "value, in every flight mode.")
                           .arg(sharper),
                       this);
    }
    layout->addWidget(makeSelectors(tooltips));

    auto *axes = new QHBoxLayout;
    for (SettingOnlyChannel channel : kAxes)
        axes->addWidget(makeAxis(channel, tooltips));
    layout->addLayout(axes, 1);

    auto *note = new QLabel(m_mode == PageMode::DualRate
                                ? tr("The curves also show the exponential of each side.")
                                : tr("The curves also show the dual rate of each side."),
                            this);
    QPalette muted = note->palette();
    QColor noteColour = muted.color(QPalette::WindowText);
    noteColour.setAlphaF(0.65);
    muted.setColor(QPalette::WindowText, noteColour);
    note->setPalette(muted);
    layout->addWidget(note);
    layout->addStretch();

    refreshOnSettingsChanges(*this, *m_model);
}

Page *DualRateExpoPage::create(const PageInfo &info, const PageContext &context)
{
    auto model = std::dynamic_pointer_cast<DeviceModel>(context.model);
    auto *settings = dynamic_cast<DualRateExpoSettings *>(context.model.get());
    if (!model || !settings)
        return nullptr;
    return new DualRateExpoPage(info.mode, std::move(model), *settings, context.tooltips);
}

int DualRateExpoPage::flightMode() const
{
    return m_flightModes->flightMode();
}

QWidget *DualRateExpoPage::makeSelectors(const TooltipTable *tooltips)
{
    auto *box = new QWidget(this);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);

    m_flightModes = new FlightModeSelector(
        *this,
        [this] {
            QStringList names;
            for (int mode = 0; mode < m_settings.flightModeCount(); ++mode)
                names.append(m_settings.flightModeName(mode));
            return names;
        },
        box);
    m_flightModes->setObjectName(QStringLiteral("flightModeSelector"));
    auto *flightModeLabel = new QLabel(tr("&Flight mode:"), box);
    flightModeLabel->setBuddy(m_flightModes);
    row->addWidget(flightModeLabel);
    addWithHelp(*row, m_flightModes,
                helpIndicator(tooltips, QStringLiteral("rates-flight-mode-tooltip"), box));
    row->addSpacing(fontMetrics().averageCharWidth() * 4);

    // Only models with a rate switch name one; the row hides for the others.
    QList<std::pair<QString, int>> choices;
    for (TransmitterSwitchFunction function : kRateSwitchChoices)
        choices.append({transmitterSwitchFunctionName(function), int(function)});
    auto *rateSwitch = boundComboBox(*this, choices,
                                     {[this] { return m_settings.rateSwitch(); },
                                      [this](int function) { m_settings.setRateSwitch(function); }},
                                     box);
    rateSwitch->setObjectName(QStringLiteral("rateSwitchSelector"));
    auto *rateSwitchLabel = new QLabel(tr("Rate &switch:"), box);
    rateSwitchLabel->setBuddy(rateSwitch);
    auto *position = new QLabel(box);
    position->setObjectName(QStringLiteral("rateSwitchPosition"));
    auto *rateSwitchHelp =
        helpIndicator(tooltips, QStringLiteral("rates-rate-switch-tooltip"), box);
    row->addWidget(rateSwitchLabel);
    row->addWidget(rateSwitch);
    row->addWidget(position);
    if (rateSwitchHelp)
        row->addWidget(rateSwitchHelp);
    addRefresher([this, rateSwitch, rateSwitchLabel, position, rateSwitchHelp] {
        const bool hasSwitch = !m_settings.rateSwitchName().isEmpty();
        rateSwitchLabel->setVisible(hasSwitch);
        rateSwitch->setVisible(hasSwitch);
        if (rateSwitchHelp)
            rateSwitchHelp->setVisible(hasSwitch);
        // Only a position other than the first is worth a word.
        const int switchPosition = m_settings.rateSwitchPosition();
        position->setVisible(hasSwitch && m_settings.rateSwitch() != 0 && switchPosition > 0);
        position->setText(tr("(position %1)").arg(switchPosition));
    });
    row->addStretch();
    return box;
}

QWidget *DualRateExpoPage::makeAxis(SettingOnlyChannel channel, const TooltipTable *tooltips)
{
    const QString key = axisKey(channel);
    auto *group = new QGroupBox(this);
    group->setObjectName(key + QStringLiteral("Group"));
    auto *column = new QVBoxLayout(group);

    auto *plot = new RateCurvePlot(group);
    plot->setObjectName(key + QStringLiteral("Curve"));
    plot->setOutputLimitPercent(m_settings.dualRateRange().maximum);
    column->addWidget(plot, 1);

    const RateRange range =
        m_mode == PageMode::DualRate ? m_settings.dualRateRange() : m_settings.expoRange();
    const QString helpKey = m_mode == PageMode::DualRate ? QStringLiteral("rates-dual-rate-tooltip")
                                                         : QStringLiteral("rates-expo-tooltip");
    auto *form = new QFormLayout;
    const auto addSide = [&](Side side, const QString &label, const QString &name) {
        QSpinBox *box = boundSpinBox(
            *this, range.minimum, range.maximum, kPercent,
            {[this, channel, side] { return value(channel, side); },
             [this, channel, side](int newValue) { setValue(channel, side, newValue); }},
            group);
        box->setObjectName(key + name);
        auto *cell = new QHBoxLayout;
        cell->addWidget(box);
        if (HelpIndicator *help = helpIndicator(tooltips, helpKey, group))
            cell->addWidget(help);
        cell->addStretch();
        auto *text = new QLabel(label, group);
        text->setBuddy(box);
        form->addRow(text, cell);
    };
    addSide(Side::Positive, tr("Positive side:"), QStringLiteral("Positive"));
    addSide(Side::Negative, tr("Negative side:"), QStringLiteral("Negative"));
    column->addLayout(form);

    addRefresher([this, channel, group, plot] {
        const QString name = m_settings.channelName(channel);
        group->setTitle(name);
        plot->setAccessibleName(tr("%1 response").arg(name));
        plot->setCurve(curveOf(channel));
    });
    return group;
}

int DualRateExpoPage::value(SettingOnlyChannel channel, Side side) const
{
    const int mode = flightMode();
    if (m_mode == PageMode::DualRate)
        return side == Side::Positive ? m_settings.dualRatePositive(channel, mode)
                                      : m_settings.dualRateNegative(channel, mode);
    return side == Side::Positive ? m_settings.expoPositive(channel, mode)
                                  : m_settings.expoNegative(channel, mode);
}

void DualRateExpoPage::setValue(SettingOnlyChannel channel, Side side, int value)
{
    const int mode = flightMode();
    if (m_mode == PageMode::DualRate) {
        if (side == Side::Positive)
            m_settings.setDualRatePositive(channel, mode, value);
        else
            m_settings.setDualRateNegative(channel, mode, value);
    } else if (side == Side::Positive) {
        m_settings.setExpoPositive(channel, mode, value);
    } else {
        m_settings.setExpoNegative(channel, mode, value);
    }
}

RateCurve DualRateExpoPage::curveOf(SettingOnlyChannel channel) const
{
    const int mode = flightMode();
    return {m_settings.expoPositive(channel, mode), m_settings.expoNegative(channel, mode),
            m_settings.dualRatePositive(channel, mode), m_settings.dualRateNegative(channel, mode)};
}
