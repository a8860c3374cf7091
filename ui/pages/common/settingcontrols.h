#pragma once

#include "app/tooltipparser.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

class DeviceModel;
class HelpIndicator;
class Page;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QWidget;

// Controls that show one model setting and hand every change the user makes to the model.
// Each registers a refresher on its page, so it follows a change made anywhere (another page,
// undo, a sync from the device); a refresh never writes back.

// Reads and writes one integer setting through the model's own operations.
struct IntSetting
{
    std::function<int()> get;
    std::function<void(int)> set;
};

struct BoolSetting
{
    std::function<bool()> get;
    std::function<void(bool)> set;
};

// A spin box over minimum..maximum, with the unit as suffix (" %", " ms") and the range in
// its tooltip; a value outside the range cannot be entered. Typing commits on Enter or when
// the box loses focus, so "50" is one edit and not two.
[[nodiscard]] QSpinBox *boundSpinBox(Page &page, int minimum, int maximum, const QString &unit,
                                     IntSetting setting, QWidget *parent);

// A combo box of (text, value) items; a stored value that no item has shows no selection.
[[nodiscard]] QComboBox *boundComboBox(Page &page, const QList<std::pair<QString, int>> &items,
                                       IntSetting setting, QWidget *parent);

[[nodiscard]] QCheckBox *boundCheckBox(Page &page, const QString &text, BoolSetting setting,
                                       QWidget *parent);

// Refreshes the page whenever the model's settings change, and once now.
void refreshOnSettingsChanges(Page &page, DeviceModel &model);

// The help indicator of `key`, or nullptr when the page has no help texts (the wizard's).
[[nodiscard]] HelpIndicator *helpIndicator(const TooltipTable *tooltips, const QString &key,
                                           QWidget *parent);
