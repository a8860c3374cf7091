#pragma once

#include "app/tooltipparser.h"
#include "models/classes/airplanerxmodel.h"
#include "models/pageinfo.h"
#include "ui/navigation/page.h"
#include "ui/navigation/pageregistry.h"

#include <QByteArray>
#include <QList>

#include <memory>

// The receiver the pages are tested on.
inline constexpr int kReceiverProduct = 217;
inline constexpr int kPlainVersion = 0xFF;
inline constexpr int kKovaVersion = 0xFE;

// A model and one of the rate pages made for it through the registry, as the editor does.
struct PageRig
{
    explicit PageRig(std::shared_ptr<Model> model, PageKind kind, PageMode mode = PageMode::Default,
                     const TooltipTable *tooltips = nullptr);

    template <typename Widget> [[nodiscard]] Widget *child(const QString &name) const
    {
        return page->findChild<Widget *>(name);
    }

    std::shared_ptr<Model> model;
    PageRegistry registry;
    std::unique_ptr<Page> page;
};

[[nodiscard]] std::shared_ptr<AirplaneRxModel> makeReceiver(int parameterVersion);

// The receiver's image, to compare before and after an edit.
[[nodiscard]] QByteArray imageOf(const AirplaneRxModel &model);
// Offsets at which two images of one size differ.
[[nodiscard]] QList<int> differingOffsets(const QByteArray &before, const QByteArray &after);

// Picks a flight mode on a page's selector the way a keyboard user does.
void chooseFlightMode(const PageRig &rig, int flightMode);

// The program's help texts.
[[nodiscard]] const TooltipTable &programTooltips();
