#pragma once

#include <QTableView>

#include <memory>

class Model;
class SettingsRowsModel;

// The settings rows of one model in a compact table, as tall as its rows. Values are changed
// in place (double-click, F2 or typing) with an editor that offers only the values the row
// takes: a spin box over its range or a list of its choices. Tab leaves the table.
class SettingsRowsView : public QTableView
{
    Q_OBJECT

public:
    explicit SettingsRowsView(QWidget *parent = nullptr);
    ~SettingsRowsView() override;

    // Shows the rows of `model` (none for a null model or one without rows).
    void showModel(std::shared_ptr<Model> model, bool editable);
    [[nodiscard]] SettingsRowsModel *rowsModel() const { return m_rows; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

private:
    void fitToRows();

    SettingsRowsModel *m_rows = nullptr;
};
