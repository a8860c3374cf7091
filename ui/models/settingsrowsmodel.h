#pragma once

#include "models/modelsettingsrows.h"

#include <QAbstractTableModel>

#include <memory>

class Model;

// A model's settings rows as a table: the setting's label, its value and the values it takes.
// Rows the model lets the user change are editable in the value column (Qt::EditRole carries
// the value as a number); the table follows changes of the model from anywhere.
class SettingsRowsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { SettingColumn, ValueColumn, RangeColumn, ColumnCount };

    explicit SettingsRowsModel(QObject *parent = nullptr);
    ~SettingsRowsModel() override;

    // Shows the rows `model` offers (editable ones only when `editable`); a null model or one
    // without rows leaves the table empty. The table keeps the model alive while it shows it.
    void setSource(std::shared_ptr<Model> model, bool editable);
    [[nodiscard]] const std::shared_ptr<Model> &source() const { return m_model; }

    // The values row `row` takes, for its editor.
    [[nodiscard]] SettingsRowRange range(int row) const;
    // "5 to 24", or the choices' names in order.
    [[nodiscard]] static QString rangeText(const SettingsRowRange &range);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    void modelSettingsChanged();

    std::shared_ptr<Model> m_model;
    std::unique_ptr<ModelSettingsRows> m_rows;
    QList<QMetaObject::Connection> m_connections;
};
