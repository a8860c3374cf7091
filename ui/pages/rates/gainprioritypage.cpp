#include "ui/pages/rates/gainprioritypage.h"

#include "models/classes/airplanerxmodel.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/pages/rates/flightmodeselector.h"
#include "ui/pages/rates/pageheading.h"
#include "ui/widgets/helpindicator.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

using AirplaneRx::SettingType;

namespace {

constexpr int kAxisCount = 3;
constexpr int kRollChannel = int(SettingOnlyChannel::Roll);
constexpr int kMinimumGainPercent = 0;
constexpr int kMaximumGainPercent = 100;
const QString kPercent = QStringLiteral(" %");

// Columns of the gain grid.
enum Column {
    AxisColumn,
    RateColumn,
    RateReverseColumn,
    HeadingColumn,
    HeadingReverseColumn,
    HeadingDelayColumn,
    StickColumn,
    ColumnCount
};

const std::array<QString, kAxisCount> kAxisKeys{QStringLiteral("roll"), QStringLiteral("pitch"),
                                                QStringLiteral("yaw")};

QString headingHoldDelayHelp()
{
    return GainPriorityPage::tr(
               "How long the receiver waits, after you let go of the stick, before it holds the "
               "heading again. 0 to %1, in the receiver's own steps: higher waits longer.")
        .arg(GainPriorityPage::kMaximumHeadingHoldDelay);
}

} // namespace

GainPriorityPage::GainPriorityPage(std::shared_ptr<AirplaneRxModel> model,
                                   const TooltipTable *tooltips, QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
{
    auto *layout = new QVBoxLayout(this);
    addPageHeading(*layout, tr("Gain & Priority"),
                   tr("How hard the stabiliser works against disturbances in each flight "
                      "mode, and how much your stick takes over from it. Start with the "
                      "defaults and raise a gain step by step until the axis begins to "
                      "oscillate, then back off a little."),
                   this);

    auto *selectorRow = new QHBoxLayout;
    m_flightModes = new FlightModeSelector(
        *this,
        [this] {
            QStringList names;
            for (int mode = 0; mode < m_model->flightModeCount(); ++mode)
                names.append(m_model->flightModeName(mode));
            return names;
        },
        this);
    m_flightModes->setObjectName(QStringLiteral("flightModeSelector"));
    auto *flightModeLabel = new QLabel(tr("&Flight mode:"), this);
    flightModeLabel->setBuddy(m_flightModes);
    selectorRow->addWidget(flightModeLabel);
    selectorRow->addWidget(m_flightModes);
    if (HelpIndicator *help =
            helpIndicator(tooltips, QStringLiteral("rates-flight-mode-tooltip"), this))
        selectorRow->addWidget(help);
    selectorRow->addStretch();
    layout->addLayout(selectorRow);

    auto *group = new QGroupBox(tr("Gains"), this);
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(fontMetrics().averageCharWidth() * 2);
    addHeader(*grid, RateColumn, 2, tr("Rate gain"), QStringLiteral("gain-rate-tooltip"), tooltips);
    addHeader(*grid, HeadingColumn, 2, tr("Heading hold gain"),
              QStringLiteral("gain-heading-tooltip"), tooltips);
    QWidget *delayHeader = addHeader(*grid, HeadingDelayColumn, 1, tr("Heading hold delay"),
                                     QStringLiteral("gain-heading-delay-tooltip"), tooltips);
    // The wizard's pages have no help indicators; the heading still explains itself there.
    delayHeader->setToolTip(headingHoldDelayHelp());
    addHeader(*grid, StickColumn, 1, tr("Stick gain"), QStringLiteral("gain-stick-tooltip"),
              tooltips);
    for (int axis = 0; axis < kAxisCount; ++axis)
        addAxisRow(*grid, axis + 1, axis);
    grid->setColumnStretch(ColumnCount, 1);
    layout->addWidget(group);

    auto *reverseRow = new QHBoxLayout;
    auto *reverseNote =
        new QLabel(tr("Reversed turns the stabiliser's correction round: check afterwards that "
                      "each surface moves against a disturbance."),
                   this);
    reverseNote->setWordWrap(true);
    // The indicator goes first: a wrapped text would push it away from its words.
    if (HelpIndicator *help = helpIndicator(tooltips, QStringLiteral("gain-reverse-tooltip"), this))
        reverseRow->addWidget(help, 0, Qt::AlignTop);
    reverseRow->addWidget(reverseNote, 1);
    layout->addLayout(reverseRow);
    layout->addStretch();

    refreshOnSettingsChanges(*this, *m_model);
}

Page *GainPriorityPage::create(const PageInfo &, const PageContext &context)
{
    auto model = std::dynamic_pointer_cast<AirplaneRxModel>(context.model);
    return model ? new GainPriorityPage(std::move(model), context.tooltips) : nullptr;
}

int GainPriorityPage::flightMode() const
{
    return m_flightModes->flightMode();
}

DeviceSetting GainPriorityPage::settingOf(SettingType type) const
{
    return AirplaneRx::makeSetting(type, flightMode() + 1);
}

QWidget *GainPriorityPage::addHeader(QGridLayout &grid, int column, int span, const QString &text,
                                     const QString &helpKey, const TooltipTable *tooltips)
{
    auto *header = new QWidget(grid.parentWidget());
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("<b>%1</b>").arg(text.toHtmlEscaped()), header);
    row->addWidget(label);
    if (!helpKey.isEmpty()) {
        if (HelpIndicator *help = helpIndicator(tooltips, helpKey, header))
            row->addWidget(help);
    }
    row->addStretch();
    grid.addWidget(header, 0, column, 1, span);
    return header;
}

void GainPriorityPage::addAxisRow(QGridLayout &grid, int row, int axis)
{
    QWidget *parent = grid.parentWidget();
    const int channel = kRollChannel + axis;
    const QString key = kAxisKeys[axis];
    auto *name = new QLabel(DeviceModel::axisName(channel), parent);
    name->setObjectName(key + QStringLiteral("Name"));
    grid.addWidget(name, row, AxisColumn);

    const QString axisName = DeviceModel::axisName(channel);
    const auto percentBox = [&](SettingType type, int column, const QString &objectName,
                                const QString &accessibleName) {
        QSpinBox *box = boundSpinBox(
            *this, kMinimumGainPercent, kMaximumGainPercent, kPercent,
            {[this, type, channel] { return m_model->value(settingOf(type), channel); },
             [this, type, channel](int value) {
                 m_model->setValue(settingOf(type), channel, value);
             }},
            parent);
        box->setObjectName(key + objectName);
        box->setAccessibleName(accessibleName);
        grid.addWidget(box, row, column);
        return box;
    };
    // The receiver keeps a direction flag that reads 1 for the normal direction.
    const auto reverseBox = [&](SettingType type, int column, const QString &objectName,
                                const QString &accessibleName) {
        QCheckBox *box = boundCheckBox(
            *this, tr("Reversed"),
            {[this, type, channel] { return m_model->value(settingOf(type), channel) == 0; },
             [this, type, channel](bool reversed) {
                 m_model->setValue(settingOf(type), channel, reversed ? 0 : 1);
             }},
            parent);
        box->setObjectName(key + objectName);
        box->setAccessibleName(accessibleName);
        grid.addWidget(box, row, column);
    };

    QSpinBox *rate = percentBox(SettingType::RateGain, RateColumn, QStringLiteral("RateGain"),
                                tr("%1 rate gain").arg(axisName));
    reverseBox(SettingType::RateGainNormal, RateReverseColumn, QStringLiteral("RateReversed"),
               tr("%1 rate gain reversed").arg(axisName));
    percentBox(SettingType::HeadingGain, HeadingColumn, QStringLiteral("HeadingGain"),
               tr("%1 heading hold gain").arg(axisName));
    reverseBox(SettingType::HeadingGainNormal, HeadingReverseColumn,
               QStringLiteral("HeadingReversed"),
               tr("%1 heading hold gain reversed").arg(axisName));
    QSpinBox *delay = boundSpinBox(
        *this, 0, kMaximumHeadingHoldDelay, QString(),
        {[this, channel] {
             return m_model->value(settingOf(SettingType::HeadingHoldDelay), channel);
         },
         [this, channel](int value) {
             m_model->setValue(settingOf(SettingType::HeadingHoldDelay), channel, value);
         }},
        parent);
    delay->setObjectName(key + QStringLiteral("HeadingHoldDelay"));
    delay->setAccessibleName(tr("%1 heading hold delay").arg(axisName));
    delay->setToolTip(headingHoldDelayHelp());
    // Under the left of its heading, as the gains are, not stretched to the heading's width.
    grid.addWidget(delay, row, HeadingDelayColumn, Qt::AlignLeft);
    percentBox(SettingType::StickGain, StickColumn, QStringLiteral("StickGain"),
               tr("%1 stick gain").arg(axisName));
    name->setBuddy(rate);
}
