#pragma once

#include "ui/pages/common/settingcontrols.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

class Page;
class QComboBox;
class QWidget;

using ChoiceItems = QList<std::pair<QString, int>>;

// A combo box bound to one setting whose items are worked out anew at every refresh, for
// choices that depend on other settings (the surfaces an aircraft type brings, the mixes in
// use, the transmitter's channel count). `items` gets the stored value, so that it can name a
// value that would otherwise have no item. The items are rebuilt only when they change, so a
// refresh leaves an open list alone.
[[nodiscard]] QComboBox *boundChoiceBox(Page &page, std::function<ChoiceItems(int current)> items,
                                        IntSetting setting, QWidget *parent);

// Makes item `index` of a combo box impossible to choose (it can still be shown as current).
void disableComboItem(QComboBox &box, int index);
