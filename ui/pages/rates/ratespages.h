#pragma once

class PageRegistry;

// The exponential, dual-rate and gain pages.
void registerRatePages(PageRegistry &registry);
