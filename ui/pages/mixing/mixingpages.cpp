#include "ui/pages/mixing/mixingpages.h"

#include "models/classes/airplanerxmodel.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/mixing/dashboardpage.h"
#include "ui/pages/mixing/mixingpage.h"

void registerMixingPages(PageRegistry &registry)
{
    registry.setFactory(
        PageKind::Mixing, [](const PageInfo &, const PageContext &context) -> Page * {
            auto model = std::dynamic_pointer_cast<AirplaneRxModel>(context.model);
            return model ? new MixingPage(std::move(model), context.tooltips) : nullptr;
        });
    registry.setFactory(
        PageKind::Dashboard, [](const PageInfo &, const PageContext &context) -> Page * {
            auto model = std::dynamic_pointer_cast<AirplaneRxModel>(context.model);
            return model ? new DashboardPage(std::move(model), context.deviceManager,
                                             context.connection, context.tooltips)
                         : nullptr;
        });
}
