#pragma once

#include "app/tooltipparser.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "ui/navigation/pageregistry.h"
#include "ui/widgets/picture.h"

#include <QByteArray>
#include <QComboBox>
#include <QList>
#include <QTest>

#include <memory>

namespace setuptest {

inline constexpr int kPlain = 0xFF;
inline constexpr int kEnvelope = 0xFE;

using AirplaneRx::makeSetting;
using AirplaneRx::SettingType;

inline const TooltipTable &tooltips()
{
    static const TooltipTable table = loadTooltipTable(QStringLiteral(ZX_TOOLTIP_FILE));
    return table;
}

// A receiver model of the real class, with its default image, and what its pages get.
struct Rig
{
    explicit Rig(int parameterVersion = kPlain, int productCode = 0xD9)
        : model(std::make_shared<AirplaneRxModel>(productCode, parameterVersion))
    {
        context.model = model;
        context.tooltips = &tooltips();
        // The help icon and the background, when the program's pictures are built.
        setPictureFolder(QStringLiteral(ZX_PICTURE_FOLDER));
    }

    [[nodiscard]] QByteArray bytes() const { return model->memory().modelData(0); }
    [[nodiscard]] int offsetOf(SettingType type, int port = 0, int channel = 0) const
    {
        return model->settingOffset(makeSetting(type, 0, port), channel);
    }

    std::shared_ptr<AirplaneRxModel> model;
    PageContext context;
};

// The byte offsets at which two images differ; {-1} when their sizes do.
inline QList<int> changedOffsets(const QByteArray &before, const QByteArray &after)
{
    QList<int> offsets;
    if (before.size() != after.size())
        return {-1};
    for (int offset = 0; offset < before.size(); ++offset) {
        if (before.at(offset) != after.at(offset))
            offsets.append(offset);
    }
    return offsets;
}

// Chooses the item of `value` as the user does (activated follows only user choices).
inline bool choose(QComboBox *box, int value)
{
    const int index = box ? box->findData(value) : -1;
    if (index < 0)
        return false;
    box->setCurrentIndex(index);
    emit box->activated(index);
    return true;
}

inline QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int index = 0; index < box->count(); ++index)
        texts.append(box->itemText(index));
    return texts;
}

} // namespace setuptest
