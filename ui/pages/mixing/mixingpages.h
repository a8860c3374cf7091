#pragma once

class PageRegistry;

// Registers the airplane receiver's mixing page and dashboard.
void registerMixingPages(PageRegistry &registry);
