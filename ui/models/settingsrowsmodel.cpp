// SettingsRowsModel: a model's settings rows as a table for the models screens.
#include "ui/models/settingsrowsmodel.h"

#include "models/devicemodel.h"
#include "models/model.h"

#include <QStringList>

SettingsRowsModel::SettingsRowsModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

SettingsRowsModel::~SettingsRowsModel() = default;

void SettingsRowsModel::setSource(std::shared_ptr<Model> model, bool editable)
{
    beginResetModel();
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    // The rows refer to the model: they go first.
    m_rows = model ? model->createSettingsRows(editable) : nullptr;
    m_model = m_rows ? std::move(model) : nullptr;
    if (auto *deviceModel = dynamic_cast<DeviceModel *>(m_model.get())) {
        m_connections.append(connect(deviceModel, &DeviceModel::settingsChanged, this,
                                     &SettingsRowsModel::modelSettingsChanged));
        m_connections.append(connect(deviceModel, &DeviceModel::allSettingsChanged, this,
                                     &SettingsRowsModel::modelSettingsChanged));
    }
    endResetModel();
}

SettingsRowRange SettingsRowsModel::range(int row) const
{
    return m_rows && row >= 0 && row < m_rows->rowCount() ? m_rows->range(row) : SettingsRowRange{};
}

QString SettingsRowsModel::rangeText(const SettingsRowRange &range)
{
    if (!range.isChoice())
        return tr("%1 to %2").arg(range.minimum).arg(range.maximum);
    QStringList names;
    for (const auto &choice : range.choices)
        names.append(choice.first);
    return names.join(QStringLiteral(", "));
}

int SettingsRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_rows ? 0 : m_rows->rowCount();
}

int SettingsRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SettingsRowsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    switch (index.column()) {
    case SettingColumn:
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return m_rows->label(row);
        break;
    case ValueColumn:
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return m_rows->valueText(row);
        if (role == Qt::EditRole)
            return m_rows->value(row);
        if (role == Qt::ToolTipRole && m_rows->isRowEditable(row))
            return tr("Double-click or press F2 to change.");
        break;
    case RangeColumn:
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return rangeText(m_rows->range(row));
        break;
    default:
        break;
    }
    return {};
}

QVariant SettingsRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case SettingColumn:
        return tr("Setting");
    case ValueColumn:
        return tr("Value");
    case RangeColumn:
        return tr("Range");
    default:
        return {};
    }
}

Qt::ItemFlags SettingsRowsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == ValueColumn && m_rows &&
        m_rows->isRowEditable(index.row()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool SettingsRowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (!isNumber || !m_rows->setValue(index.row(), number))
        return false;
    // Not every setter tells its model's listeners; the row shows the change either way.
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}

void SettingsRowsModel::modelSettingsChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}
