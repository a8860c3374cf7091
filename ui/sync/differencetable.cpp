#include "ui/sync/differencetable.h"

#include "models/settingpaths.h"

DifferenceTable::DifferenceTable(QList<ModelDifference> differences, QObject *parent)
    : QAbstractTableModel(parent)
    , m_differences(std::move(differences))
{}

int DifferenceTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_differences.size());
}

int DifferenceTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DifferenceTable::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const ModelDifference &difference = m_differences.at(index.row());
    switch (index.column()) {
    case SettingColumn:
        return difference.path;
    case ComputerColumn:
        return settingText(difference.first);
    case DeviceColumn:
        return settingText(difference.second);
    default:
        return {};
    }
}

QVariant DifferenceTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case SettingColumn:
        return QStringLiteral("Setting");
    case ComputerColumn:
        return QStringLiteral("Computer");
    case DeviceColumn:
        return QStringLiteral("Device");
    default:
        return {};
    }
}
