// MixingPage: the airplane receiver's mixes.
#include "ui/pages/mixing/mixingpage.h"

#include "app/messagepresenter.h"
#include "models/classes/airplanerxmodel.h"
#include "ui/pages/mixing/codecombobox.h"
#include "ui/pages/mixing/mixchannels.h"
#include "ui/widgets/helpindicator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

using AirplaneRx::SettingType;

namespace {

constexpr int kListWidth = 220;
constexpr int kEditorMinimumWidth = 420;
constexpr int kPageMargin = 24;
constexpr int kEditorPage = 1;
constexpr int kNoMixesPage = 0;

// One row of the form: the label names `field` (its mnemonic reaches it from the keyboard);
// `extra` and the help indicator, when there are help texts, follow the field.
void addRow(QFormLayout &form, const QString &label, QWidget *field, HelpIndicator *help,
            QWidget *extra = nullptr)
{
    auto *row = new QHBoxLayout;
    row->addWidget(field);
    if (extra)
        row->addWidget(extra);
    if (help)
        row->addWidget(help);
    row->addStretch(1);
    auto *name = new QLabel(label);
    name->setBuddy(field);
    form.addRow(name, row);
}

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

MixingPage::MixingPage(std::shared_ptr<AirplaneRxModel> model, const TooltipTable *tooltips,
                       QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
{
    setShowBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    layout->setSpacing(kPageMargin);
    // The list comes first: its refresher settles which mix the controls show.
    layout->addWidget(buildMixList(tooltips));
    layout->addWidget(buildMixEditor(tooltips), 1, Qt::AlignTop);
    refreshOnSettingsChanges(*this, *m_model);
}

MixingPage::~MixingPage() = default;

QWidget *MixingPage::buildMixList(const TooltipTable *tooltips)
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    m_list = new QListWidget(column);
    m_list->setObjectName(QStringLiteral("mixList"));
    m_list->setAccessibleName(tr("Mixes"));
    m_list->setFixedWidth(kListWidth);
    auto *heading = boldLabel(tr("M&ixes"), column);
    heading->setBuddy(m_list);

    m_addButton = new QPushButton(tr("&Add Mix"), column);
    m_addButton->setObjectName(QStringLiteral("addMixButton"));
    m_removeButton = new QPushButton(tr("&Remove Mix"), column);
    m_removeButton->setObjectName(QStringLiteral("removeMixButton"));
    m_removeAction = new QAction(tr("Remove Mix"), m_list);
    m_removeAction->setObjectName(QStringLiteral("removeMixAction"));
    m_removeAction->setShortcut(QKeySequence::Delete);
    // Only in the list: Delete in the name field deletes text.
    m_removeAction->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(m_removeAction);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_addButton);
    if (HelpIndicator *help = helpIndicator(tooltips, QStringLiteral("add-mix-tooltip"), column))
        buttons->addWidget(help);
    buttons->addWidget(m_removeButton);
    buttons->addStretch(1);

    layout->addWidget(heading);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    addRefresher([this] { showMixes(); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            selectMix(m_list->item(row)->data(Qt::UserRole).toInt());
    });
    connect(m_addButton, &QPushButton::clicked, this, &MixingPage::addMix);
    connect(m_removeButton, &QPushButton::clicked, m_removeAction, &QAction::trigger);
    connect(m_removeAction, &QAction::triggered, this, &MixingPage::removeMix);
    return column;
}

QWidget *MixingPage::buildMixEditor(const TooltipTable *tooltips)
{
    m_editorStack = new QStackedWidget(this);
    m_editorStack->setMinimumWidth(kEditorMinimumWidth);

    auto *none =
        new QLabel(tr("This model has no mixes yet.\nPress Add Mix to make one."), m_editorStack);
    none->setObjectName(QStringLiteral("noMixesLabel"));
    none->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_editorStack->insertWidget(kNoMixesPage, none);

    m_editorBox = new QGroupBox(m_editorStack);
    m_editorBox->setObjectName(QStringLiteral("mixEditor"));
    m_editorStack->insertWidget(kEditorPage, m_editorBox);
    auto *form = new QFormLayout(m_editorBox);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    const auto help = [&](const char *key) {
        return helpIndicator(tooltips, QString::fromLatin1(key), m_editorBox);
    };

    m_nameEdit = new QLineEdit(m_editorBox);
    m_nameEdit->setObjectName(QStringLiteral("mixNameEdit"));
    m_nameEdit->setMaxLength(kMaxNameLength);
    m_nameEdit->setMinimumWidth(m_nameEdit->fontMetrics().averageCharWidth() * kMaxNameLength);
    addRow(*form, tr("&Name:"), m_nameEdit, nullptr);
    addRefresher([this] {
        // A refresh while the user types (a sync, another page) must not take the text away.
        if (m_nameEdit->hasFocus() && m_nameEdit->isModified())
            return;
        const QString name = m_mix >= 0 ? m_model->mixNames().value(m_mix) : QString();
        if (m_nameEdit->text() != name)
            m_nameEdit->setText(name);
    });
    connect(m_nameEdit, &QLineEdit::editingFinished, this, &MixingPage::commitName);

    QComboBox *master = boundCodeComboBox(*this, MixChannels::masterItems(), MixChannels::codeText,
                                          mixSetting(SettingType::MixMaster), m_editorBox);
    master->setObjectName(QStringLiteral("mixMasterBox"));
    addRow(*form, tr("&Master:"), master, help("mix-master-tooltip"));

    QComboBox *slave = boundCodeComboBox(*this, MixChannels::slaveItems(), MixChannels::codeText,
                                         mixSetting(SettingType::MixSlave), m_editorBox);
    slave->setObjectName(QStringLiteral("mixSlaveBox"));
    addRow(*form, tr("&Slave:"), slave, help("mix-slave-tooltip"));

    const QString percent = QStringLiteral(" %");
    QSpinBox *positive = boundSpinBox(*this, -kRateLimitPercent, kRateLimitPercent, percent,
                                      mixSetting(SettingType::MixPosRate), m_editorBox);
    positive->setObjectName(QStringLiteral("mixPositiveRateBox"));
    addRow(*form, tr("&Positive rate:"), positive, help("mix-rates-tooltip"));
    QSpinBox *negative = boundSpinBox(*this, -kRateLimitPercent, kRateLimitPercent, percent,
                                      mixSetting(SettingType::MixNegRate), m_editorBox);
    negative->setObjectName(QStringLiteral("mixNegativeRateBox"));
    addRow(*form, tr("Ne&gative rate:"), negative, nullptr);

    QSpinBox *offset = boundSpinBox(*this, -kOffsetLimitPercent, kOffsetLimitPercent, percent,
                                    mixSetting(SettingType::MixOffset), m_editorBox);
    offset->setObjectName(QStringLiteral("mixOffsetBox"));
    addRow(*form, tr("&Offset:"), offset, help("mix-offset-tooltip"));

    const IntSetting trim = mixSetting(SettingType::MixTrimEnabled);
    QCheckBox *trimBox = boundCheckBox(*this, tr("Include the master's &trim"),
                                       {[get = trim.get] { return get() != 0; },
                                        [set = trim.set](bool checked) { set(checked ? 1 : 0); }},
                                       m_editorBox);
    trimBox->setObjectName(QStringLiteral("mixTrimBox"));
    addRow(*form, tr("Trim:"), trimBox, help("mix-trim-tooltip"));

    QSpinBox *condition = boundSpinBox(*this, 0, kConditionCodeMaximum, QString(),
                                       mixSetting(SettingType::MixCondition), m_editorBox);
    condition->setObjectName(QStringLiteral("mixConditionBox"));
    auto *conditionName = new QLabel(m_editorBox);
    conditionName->setObjectName(QStringLiteral("mixConditionName"));
    addRefresher([this, conditionName] {
        conditionName->setText(MixChannels::channelName(mixValue(SettingType::MixCondition)));
    });
    addRow(*form, tr("&Condition:"), condition, help("mix-condition-tooltip"), conditionName);

    auto *positions = new QWidget(m_editorBox);
    auto *positionRow = new QHBoxLayout(positions);
    positionRow->setContentsMargins(0, 0, 0, 0);
    QCheckBox *firstPosition = nullptr;
    for (int position = 0; position < kActivePositionCount; ++position) {
        QCheckBox *box = boundCheckBox(*this, tr("Position &%1").arg(position + 1),
                                       activePositionSetting(position), positions);
        box->setObjectName(QStringLiteral("mixActivePosition%1").arg(position + 1));
        positionRow->addWidget(box);
        if (!firstPosition)
            firstPosition = box;
    }
    auto *activeLabel = new QLabel(tr("Active in:"));
    activeLabel->setBuddy(firstPosition);
    auto *activeRow = new QHBoxLayout;
    activeRow->addWidget(positions);
    if (HelpIndicator *indicator = help("mix-active-positions-tooltip"))
        activeRow->addWidget(indicator);
    activeRow->addStretch(1);
    form->addRow(activeLabel, activeRow);

    return m_editorStack;
}

void MixingPage::selectMix(int mix)
{
    if (mix == m_mix || !m_model->usedMixes().contains(mix))
        return;
    m_mix = mix;
    refresh();
}

void MixingPage::addMix()
{
    int mix = -1;
    switch (m_model->addMix(mix)) {
    case AirplaneRx::AddMixResult::Added:
        selectMix(mix);
        break;
    case AirplaneRx::AddMixResult::NoFreeMix:
        showErrorMessage(
            tr("Another mix can't be added because the limit (of mixes) was reached."));
        break;
    case AirplaneRx::AddMixResult::NoFreeSurface:
        showErrorMessage(
            tr("Another mix can't be added because the limit (of mix surfaces) was reached."));
        break;
    }
}

void MixingPage::removeMix()
{
    const QList<int> used = m_model->usedMixes();
    const auto at = used.indexOf(m_mix);
    if (at < 0)
        return;
    const int removed = m_mix;
    // Chosen before the model announces the change, so the refresh shows it at once: the mix
    // that took the removed one's row, or the one above when it was the last.
    if (at + 1 < used.size())
        m_mix = used.at(at + 1);
    else
        m_mix = at > 0 ? used.at(at - 1) : -1;
    if (!m_model->removeMix(removed))
        m_mix = removed;
}

QString MixingPage::mixTitle(int mix) const
{
    const QString name = m_model->mixNames().value(mix);
    return name.isEmpty() ? tr("(no name)") : name;
}

void MixingPage::showMixes()
{
    const QList<int> used = m_model->usedMixes();
    if (!used.contains(m_mix))
        m_mix = used.isEmpty() ? -1 : used.first();

    const QSignalBlocker blocker(m_list);
    m_list->clear();
    for (int mix : used) {
        auto *item = new QListWidgetItem(mixTitle(mix), m_list);
        item->setData(Qt::UserRole, mix);
    }
    m_list->setCurrentRow(int(used.indexOf(m_mix)));
    m_editorStack->setCurrentIndex(m_mix < 0 ? kNoMixesPage : kEditorPage);
    m_editorBox->setTitle(m_mix < 0 ? QString() : mixTitle(m_mix));
    m_removeButton->setEnabled(m_mix >= 0);
    m_removeAction->setEnabled(m_mix >= 0);
}

void MixingPage::commitName()
{
    if (m_mix < 0)
        return;
    const QString name = m_nameEdit->text().trimmed();
    m_nameEdit->setModified(false);
    // A mix keeps a name: an emptied field goes back to the one it had.
    if (name.isEmpty() || name == m_model->mixNames().value(m_mix)) {
        m_nameEdit->setText(m_model->mixNames().value(m_mix));
        return;
    }
    m_model->setMixName(m_mix, name);
}

int MixingPage::mixValue(SettingType type) const
{
    if (m_mix < 0)
        return 0;
    return m_model->value(AirplaneRx::makeSetting(type, 0, 0, m_mix), 0);
}

void MixingPage::setMixValue(SettingType type, int value)
{
    if (m_mix >= 0)
        m_model->setValue(AirplaneRx::makeSetting(type, 0, 0, m_mix), 0, value);
}

IntSetting MixingPage::mixSetting(SettingType type)
{
    return {[this, type] { return mixValue(type); },
            [this, type](int value) { setMixValue(type, value); }};
}

BoolSetting MixingPage::activePositionSetting(int position)
{
    const int bit = 1 << position;
    return {[this, bit] { return (mixValue(SettingType::MixActivePositions) & bit) != 0; },
            [this, bit](bool active) {
                const int positions = mixValue(SettingType::MixActivePositions);
                setMixValue(SettingType::MixActivePositions,
                            active ? positions | bit : positions & ~bit);
            }};
}
