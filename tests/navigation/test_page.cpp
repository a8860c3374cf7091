#include "models/classes/airplanerxmodel.h"
#include "testregistry.h"
#include "ui/navigation/page.h"
#include "ui/navigation/pageregistry.h"
#include "ui/navigation/placeholderpage.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

class PageTest : public QObject
{
    Q_OBJECT

private slots:
    // Rows re-read the visibility on every signal, so it is sent even when nothing changed.
    void setPageVisibleAlwaysTells()
    {
        Page page;
        QVERIFY(page.isPageVisible());
        QSignalSpy spy(&page, &Page::visibilityChanged);
        page.setPageVisible(true);
        page.setPageVisible(true);
        page.setPageVisible(false);
        page.setPageVisible(false);
        QCOMPARE(spy.count(), 4);
        const QList<bool> sent{spy.at(0).at(0).toBool(), spy.at(1).at(0).toBool(),
                               spy.at(2).at(0).toBool(), spy.at(3).at(0).toBool()};
        QCOMPARE(sent, (QList<bool>{true, true, false, false}));
        QVERIFY(!page.isPageVisible());
    }

    // Refreshers run in the order the controls registered them, on every refresh.
    void refreshRunsRefreshersInOrder()
    {
        Page page;
        QList<int> calls;
        page.refresh();
        for (int control = 1; control <= 3; ++control)
            page.addRefresher([&calls, control] { calls.append(control); });
        page.refresh();
        page.refresh();
        QCOMPARE(calls, (QList<int>{1, 2, 3, 1, 2, 3}));
    }

    // A kind with a factory gets its page, made with the caller's context; headings without
    // one get a plain page and other kinds a placeholder naming the row.
    void registryMakesPagesByKind()
    {
        PageRegistry registry;
        const PageContext context{std::make_shared<AirplaneRxModel>(0xD9, 0xFF)};
        PageInfo seenInfo;
        PageContext seenContext;
        registry.setFactory(PageKind::Mixing,
                            [&](const PageInfo &info, const PageContext &pageContext) {
                                seenInfo = info;
                                seenContext = pageContext;
                                auto *page = new Page;
                                page->setObjectName("mixing");
                                return page;
                            });
        registry.setFactory(PageKind::Dashboard,
                            [](const PageInfo &, const PageContext &) { return nullptr; });

        const std::unique_ptr<Page> mixing(
            registry.create(PageInfo::forPage("Mixing", PageKind::Mixing), context));
        QCOMPARE(mixing->objectName(), QString("mixing"));
        QCOMPARE(seenInfo.title, QString("Mixing"));
        QCOMPARE(seenContext.model, context.model);

        // A factory that cannot make its page leaves the row usable.
        const std::unique_ptr<Page> dashboard(
            registry.create(PageInfo::forPage("Dashboard", PageKind::Dashboard), context));
        const auto *dashboardPlaceholder = qobject_cast<PlaceholderPage *>(dashboard.get());
        QVERIFY(dashboardPlaceholder);
        QCOMPARE(dashboardPlaceholder->title(), QString("Dashboard"));

        const std::unique_ptr<Page> trainer(
            registry.create(PageInfo::forPage("Trainer", PageKind::Trainer), context));
        const auto *trainerPlaceholder = qobject_cast<PlaceholderPage *>(trainer.get());
        QVERIFY(trainerPlaceholder);
        QCOMPARE(trainerPlaceholder->title(), QString("Trainer"));
        QVERIFY(trainerPlaceholder->showBackground());

        const std::unique_ptr<Page> heading(
            registry.create(PageInfo::heading("Model Settings"), context));
        QVERIFY(heading);
        QVERIFY(!qobject_cast<PlaceholderPage *>(heading.get()));

        registry.setFactory(PageKind::Mixing, nullptr);
        QVERIFY(!registry.hasFactory(PageKind::Mixing));
        const std::unique_ptr<Page> unregistered(
            registry.create(PageInfo::forPage("Mixing", PageKind::Mixing), context));
        QVERIFY(qobject_cast<PlaceholderPage *>(unregistered.get()));
    }
};

ZX_REGISTER_TEST(PageTest);
#include "test_page.moc"
