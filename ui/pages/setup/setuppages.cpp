// The factories of the set-up pages.
#include "ui/pages/setup/setuppages.h"

#include "models/classes/airplanerxmodel.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/setup/flightmodeswitchpage.h"
#include "ui/pages/setup/portassignmentpage.h"
#include "ui/pages/setup/receiverorientationpage.h"

namespace {

template <typename PageClass> PageFactory airplaneRxPage()
{
    return [](const PageInfo &, const PageContext &context) -> Page * {
        auto model = std::dynamic_pointer_cast<AirplaneRxModel>(context.model);
        return model ? new PageClass(std::move(model), context) : nullptr;
    };
}

} // namespace

void registerSetupPages(PageRegistry &registry)
{
    registry.setFactory(PageKind::ReceiverOrientation, airplaneRxPage<ReceiverOrientationPage>());
    registry.setFactory(PageKind::FlightModeSwitch, airplaneRxPage<FlightModeSwitchPage>());
    registry.setFactory(PageKind::PortAssignment, airplaneRxPage<PortAssignmentPage>());
}
