#pragma once

#include "ui/pages/common/settingcontrols.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

class Page;
class QComboBox;
class QWidget;

// A combo box of (text, code) items bound to one setting, like boundComboBox, except that a
// stored code no item has still shows: it gets an extra item of its own, named by `nameOf`,
// for as long as the setting holds it. A receiver may carry codes that the page does not offer
// (another program wrote them, or a newer firmware), and the user must see them rather than
// an empty box.
[[nodiscard]] QComboBox *boundCodeComboBox(Page &page, const QList<std::pair<QString, int>> &items,
                                           std::function<QString(int)> nameOf, IntSetting setting,
                                           QWidget *parent);
