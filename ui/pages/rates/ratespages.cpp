#include "ui/pages/rates/ratespages.h"

#include "ui/navigation/pageregistry.h"
#include "ui/pages/rates/dualrateexpopage.h"
#include "ui/pages/rates/gainprioritypage.h"

void registerRatePages(PageRegistry &registry)
{
    registry.setFactory(PageKind::DualRateExpo, &DualRateExpoPage::create);
    registry.setFactory(PageKind::GainPriority, &GainPriorityPage::create);
}
