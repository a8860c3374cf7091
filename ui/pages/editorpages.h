#pragma once

class PageRegistry;

// Registers the factories of every model editor page (also the new-model wizard's set-up
// pages, which the wizard makes through the same registry).
void registerEditorPages(PageRegistry &registry);
