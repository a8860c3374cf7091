#pragma once

class PageRegistry;

// Sets the factories of the aircraft-type and surface set-up pages. Both serve the airplane
// receiver; for any other model they make no page, and the registry shows its placeholder.
void registerAircraftPages(PageRegistry &registry);
