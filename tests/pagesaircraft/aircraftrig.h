#pragma once

#include "app/tooltipparser.h"
#include "models/classes/airplanerxmodel.h"
#include "ui/widgets/helpindicator.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMessageBox>
#include <QSet>
#include <QTest>

#include <memory>

// Shared set-up of the aircraft page tests: real models, their bytes, and the user's gestures.
namespace aircrafttest {

inline constexpr int kSmallReceiver = 0xD9; // 5 surface outputs
inline constexpr int kLargeReceiver = 0xDB; // 8 surface outputs
inline constexpr int kPlain = 0xFF;
inline constexpr int kEnvelope = 0xFE;

inline std::shared_ptr<AirplaneRxModel> receiver(int productCode = kSmallReceiver,
                                                 int parameterVersion = kPlain)
{
    return std::make_shared<AirplaneRxModel>(productCode, parameterVersion);
}

inline QByteArray bytesOf(const DeviceModel &model)
{
    return model.memory().modelData(0);
}

// Offsets at which the two images differ.
inline QSet<int> changedOffsets(const QByteArray &before, const QByteArray &after)
{
    QSet<int> offsets;
    for (int i = 0; i < std::max(before.size(), after.size()); ++i) {
        if (i >= before.size() || i >= after.size() || before[i] != after[i])
            offsets.insert(i);
    }
    return offsets;
}

inline TooltipTable shippedTooltips()
{
    return loadTooltipTable(QStringLiteral(ZX_TOOLTIP_SOURCE));
}

// Chooses the item with `data` as the user does: the box shows it, then reports the choice.
inline bool choose(QComboBox *box, int data)
{
    const int index = box->findData(data);
    if (index < 0)
        return false;
    box->setCurrentIndex(index);
    emit box->activated(index);
    return true;
}

inline QList<int> itemData(const QComboBox *box)
{
    QList<int> data;
    for (int i = 0; i < box->count(); ++i)
        data.append(box->itemData(i).toInt());
    return data;
}

// Presses the button of `role` in an open message box.
inline bool press(QMessageBox *box, QMessageBox::ButtonRole role)
{
    if (!box)
        return false;
    for (QAbstractButton *button : box->buttons()) {
        if (box->buttonRole(button) == role) {
            button->click();
            return true;
        }
    }
    return false;
}

inline QStringList helpKeys(const QWidget &page)
{
    QStringList keys;
    for (const HelpIndicator *help : page.findChildren<HelpIndicator *>())
        keys.append(help->tooltipKey());
    keys.removeDuplicates();
    keys.sort();
    return keys;
}

} // namespace aircrafttest
