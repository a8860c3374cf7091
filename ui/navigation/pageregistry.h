#pragma once

#include "app/tooltipparser.h"
#include "models/pageinfo.h"

#include <QHash>

#include <functional>
#include <memory>

class DeviceConnection;
class DeviceManager;
class Model;
class QWidget;

// What a page factory may hand to the page it makes.
struct PageContext
{
    std::shared_ptr<Model> model;
    DeviceManager *deviceManager = nullptr;
    DeviceConnection *connection = nullptr;
    // The main window, as the parent of the dialogs a page opens.
    QWidget *window = nullptr;
    // The help texts of the pages' help indicators; none in the wizard's set-up pages.
    const TooltipTable *tooltips = nullptr;
};

// Makes the page widget of a record; the caller takes ownership.
using PageFactory = std::function<Page *(const PageInfo &, const PageContext &)>;

// One factory per page kind, registered at start-up by the screens that provide the pages.
// Kinds nobody provides get a placeholder page, so a model class can list a page before its
// editor exists.
class PageRegistry
{
public:
    // Replaces the kind's factory; an empty factory removes it.
    void setFactory(PageKind kind, PageFactory factory);
    [[nodiscard]] bool hasFactory(PageKind kind) const;

    // A heading without a factory gets a plain, empty page. Never null.
    [[nodiscard]] Page *create(const PageInfo &info, const PageContext &context) const;

private:
    QHash<int, PageFactory> m_factories;
};
