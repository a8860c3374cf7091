#pragma once

class PageRegistry;

// The airplane receiver's set-up pages: receiver orientation, flight-mode switch, and port
// assignment with failsafe. Their factories make no page for a model of another class.
void registerSetupPages(PageRegistry &registry);
