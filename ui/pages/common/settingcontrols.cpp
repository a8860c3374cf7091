#include "ui/pages/common/settingcontrols.h"

#include "models/devicemodel.h"
#include "ui/navigation/page.h"
#include "ui/widgets/helpindicator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

// A spin box's text field would take Ctrl+Z and Ctrl+Shift+Z for its own text undo, which
// the user does not see as an edit of its own: the window's Undo and Redo of the model's
// edits get them instead, also while the box has focus.
class LeaveUndoToTheWindow : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto *key = static_cast<QKeyEvent *>(event);
            const bool redoKeys = key->key() == Qt::Key_Z &&
                                  key->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
            if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) || redoKeys) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QSpinBox *boundSpinBox(Page &page, int minimum, int maximum, const QString &unit,
                       IntSetting setting, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setSuffix(unit);
    box->setKeyboardTracking(false);
    box->setAccelerated(true);
    box->setToolTip(QObject::tr("%1 to %2%3").arg(minimum).arg(maximum).arg(unit));
    auto *filter = new LeaveUndoToTheWindow(box);
    box->installEventFilter(filter);
    if (QLineEdit *edit = box->findChild<QLineEdit *>())
        edit->installEventFilter(filter);
    page.addRefresher([box, get = setting.get] {
        const QSignalBlocker blocker(box);
        box->setValue(get());
    });
    QObject::connect(box, qOverload<int>(&QSpinBox::valueChanged), box,
                     [get = setting.get, set = setting.set](int value) {
                         if (value != get())
                             set(value);
                     });
    const QSignalBlocker blocker(box);
    box->setValue(setting.get());
    return box;
}

QComboBox *boundComboBox(Page &page, const QList<std::pair<QString, int>> &items,
                         IntSetting setting, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    for (const auto &[text, value] : items)
        box->addItem(text, value);
    const auto show = [box, get = setting.get] {
        const QSignalBlocker blocker(box);
        box->setCurrentIndex(box->findData(get()));
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

QCheckBox *boundCheckBox(Page &page, const QString &text, BoolSetting setting, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    const auto show = [box, get = setting.get] {
        const QSignalBlocker blocker(box);
        box->setChecked(get());
    };
    page.addRefresher(show);
    QObject::connect(box, &QCheckBox::toggled, box,
                     [get = setting.get, set = setting.set](bool checked) {
                         if (checked != get())
                             set(checked);
                     });
    show();
    return box;
}

void refreshOnSettingsChanges(Page &page, DeviceModel &model)
{
    QObject::connect(&model, &DeviceModel::settingsChanged, &page, &Page::refresh);
    QObject::connect(&model, &DeviceModel::allSettingsChanged, &page, &Page::refresh);
    page.refresh();
}

HelpIndicator *helpIndicator(const TooltipTable *tooltips, const QString &key, QWidget *parent)
{
    return tooltips ? new HelpIndicator(key, *tooltips, parent) : nullptr;
}
