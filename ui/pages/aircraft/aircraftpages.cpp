// The factories of the aircraft pages.
#include "ui/pages/aircraft/aircraftpages.h"

#include "models/classes/airplanerxmodel.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/aircraft/aircrafttypepage.h"
#include "ui/pages/aircraft/surfacesetuppage.h"

void registerAircraftPages(PageRegistry &registry)
{
    registry.setFactory(
        PageKind::AircraftType, [](const PageInfo &, const PageContext &context) -> Page * {
            auto model = std::dynamic_pointer_cast<AirplaneRxModel>(context.model);
            if (!model)
                return nullptr;
            AircraftTypeSettings &settings = *model;
            return new AircraftTypePage(std::move(model), settings, context.tooltips);
        });
    registry.setFactory(PageKind::SurfaceSetup,
                        [](const PageInfo &, const PageContext &context) -> Page * {
                            auto model = std::dynamic_pointer_cast<AirplaneRxModel>(context.model);
                            if (!model)
                                return nullptr;
                            return new SurfaceSetupPage(std::move(model), context.tooltips);
                        });
}
