// SettingsRowsView: the table of a model's settings rows, with in-place editors.
#include "ui/models/settingsrowsview.h"

#include "ui/models/settingsrowsmodel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QSpinBox>
#include <QStyledItemDelegate>

namespace {

// Room for a value and its editor's buttons.
constexpr int kValueColumnCharacters = 14;

// Offers exactly the values a row takes, so nothing else can be entered.
class SettingsRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override
    {
        const auto *rows = qobject_cast<const SettingsRowsModel *>(index.model());
        if (!rows)
            return nullptr;
        const SettingsRowRange range = rows->range(index.row());
        const QString name =
            index.siblingAtColumn(SettingsRowsModel::SettingColumn).data().toString();
        if (range.isChoice()) {
            auto *box = new QComboBox(parent);
            for (const auto &[text, value] : range.choices)
                box->addItem(text, value);
            box->setAccessibleName(name);
            return box;
        }
        auto *box = new QSpinBox(parent);
        box->setRange(range.minimum, range.maximum);
        box->setAccessibleName(name);
        box->setToolTip(SettingsRowsModel::rangeText(range));
        return box;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        const int value = index.data(Qt::EditRole).toInt();
        if (auto *box = qobject_cast<QComboBox *>(editor))
            box->setCurrentIndex(box->findData(value));
        else if (auto *spin = qobject_cast<QSpinBox *>(editor))
            spin->setValue(value);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor)) {
            if (box->currentIndex() >= 0)
                model->setData(index, box->currentData(), Qt::EditRole);
        } else if (auto *spin = qobject_cast<QSpinBox *>(editor)) {
            spin->interpretText();
            model->setData(index, spin->value(), Qt::EditRole);
        }
    }
};

} // namespace

SettingsRowsView::SettingsRowsView(QWidget *parent)
    : QTableView(parent)
    , m_rows(new SettingsRowsModel(this))
{
    setObjectName(QStringLiteral("settingsRowsView"));
    setAccessibleName(tr("Model settings"));
    setModel(m_rows);
    setItemDelegate(new SettingsRowDelegate(this));
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // Tab moves on to the next control of the form, arrows move within the table.
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(SettingsRowsModel::SettingColumn,
                                             QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(SettingsRowsModel::ValueColumn,
                                             QHeaderView::Interactive);
    horizontalHeader()->resizeSection(SettingsRowsModel::ValueColumn,
                                      fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                                          kValueColumnCharacters);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_rows, &QAbstractItemModel::modelReset, this, &SettingsRowsView::fitToRows);
    fitToRows();
}

SettingsRowsView::~SettingsRowsView() = default;

void SettingsRowsView::showModel(std::shared_ptr<Model> model, bool editable)
{
    m_rows->setSource(std::move(model), editable);
    // A user who tabs into the table lands on the first value there is to change.
    for (int row = 0; row < m_rows->rowCount(); ++row) {
        const QModelIndex value = m_rows->index(row, SettingsRowsModel::ValueColumn);
        if (value.flags() & Qt::ItemIsEditable) {
            setCurrentIndex(value);
            break;
        }
    }
}

QSize SettingsRowsView::sizeHint() const
{
    const int rows = m_rows->rowCount();
    int height = horizontalHeader()->sizeHint().height() + 2 * frameWidth();
    for (int row = 0; row < rows; ++row)
        height += rowHeight(row) > 0 ? rowHeight(row) : verticalHeader()->defaultSectionSize();
    return {QTableView::sizeHint().width(), height};
}

QSize SettingsRowsView::minimumSizeHint() const
{
    return {QTableView::minimumSizeHint().width(), sizeHint().height()};
}

void SettingsRowsView::fitToRows()
{
    // The height follows the rows; the row heights are known once the view has laid them out.
    resizeRowsToContents();
    updateGeometry();
}
