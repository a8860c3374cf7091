#include "ui/pages/editorpages.h"

#include "ui/pages/aircraft/aircraftpages.h"
#include "ui/pages/mixing/mixingpages.h"
#include "ui/pages/rates/ratespages.h"
#include "ui/pages/setup/setuppages.h"

void registerEditorPages(PageRegistry &registry)
{
    registerMixingPages(registry);
    registerRatePages(registry);
    registerAircraftPages(registry);
    registerSetupPages(registry);
}
