// PageRegistry: page widgets by page kind.
#include "ui/navigation/pageregistry.h"

#include "ui/navigation/page.h"
#include "ui/navigation/placeholderpage.h"

void PageRegistry::setFactory(PageKind kind, PageFactory factory)
{
    if (factory)
        m_factories.insert(int(kind), std::move(factory));
    else
        m_factories.remove(int(kind));
}

bool PageRegistry::hasFactory(PageKind kind) const
{
    return m_factories.contains(int(kind));
}

Page *PageRegistry::create(const PageInfo &info, const PageContext &context) const
{
    const auto factory = m_factories.constFind(int(info.kind));
    if (factory != m_factories.cend()) {
        if (Page *page = (*factory)(info, context))
            return page;
    }
    if (info.isHeader)
        return new Page;
    auto *placeholder = new PlaceholderPage(info.title);
    // The dashboard carries the logo whether or not its editor exists yet.
    placeholder->setShowLogo(info.kind == PageKind::Dashboard);
    return placeholder;
}
