#pragma once

#include "models/modelsettingsrows.h"

class AirplaneRxModel;

// The airplane receiver's settings as rows, read from the model on every call and changed
// through the model's setters.
class AirplaneRxModelSettingsRows : public ModelSettingsRows
{
public:
    AirplaneRxModelSettingsRows(const AirplaneRxModel &model, bool editable);

    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] QString label(int row) const override;
    [[nodiscard]] QString valueText(int row) const override;
    [[nodiscard]] bool isEditable() const override { return m_editable; }

    [[nodiscard]] int value(int row) const override;
    [[nodiscard]] SettingsRowRange range(int row) const override;
    [[nodiscard]] bool isRowEditable(int row) const override;
    bool setValue(int row, int value) override;

private:
    AirplaneRxModel &m_model;
    bool m_editable = false;
};
