#include "ui/sync/differencesdialog.h"

#include "ui/sync/differencetable.h"
#include "ui/sync/syncdifferences.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kListText =
    QStringLiteral("Using the computer settings would change these settings on the device:");
constexpr QSize kListSize{560, 320};
// Keeps the one line of "nothing differs" on one line.
constexpr int kMessageWidth = 380;

} // namespace

DifferencesDialog::DifferencesDialog(QList<ModelDifference> differences, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Differences"));
    auto *layout = new QVBoxLayout(this);
    const bool none = differences.isEmpty();

    m_label = new QLabel(none ? modelsync::kNoDifferencesText : kListText, this);
    m_label->setObjectName(QStringLiteral("differencesLabel"));
    m_label->setWordWrap(true);
    layout->addWidget(m_label);

    if (none) {
        setMinimumWidth(kMessageWidth);
    } else {
        m_rows = new DifferenceTable(std::move(differences), this);
        m_table = new QTableView(this);
        m_table->setObjectName(QStringLiteral("differencesView"));
        m_table->setAccessibleName(QStringLiteral("Differences"));
        m_table->setModel(m_rows);
        m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_table->setWordWrap(false);
        m_table->verticalHeader()->hide();
        // Uniform rows: a model far from the device can differ in thousands of settings.
        m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_table->horizontalHeader()->setSectionResizeMode(DifferenceTable::SettingColumn,
                                                          QHeaderView::Stretch);
        m_table->horizontalHeader()->setSectionResizeMode(DifferenceTable::ComputerColumn,
                                                          QHeaderView::ResizeToContents);
        m_table->horizontalHeader()->setSectionResizeMode(DifferenceTable::DeviceColumn,
                                                          QHeaderView::ResizeToContents);
        m_table->setMinimumSize(kListSize);
        layout->addWidget(m_table, 1);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    layout->addWidget(buttons);
}
