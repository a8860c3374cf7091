#include "ui/pages/mixing/codecombobox.h"

#include "ui/navigation/page.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

// Marks the item that stands for a stored code the list does not offer.
constexpr int kExtraItemRole = Qt::UserRole + 1;

void removeExtraItems(QComboBox &box)
{
    for (int index = box.count() - 1; index >= 0; --index) {
        if (box.itemData(index, kExtraItemRole).toBool())
            box.removeItem(index);
    }
}

} // namespace

QComboBox *boundCodeComboBox(Page &page, const QList<std::pair<QString, int>> &items,
                             std::function<QString(int)> nameOf, IntSetting setting,
                             QWidget *parent)
{
    auto *box = new QComboBox(parent);
    for (const auto &[text, value] : items)
        box->addItem(text, value);
    const auto show = [box, get = setting.get, nameOf = std::move(nameOf)] {
        const QSignalBlocker blocker(box);
        const int value = get();
        removeExtraItems(*box);
        int index = box->findData(value);
        if (index < 0) {
            box->addItem(nameOf(value), value);
            index = box->count() - 1;
            box->setItemData(index, true, kExtraItemRole);
        }
        box->setCurrentIndex(index);
    };
    page.addRefresher(show);
    QObject::connect(box, qOverload<int>(&QComboBox::activated), box,
                     [box, get = setting.get, set = setting.set](int index) {
                         const int value = box->itemData(index).toInt();
                         if (value != get())
                             set(value);
                     });
    show();
    return box;
}
