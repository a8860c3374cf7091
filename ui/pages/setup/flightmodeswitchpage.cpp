// FlightModeSwitchPage: the channel that switches the flight modes.
#include "ui/pages/setup/flightmodeswitchpage.h"

#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/pages/setup/setuplayout.h"
#include "ui/pages/setup/switchpositionsview.h"
#include "ui/widgets/helpindicator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

using AirplaneRx::makeSetting;
using AirplaneRx::SettingType;

namespace {

constexpr int kEnvelopeParameterVersion = 0xFE;
const DeviceSetting kSwitchSetting = makeSetting(SettingType::FlightModeSwitch);
const DeviceSetting kLimitedModesDisabled =
    makeSetting(SettingType::KovaLimitedFlightModesDisabled);

QString channelText(int channel)
{
    return QCoreApplication::translate("FlightModeSwitchPage", "Channel %1 (%2)")
        .arg(channel)
        .arg(DeviceModel::surfaceName(FlightModeSwitch::codeOf(channel)));
}

} // namespace

namespace FlightModeSwitch {

std::optional<int> channelOf(int code)
{
    const int channel = code - kFirstCode + kFirstChannel;
    if (channel < kFirstChannel || channel > kLastChannel)
        return std::nullopt;
    return channel;
}

int codeOf(int channel)
{
    return channel - kFirstChannel + kFirstCode;
}

ChoiceItems choices(int transmitterChannels, int current)
{
    ChoiceItems items{{QCoreApplication::translate("FlightModeSwitchPage", "None"), kNone}};
    for (int channel = kFirstChannel; channel <= std::min(transmitterChannels, kLastChannel);
         ++channel)
        items.append({channelText(channel), codeOf(channel)});
    if (current != kNone && !(channelOf(current) && *channelOf(current) <= transmitterChannels)) {
        items.append(
            {channelOf(current)
                 ? channelText(*channelOf(current))
                 : QCoreApplication::translate("FlightModeSwitchPage", "Unknown (%1)").arg(current),
             current});
    }
    return items;
}

} // namespace FlightModeSwitch

FlightModeSwitchPage::FlightModeSwitchPage(std::shared_ptr<AirplaneRxModel> model,
                                           const PageContext &context, QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
{
    setObjectName(QStringLiteral("flightModeSwitchPage"));
    setShowBackground(true);
    AirplaneRxModel *rx = m_model.get();

    m_switchBox = boundChoiceBox(
        *this,
        [rx](int current) { return FlightModeSwitch::choices(rx->transmitterChannels(), current); },
        {[rx] { return rx->value(kSwitchSetting, 0); },
         [rx](int value) { rx->setValue(kSwitchSetting, 0, value); }},
        this);
    m_switchBox->setObjectName(QStringLiteral("flightModeSwitchBox"));
    auto *switchLabel = new QLabel(tr("Flight mode &switch:"), this);
    switchLabel->setBuddy(m_switchBox);

    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("flightModeCount"));
    m_positions = new SwitchPositionsView(this);
    m_note = pageNote(this);
    m_note->setObjectName(QStringLiteral("flightModeSwitchNote"));
    addRefresher([this] { showSwitch(); });

    auto *form = new QFormLayout;
    form->addRow(
        switchLabel,
        withHelp(m_switchBox, helpIndicator(context.tooltips,
                                            QStringLiteral("flight-mode-switch-tooltip"), this)));
    form->addRow(tr("Flight modes:"), m_countLabel);
    form->addRow(tr("Switch positions:"), m_positions);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pageIntro(tr("Choose the transmitter channel whose switch selects the "
                                   "flight mode. Each flight mode has its own rates and gains."),
                                this));
    layout->addLayout(form);
    layout->addWidget(m_note);

    if (m_model->parameterVersion() == kEnvelopeParameterVersion) {
        m_limitedModesBox = boundCheckBox(
            *this, tr("Offer the &limited flight modes of the envelope protection"),
            {[rx] { return rx->value(kLimitedModesDisabled, 0) == 0; },
             [rx](bool offered) { rx->setValue(kLimitedModesDisabled, 0, offered ? 0 : 1); }},
            this);
        m_limitedModesBox->setObjectName(QStringLiteral("limitedFlightModesBox"));
        layout->addLayout(withHelp(
            m_limitedModesBox,
            helpIndicator(context.tooltips, QStringLiteral("limited-flight-modes-tooltip"), this)));
    }
    layout->addStretch(1);

    refreshOnSettingsChanges(*this, *m_model);
}

void FlightModeSwitchPage::showSwitch()
{
    const int code = m_model->value(kSwitchSetting, 0);
    const std::optional<int> channel = FlightModeSwitch::channelOf(code);
    const int transmitterChannels = m_model->transmitterChannels();
    QStringList names;
    for (int mode = 0; mode < m_model->flightModeCount(); ++mode)
        names.append(m_model->flightModeName(mode));
    m_countLabel->setText(QString::number(names.size()));
    m_positions->setPositions(channel ? m_switchBox->currentText() : QString(), names);

    QString note;
    if (channel && *channel > transmitterChannels)
        note = tr("Your transmitter has %1 channels, so channel %2 does not reach the receiver. "
                  "Choose another channel, or set the transmitter channels of the model.")
                   .arg(transmitterChannels)
                   .arg(*channel);
    else if (code != FlightModeSwitch::kNone && !channel)
        note = tr("The receiver holds a flight-mode switch this program does not know. "
                  "Choose the channel of your switch.");
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}
