#pragma once

#include "models/modelsettingsrows.h"

class AirplaneRxModel;

// The airplane receiver's settings as rows, read from the model on every call.
class AirplaneRxModelSettingsRows : public ModelSettingsRows
{
public:
    AirplaneRxModelSettingsRows(const AirplaneRxModel &model, bool editable);

    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] QString label(int row) const override;
    [[nodiscard]] QString valueText(int row) const override;
    [[nodiscard]] bool isEditable() const override { return m_editable; }

private:
    const AirplaneRxModel &m_model;
    bool m_editable = false;
};
