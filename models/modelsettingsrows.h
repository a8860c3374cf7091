#pragma once

#include <QString>

// A model's settings as labelled rows, for a view that lists them. Rows read the model when
// asked, so a view always shows the current values; the model outlives its rows.
class ModelSettingsRows
{
public:
    virtual ~ModelSettingsRows() = default;

    [[nodiscard]] virtual int rowCount() const = 0;
    // The row's label as shown, ending in a colon ("Transmitter Channels:").
    [[nodiscard]] virtual QString label(int row) const = 0;
    [[nodiscard]] virtual QString valueText(int row) const = 0;
    // Whether the view may offer to change the values.
    [[nodiscard]] virtual bool isEditable() const = 0;
};
