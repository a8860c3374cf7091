// PortAssignmentPage: outputs and failsafe per receiver port.
#include "ui/pages/setup/portassignmentpage.h"

#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/pages/setup/setuplayout.h"
#include "ui/widgets/helpindicator.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

using AirplaneRx::makeSetting;
using AirplaneRx::SettingType;

namespace {

constexpr int kEnvelopeParameterVersion = 0xFE;
// Surface codes a wing or tail type can bring (aileron to left rudder, motors, gear, aux).
constexpr int kFirstSurfaceCode = 2;
constexpr int kLastSurfaceCode = 29;
constexpr int kPortColumn = 0;
constexpr int kOutputColumn = 1;
constexpr int kFailsafeColumn = 2;
constexpr int kOutputBoxCharacters = 18;

QWidget *columnHeading(const QString &text, QWidget *help, QWidget *parent)
{
    auto *heading = new QWidget(parent);
    auto *row = new QHBoxLayout(heading);
    row->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("<b>%1</b>").arg(text.toHtmlEscaped()), heading);
    row->addWidget(label);
    if (help) {
        help->setParent(heading);
        row->addWidget(help);
    }
    row->addStretch(1);
    return heading;
}

} // namespace

PortAssignmentPage::PortAssignmentPage(std::shared_ptr<AirplaneRxModel> model,
                                       const PageContext &context, QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
{
    setObjectName(QStringLiteral("portAssignmentPage"));
    setShowBackground(true);
    // First of all refreshers, so that every port's list is made from the same choices.
    addRefresher([this] { m_outputChoices = outputChoices(); });
    m_outputChoices = outputChoices();

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->addWidget(columnHeading(tr("Port"), nullptr, this), 0, kPortColumn);
    grid->addWidget(
        columnHeading(tr("Output"),
                      helpIndicator(context.tooltips, QStringLiteral("port-output-tooltip"), this),
                      this),
        0, kOutputColumn);
    grid->addWidget(
        columnHeading(tr("Failsafe"),
                      helpIndicator(context.tooltips, QStringLiteral("failsafe-tooltip"), this),
                      this),
        0, kFailsafeColumn);
    const int ports = m_model->surfaceOutputCount() + 1;
    for (int port = 1; port <= ports; ++port)
        addPortRow(port, *grid);

    auto *portsRow = new QHBoxLayout;
    portsRow->addLayout(grid);
    portsRow->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pageIntro(tr("Choose what each port of the receiver drives, and what it "
                                   "does when the receiver loses the transmitter's signal."),
                                this));
    layout->addLayout(portsRow);
    if (m_model->parameterVersion() == kEnvelopeParameterVersion) {
        auto *loiterRow = new QHBoxLayout;
        loiterRow->addWidget(loiterGroup(context));
        loiterRow->addStretch(1);
        layout->addLayout(loiterRow);
    }
    layout->addStretch(1);

    refreshOnSettingsChanges(*this, *m_model);
}

void PortAssignmentPage::addPortRow(int port, QGridLayout &grid)
{
    AirplaneRxModel *rx = m_model.get();
    const DeviceSetting output = makeSetting(SettingType::ServoOutput, 0, port);
    const DeviceSetting failsafe = makeSetting(SettingType::Failsafe, 0, port);

    QComboBox *outputBox = boundChoiceBox(
        *this,
        [this](int current) {
            ChoiceItems items = m_outputChoices;
            bool known = false;
            for (const auto &item : std::as_const(items))
                known = known || item.second == current;
            if (!known)
                items.append({tr("Unknown (%1)").arg(current), current});
            return items;
        },
        {[rx, output] { return rx->value(output, 0); },
         [rx, output](int value) { rx->setValue(output, 0, value); }},
        this);
    outputBox->setObjectName(QStringLiteral("outputBox%1").arg(port));
    outputBox->setMinimumContentsLength(kOutputBoxCharacters);
    outputBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    QComboBox *failsafeBox =
        boundComboBox(*this,
                      {{tr("Preset position"), PortFailsafe::kPreset},
                       {tr("Hold last position"), PortFailsafe::kHold},
                       {tr("Does not apply"), PortFailsafe::kDoesNotApply}},
                      {[rx, failsafe] { return rx->value(failsafe, 0); },
                       [rx, failsafe](int value) { rx->setValue(failsafe, 0, value); }},
                      this);
    failsafeBox->setObjectName(QStringLiteral("failsafeBox%1").arg(port));
    failsafeBox->setAccessibleName(tr("Failsafe of port %1").arg(port));
    // "Does not apply" is the receiver's answer for a port nothing drives, not a choice.
    disableComboItem(*failsafeBox, failsafeBox->findData(PortFailsafe::kDoesNotApply));
    addRefresher([failsafeBox] {
        failsafeBox->setEnabled(failsafeBox->currentData().toInt() != PortFailsafe::kDoesNotApply);
    });

    auto *label = new QLabel(tr("Port &%1:").arg(port), this);
    label->setBuddy(outputBox);
    grid.addWidget(label, port, kPortColumn);
    grid.addWidget(outputBox, port, kOutputColumn);
    grid.addWidget(failsafeBox, port, kFailsafeColumn);
    m_outputBoxes.append(outputBox);
    m_failsafeBoxes.append(failsafeBox);
}

QWidget *PortAssignmentPage::loiterGroup(const PageContext &context)
{
    AirplaneRxModel *rx = m_model.get();
    const DeviceSetting loiter = makeSetting(SettingType::FailsafeLoiter);
    const auto angleBox = [&](int axisChannel) {
        QSpinBox *box = boundSpinBox(
            *this, -kMaximumLoiterAngle, kMaximumLoiterAngle, QStringLiteral("\u00B0"),
            {[rx, loiter, axisChannel] { return rx->value(loiter, axisChannel); },
             [rx, loiter, axisChannel](int value) { rx->setValue(loiter, axisChannel, value); }},
            this);
        return box;
    };
    m_bankAngleBox = angleBox(AirplaneRx::kRollChannel);
    m_bankAngleBox->setObjectName(QStringLiteral("bankAngleBox"));
    m_pitchAngleBox = angleBox(AirplaneRx::kPitchChannel);
    m_pitchAngleBox->setObjectName(QStringLiteral("pitchAngleBox"));

    auto *group = new QGroupBox(tr("Attitude on signal loss"), this);
    auto *form = new QFormLayout(group);
    auto *bankLabel = new QLabel(tr("&Bank angle:"), group);
    bankLabel->setBuddy(m_bankAngleBox);
    auto *pitchLabel = new QLabel(tr("P&itch angle:"), group);
    pitchLabel->setBuddy(m_pitchAngleBox);
    form->addRow(pageIntro(tr("With the envelope protection on, the receiver circles at "
                              "these angles until the signal returns."),
                           group));
    form->addRow(bankLabel,
                 withHelp(m_bankAngleBox,
                          helpIndicator(context.tooltips,
                                        QStringLiteral("failsafe-attitude-tooltip"), group)));
    form->addRow(pitchLabel, withHelp(m_pitchAngleBox, nullptr));
    return group;
}

ChoiceItems PortAssignmentPage::outputChoices() const
{
    ChoiceItems items{{tr("Not assigned"), 0}, {DeviceModel::surfaceName(1), 1}};
    // A surface is there when the model finds a slot for it.
    const DeviceSetting travel = makeSetting(SettingType::PosTravel);
    for (int code = kFirstSurfaceCode; code <= kLastSurfaceCode; ++code) {
        if (m_model->settingOffset(travel, code) >= 0)
            items.append({DeviceModel::surfaceName(code), code});
    }
    const QStringList &names = m_model->mixNames();
    for (const int mix : m_model->usedMixes()) {
        const QString name = names.value(mix);
        items.append({tr("Mix: %1").arg(name.isEmpty() ? DeviceModel::surfaceName(
                                                             AirplaneRx::kFirstMixChannel + mix)
                                                       : name),
                      AirplaneRx::kFirstMixChannel + mix});
    }
    return items;
}
