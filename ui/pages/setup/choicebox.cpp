// boundChoiceBox: a setting's combo box whose items follow the model.
#include "ui/pages/setup/choicebox.h"

#include "ui/navigation/page.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace {

ChoiceItems itemsOf(const QComboBox &box)
{
    ChoiceItems items;
    for (int index = 0; index < box.count(); ++index)
        items.append({box.itemText(index), box.itemData(index).toInt()});
    return items;
}

} // namespace

QComboBox *boundChoiceBox(Page &page, std::function<ChoiceItems(int current)> items,
                          IntSetting setting, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    const auto show = [box, items = std::move(items), get = setting.get] {
        const QSignalBlocker blocker(box);
        const int current = get();
        const ChoiceItems wanted = items(current);
        if (wanted != itemsOf(*box)) {
            box->clear();
            for (const auto &[text, value] : wanted)
                box->addItem(text, value);
        }
        box->setCurrentIndex(box->findData(current));
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

void disableComboItem(QComboBox &box, int index)
{
    if (auto *items = qobject_cast<QStandardItemModel *>(box.model())) {
        if (QStandardItem *item = items->item(index))
            item->setEnabled(false);
    }
}
