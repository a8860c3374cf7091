#pragma once

#include <QList>
#include <QString>

#include <utility>

// The values one settings row takes: a number from minimum to maximum, or one of named
// choices (then minimum and maximum are not used).
struct SettingsRowRange
{
    int minimum = 0;
    int maximum = 0;
    // (text, value) in the order an editor offers them; empty for a number.
    QList<std::pair<QString, int>> choices;

    [[nodiscard]] bool isChoice() const { return !choices.isEmpty(); }
    [[nodiscard]] bool contains(int value) const
    {
        if (!isChoice())
            return value >= minimum && value <= maximum;
        for (const auto &choice : choices) {
            if (choice.second == value)
                return true;
        }
        return false;
    }
    bool operator==(const SettingsRowRange &) const = default;
};

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

    // What an editor of a row works with: the value as a number (a choice's value) and the
    // values the row takes.
    [[nodiscard]] virtual int value(int) const { return 0; }
    [[nodiscard]] virtual SettingsRowRange range(int) const { return {}; }
    // Whether the user may change this row: the rows are editable and the setting has more
    // than one value to choose from.
    [[nodiscard]] virtual bool isRowEditable(int) const { return false; }
    // Changes the row's setting through the model's own operations. False, with nothing
    // changed, when the row is not editable or the value is outside its range.
    virtual bool setValue(int, int) { return false; }
};
