// ReceiverOrientationPage: the receiver's mounting orientation.
#include "ui/pages/setup/receiverorientationpage.h"

#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/pages/setup/mountingorientation.h"
#include "ui/pages/setup/orientationview.h"
#include "ui/pages/setup/setuplayout.h"
#include "ui/widgets/helpindicator.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const DeviceSetting kOrientation = AirplaneRx::makeSetting(AirplaneRx::SettingType::Orientation);

} // namespace

ReceiverOrientationPage::ReceiverOrientationPage(std::shared_ptr<AirplaneRxModel> model,
                                                 const PageContext &context, QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
{
    setObjectName(QStringLiteral("receiverOrientationPage"));
    setShowBackground(true);

    QList<std::pair<QString, int>> items;
    for (const Mounting::Orientation &orientation : Mounting::orientations())
        items.append({Mounting::description(orientation), Mounting::settingValue(orientation)});
    AirplaneRxModel *rx = m_model.get();
    m_orientationBox = boundComboBox(*this, items,
                                     {[this] { return storedValue(); },
                                      [rx](int value) { rx->setValue(kOrientation, 0, value); }},
                                     this);
    m_orientationBox->setObjectName(QStringLiteral("orientationBox"));
    m_orientationBox->setMaxVisibleItems(int(items.size()));

    m_view = new OrientationView(this);
    m_note = pageNote(this);
    m_note->setObjectName(QStringLiteral("orientationNote"));
    m_note->setText(tr("The receiver holds an orientation that is not a way to mount it. "
                       "Choose how it sits in the aircraft."));
    addRefresher([this] {
        const std::optional<Mounting::Orientation> orientation =
            Mounting::orientationOf(storedValue());
        m_view->setOrientation(orientation);
        m_note->setVisible(!orientation);
    });

    auto *mountingLabel = new QLabel(tr("&Mounting:"), this);
    mountingLabel->setBuddy(m_orientationBox);
    auto *form = new QFormLayout;
    form->addRow(mountingLabel,
                 withHelp(m_orientationBox,
                          helpIndicator(context.tooltips,
                                        QStringLiteral("receiver-orientation-tooltip"), this)));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pageIntro(tr("Tell the receiver how it sits in the aircraft, so that the "
                                   "stabiliser corrects in the right direction. The label is "
                                   "the receiver's top; the servo connectors are at one end."),
                                this));
    layout->addLayout(form);
    layout->addWidget(m_note);
    layout->addWidget(m_view, 1);

    refreshOnSettingsChanges(*this, *m_model);
}

int ReceiverOrientationPage::storedValue() const
{
    return m_model->value(kOrientation, 0);
}
