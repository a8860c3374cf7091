#pragma once

#include "models/modeldiff.h"

#include <QAbstractTableModel>

// Differences between the computer's model and the device as table rows: the setting's path,
// the computer's value and the device's value.
class DifferenceTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { SettingColumn, ComputerColumn, DeviceColumn, ColumnCount };

    explicit DifferenceTable(QList<ModelDifference> differences, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

private:
    QList<ModelDifference> m_differences;
};
