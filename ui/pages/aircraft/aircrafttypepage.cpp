// AircraftTypePage: aircraft, wing and tail types with the picture of the layout.
#include "ui/pages/aircraft/aircrafttypepage.h"

#include "models/devicemodel.h"
#include "ui/pages/aircraft/aircrafttypenames.h"
#include "ui/pages/aircraft/aircrafttypepicture.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/widgets/helpindicator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

using Choices = QList<std::pair<QString, int>>;

constexpr int kFormWidth = 380;
constexpr QRgb kMutedColour = qRgb(96, 100, 104);
const QString kNoteStyle = QStringLiteral("QLabel { background: #eef5fc; border: 1px solid #bcd4ee;"
                                          " border-radius: 4px; padding: 8px; color: #1e3a5a; }");

// Fills the box with the choices when they differ from what it lists, then selects `current`
// (no selection when no choice has it). Never reports a change.
void showChoices(QComboBox *box, const Choices &choices, int current)
{
    const QSignalBlocker blocker(box);
    bool same = box->count() == choices.size();
    for (int i = 0; same && i < choices.size(); ++i)
        same =
            box->itemText(i) == choices[i].first && box->itemData(i).toInt() == choices[i].second;
    if (!same) {
        box->clear();
        for (const auto &[text, value] : choices)
            box->addItem(text, value);
    }
    box->setCurrentIndex(box->findData(current));
}

void showItems(QComboBox *box, const QStringList &items, int current)
{
    Choices choices;
    for (int i = 0; i < items.size(); ++i)
        choices.append({items[i], i});
    showChoices(box, choices, current);
}

// A field of the form: the control, its help indicator when there is one, then space.
QWidget *field(QWidget *control, HelpIndicator *help, QWidget *parent)
{
    auto *cell = new QWidget(parent);
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    control->setParent(cell);
    layout->addWidget(control, 1);
    if (help)
        layout->addWidget(help);
    return cell;
}

bool isElevonWing(DeviceModel::WingType wing)
{
    return wing == DeviceModel::WingTypeElevon || wing == DeviceModel::WingTypeElevonA ||
           wing == DeviceModel::WingTypeElevonB;
}

} // namespace

AircraftTypePage::AircraftTypePage(std::shared_ptr<DeviceModel> model,
                                   AircraftTypeSettings &settings, const TooltipTable *tooltips,
                                   QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
    , m_settings(settings)
{
    setShowBackground(true);

    auto *controls = new QWidget(this);
    controls->setFixedWidth(kFormWidth);
    auto *intro = new QLabel(tr("Choose how your aircraft is built. The surfaces and outputs are "
                                "set up to match the wing and tail you choose."),
                             controls);
    intro->setWordWrap(true);

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    m_aircraftBox = new QComboBox;
    m_aircraftBox->setObjectName(QStringLiteral("aircraftTypeBox"));
    auto *aircraftLabel = new QLabel(tr("&Aircraft:"), controls);
    aircraftLabel->setBuddy(m_aircraftBox);
    form->addRow(aircraftLabel, field(m_aircraftBox, nullptr, controls));
    connect(m_aircraftBox, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const auto type = AircraftType(m_aircraftBox->itemData(index).toInt());
        if (type != m_settings.aircraftType())
            m_settings.setAircraftType(type);
        refresh();
    });

    m_wingBox = new QComboBox;
    m_wingBox->setObjectName(QStringLiteral("wingTypeBox"));
    m_wingLabel = new QLabel(tr("&Wing:"), controls);
    m_wingLabel->setBuddy(m_wingBox);
    form->addRow(m_wingLabel,
                 field(m_wingBox,
                       helpIndicator(tooltips, QStringLiteral("wing-type-tooltip"), controls),
                       controls));
    connect(m_wingBox, qOverload<int>(&QComboBox::activated), this, &AircraftTypePage::chooseWing);

    m_tailBox = new QComboBox;
    m_tailBox->setObjectName(QStringLiteral("tailTypeBox"));
    m_tailLabel = new QLabel(tr("&Tail:"), controls);
    m_tailLabel->setBuddy(m_tailBox);
    m_tailField =
        field(m_tailBox, helpIndicator(tooltips, QStringLiteral("tail-type-tooltip"), controls),
              controls);
    form->addRow(m_tailLabel, m_tailField);
    connect(m_tailBox, qOverload<int>(&QComboBox::activated), this, &AircraftTypePage::chooseTail);

    m_wingMixReversed = boundCheckBox(
        *this, tr("&Reverse elevon mixing"),
        BoolSetting{[this] { return m_settings.wingMixReversed(); },
                    [this](bool reversed) { m_settings.setWingMixReversed(reversed); }},
        controls);
    m_wingMixReversed->setObjectName(QStringLiteral("wingMixReversedBox"));
    m_wingMixField = field(
        m_wingMixReversed,
        helpIndicator(tooltips, QStringLiteral("wing-mix-reversed-tooltip"), controls), controls);
    form->addRow(m_wingMixField);

    buildExtraSelectors(controls, form);

    m_changeNote = new QLabel(controls);
    m_changeNote->setObjectName(QStringLiteral("wingTailChangeNote"));
    m_changeNote->setWordWrap(true);
    QPalette muted = m_changeNote->palette();
    muted.setColor(QPalette::WindowText, QColor(kMutedColour));
    m_changeNote->setPalette(muted);

    m_transmitterNote = new QLabel(controls);
    m_transmitterNote->setObjectName(QStringLiteral("transmitterWingTypeNote"));
    m_transmitterNote->setWordWrap(true);
    m_transmitterNote->setStyleSheet(kNoteStyle);

    auto *controlsLayout = new QVBoxLayout(controls);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    controlsLayout->addWidget(intro);
    controlsLayout->addSpacing(8);
    controlsLayout->addLayout(form);
    controlsLayout->addWidget(m_changeNote);
    controlsLayout->addSpacing(8);
    controlsLayout->addWidget(m_transmitterNote);
    controlsLayout->addStretch(1);

    m_picture = new AircraftTypePicture(this);
    m_picture->setObjectName(QStringLiteral("aircraftTypePicture"));

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(controls, 0);
    layout->addSpacing(16);
    layout->addWidget(m_picture, 1, Qt::AlignTop);

    addRefresher([this] { showTypes(); });
    addRefresher([this] { showExtraSelectors(); });
    refreshOnSettingsChanges(*this, *m_model);
}

QMessageBox *AircraftTypePage::pendingConfirmation() const
{
    return m_confirmation.data();
}

void AircraftTypePage::buildExtraSelectors(QWidget *parent, QFormLayout *form)
{
    const QList<AircraftTypeExtraSelector> selectors = m_settings.extraSettingSelectors();
    for (int i = 0; i < selectors.size(); ++i) {
        auto *box = new QComboBox(parent);
        box->setObjectName(QStringLiteral("extraSelector%1").arg(i));
        auto *label = new QLabel(selectors[i].label, parent);
        label->setBuddy(box);
        form->addRow(label, box);
        connect(box, qOverload<int>(&QComboBox::activated), this,
                [this, i](int index) { chooseExtra(i, index); });
        m_extraBoxes.append(box);
        m_extraLabels.append(label);
    }
}

void AircraftTypePage::showTypes()
{
    const AircraftType aircraft = m_settings.aircraftType();
    const bool airplane = aircraft == AircraftType::Airplane;
    const DeviceModel::WingType wing = m_settings.wingType();
    const DeviceModel::TailType tail = m_settings.tailType();

    Choices aircraftChoices;
    for (AircraftType type : m_settings.aircraftTypes())
        aircraftChoices.append({DeviceModel::aircraftTypeName(int(type)), int(type)});
    showChoices(m_aircraftBox, aircraftChoices, int(aircraft));
    m_aircraftBox->setEnabled(aircraftChoices.size() > 1);

    Choices wingChoices;
    for (DeviceModel::WingType type : m_settings.wingTypes())
        wingChoices.append({AircraftTypeNames::wingTypeName(type), type});
    showChoices(m_wingBox, wingChoices, wing);
    m_wingBox->setEnabled(airplane && wingChoices.size() > 1);
    m_wingLabel->setEnabled(airplane);

    Choices tailChoices;
    for (DeviceModel::TailType type : m_settings.tailTypes())
        tailChoices.append({AircraftTypeNames::tailTypeName(type), type});
    showChoices(m_tailBox, tailChoices, tail);
    m_tailBox->setEnabled(airplane && tailChoices.size() > 1);
    m_tailLabel->setEnabled(airplane);
    // A model that decides the tail from the wing offers no tail choice at all.
    m_tailLabel->setVisible(!tailChoices.isEmpty());
    m_tailField->setVisible(!tailChoices.isEmpty());

    m_wingMixField->setVisible(m_settings.wingMixDirections().contains(1));
    m_wingMixReversed->setEnabled(airplane && isElevonWing(wing));

    const QString changeNote = m_settings.wingTailChangeNote();
    m_changeNote->setText(changeNote);
    m_changeNote->setVisible(!changeNote.isEmpty() && airplane);
    const QString transmitterNote = m_settings.transmitterWingTypeNote();
    m_transmitterNote->setText(transmitterNote);
    m_transmitterNote->setVisible(!transmitterNote.isEmpty() && airplane);

    m_picture->setTypes(aircraft, wing, tail);
}

void AircraftTypePage::showExtraSelectors()
{
    const QList<AircraftTypeExtraSelector> selectors = m_settings.extraSettingSelectors();
    for (int i = 0; i < m_extraBoxes.size(); ++i) {
        const bool present = i < selectors.size();
        m_extraBoxes[i]->setVisible(present);
        m_extraLabels[i]->setVisible(present);
        if (!present)
            continue;
        m_extraLabels[i]->setText(selectors[i].label);
        showItems(m_extraBoxes[i], selectors[i].items, selectors[i].currentItem);
    }
}

void AircraftTypePage::chooseWing(int index)
{
    const auto wing = DeviceModel::WingType(m_wingBox->itemData(index).toInt());
    if (wing == m_settings.wingType())
        return;
    confirmLayoutChange(
        tr("Change Wing Type"),
        tr("Change the wing type to %1?").arg(AircraftTypeNames::wingTypeName(wing)),
        [this, wing] { m_settings.setWingType(wing); });
}

void AircraftTypePage::chooseTail(int index)
{
    const auto tail = DeviceModel::TailType(m_tailBox->itemData(index).toInt());
    if (tail == m_settings.tailType())
        return;
    confirmLayoutChange(
        tr("Change Tail Type"),
        tr("Change the tail type to %1?").arg(AircraftTypeNames::tailTypeName(tail)),
        [this, tail] { m_settings.setTailType(tail); });
}

void AircraftTypePage::chooseExtra(int selector, int index)
{
    // The list is asked for again: its choose functions belong to the model's current state.
    const QList<AircraftTypeExtraSelector> selectors = m_settings.extraSettingSelectors();
    if (selector < selectors.size() && index != selectors[selector].currentItem &&
        selectors[selector].choose)
        selectors[selector].choose(index);
    refresh();
}

void AircraftTypePage::confirmLayoutChange(const QString &title, const QString &question,
                                           std::function<void()> change)
{
    const QString note = m_settings.wingTailChangeNote();
    if (note.isEmpty()) {
        change();
        refresh();
        return;
    }
    if (m_confirmation)
        m_confirmation->reject();
    // Asked without a nested event loop; the combo box shows the choice meanwhile.
    auto *box = new QMessageBox(QMessageBox::Warning, title, question, QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("layoutChangeConfirmation"));
    box->setInformativeText(note);
    QPushButton *accept = box->addButton(tr("Change"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, accept, change = std::move(change)] {
        if (box->clickedButton() == accept)
            change();
        // Shows the model's types again, also after a cancel.
        refresh();
    });
    m_confirmation = box;
    box->open();
}
