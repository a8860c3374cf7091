#include "models/classes/airplanerxmodel.h"
#include "models/classes/transmittermodel.h"
#include "testregistry.h"
#include "ui/navigation/navigationpane.h"
#include "ui/navigation/page.h"

#include <QListWidget>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(DeviceMode)

namespace {

std::shared_ptr<Model> receiverModel(int parameterVersion = 0xFF)
{
    return AirplaneRxModel::getModelClassInfoStatic()->create(0xD9, parameterVersion);
}

std::shared_ptr<Model> transmitterModel()
{
    return TransmitterModel::getModelClassInfoStatic()->create(
        TransmitterModel::kTransmitterProductCode, 1);
}

// A pane over a registry that makes a counting page for the dashboard.
struct PaneFixture
{
    PaneFixture()
    {
        registry.setFactory(PageKind::Dashboard, [this](const PageInfo &, const PageContext &) {
            auto *page = new Page;
            page->addRefresher([this] { ++dashboardRefreshes; });
            return page;
        });
    }

    void rebuild(const std::shared_ptr<Model> &model, const QString &title)
    {
        pane.rebuildNavigation(model, PageContext{}, title);
    }

    [[nodiscard]] QListWidget &list() const { return *pane.navList(); }
    [[nodiscard]] int row(const QString &title) const
    {
        const QList<QListWidgetItem *> items = list().findItems(title, Qt::MatchExactly);
        return items.isEmpty() ? -1 : list().row(items.first());
    }
    [[nodiscard]] QListWidgetItem *item(const QString &title) const
    {
        return list().item(row(title));
    }
    [[nodiscard]] QStringList disabledTitles() const
    {
        QStringList titles;
        for (int row = 0; row < list().count(); ++row) {
            if (!list().item(row)->flags().testFlag(Qt::ItemIsEnabled))
                titles << list().item(row)->text();
        }
        return titles;
    }
    [[nodiscard]] QStringList hiddenTitles() const
    {
        QStringList titles;
        for (int row = 0; row < list().count(); ++row) {
            if (list().item(row)->isHidden())
                titles << list().item(row)->text();
        }
        return titles;
    }
    void select(const QString &title) { list().setCurrentRow(row(title)); }

    PageRegistry registry;
    int dashboardRefreshes = 0;
    NavigationPane pane{registry};
};

} // namespace

class NavigationPaneTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<DeviceModel::WingType>();
        qRegisterMetaType<Page *>();
    }

    // The program's rows come first, then the model's, one row per record.
    void rowsFollowTheRecords()
    {
        PaneFixture fixture;
        fixture.rebuild(receiverModel(0xFE), QString());
        const PageInfoList &records = fixture.pane.records();
        QCOMPARE(records.size(), 2 + 11);
        QCOMPARE(records.at(0).title, QString("Models"));
        QCOMPARE(records.at(0).kind, PageKind::ModelLibrary);
        QCOMPARE(records.at(1).title, QString("Software Update"));
        QCOMPARE(records.at(1).flags, PageFlag::NeedsConnectedDevice);
        QCOMPARE(fixture.list().count(), records.size());
        for (int row = 0; row < records.size(); ++row) {
            QCOMPARE(fixture.list().item(row)->text(), records.at(row).title);
            QVERIFY(records.at(row).page);
            QCOMPARE(fixture.pane.pageForTitle(records.at(row).title), records.at(row).page);
        }
        QCOMPARE(fixture.row("Receiver Orientation"), -1);

        fixture.rebuild(nullptr, QString());
        QCOMPARE(fixture.list().count(), 2);
    }

    // Without a device only the rows that need one are closed.
    void noDeviceClosesOnlyDeviceRows_data()
    {
        QTest::addColumn<bool>("transmitter");
        QTest::addColumn<QStringList>("disabled");

        QTest::newRow("receiver") << false << QStringList{"Software Update"};
        QTest::newRow("transmitter")
            << true << QStringList{"Software Update", "Transmitter Settings"};
    }
    void noDeviceClosesOnlyDeviceRows()
    {
        QFETCH(bool, transmitter);
        QFETCH(QStringList, disabled);

        PaneFixture fixture;
        fixture.rebuild(transmitter ? transmitterModel() : receiverModel(), "Models");
        QCOMPARE(fixture.disabledTitles(), disabled);
        fixture.pane.updateEnabledPages(DeviceMode::Unknown, false);
        QCOMPARE(fixture.disabledTitles(), disabled);
    }

    // A device no model class serves leaves only "Software Update" open and takes the
    // selection there; a served device opens everything and the selection stays.
    void deviceStateMovesTheSelection_data()
    {
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<bool>("hasModelClass");
        QTest::addColumn<int>("enabledRows");
        QTest::addColumn<QString>("selected");

        QTest::newRow("device without model class")
            << DeviceMode::FSK << false << 1 << "Software Update";
        QTest::newRow("bootloader without model class")
            << DeviceMode::Bootloader << false << 1 << "Software Update";
        QTest::newRow("device with model class") << DeviceMode::FSK << true << 14 << "Mixing";
        QTest::newRow("switching is no device") << DeviceMode::Switching << false << 13 << "Mixing";
    }
    void deviceStateMovesTheSelection()
    {
        QFETCH(DeviceMode, mode);
        QFETCH(bool, hasModelClass);
        QFETCH(int, enabledRows);
        QFETCH(QString, selected);

        PaneFixture fixture;
        fixture.rebuild(receiverModel(), "Mixing");
        QCOMPARE(fixture.pane.selectedTitle(), QString("Mixing"));
        QSignalSpy pages(&fixture.pane, &NavigationPane::currentPageChanged);

        fixture.pane.updateEnabledPages(mode, hasModelClass);
        QCOMPARE(fixture.list().count() - fixture.disabledTitles().size(), enabledRows);
        QCOMPARE(fixture.pane.selectedTitle(), selected);
        QCOMPARE(fixture.pane.pageStack()->currentWidget(), fixture.pane.pageForTitle(selected));
        QCOMPARE(pages.count(), selected == "Mixing" ? 0 : 1);

        // The device goes away: every row but the update opens again, the selection stays.
        fixture.pane.updateEnabledPages(DeviceMode::Unknown, false);
        QCOMPARE(fixture.disabledTitles(), QStringList{"Software Update"});
        QCOMPARE(fixture.pane.selectedTitle(),
                 selected == "Software Update" ? QString("Models") : selected);
    }

    // With every row closed no row is selected and the stack shows the placeholder.
    void nothingOpenSelectsNothing()
    {
        PaneFixture fixture;
        fixture.rebuild(nullptr, "Models");
        fixture.list().item(fixture.row("Software Update"))->setHidden(true);
        QSignalSpy pages(&fixture.pane, &NavigationPane::currentPageChanged);
        fixture.pane.updateEnabledPages(DeviceMode::FSK, false);
        QCOMPARE(fixture.pane.selectedTitle(), QString());
        QCOMPARE(fixture.list().selectedItems().size(), 0);
        QVERIFY(!fixture.pane.pageStack()->currentWidget()->isAncestorOf(fixture.pane.navList()));
        for (const PageInfo &record : fixture.pane.records())
            QVERIFY(fixture.pane.pageStack()->currentWidget() != record.page);
        QCOMPARE(pages.count(), 1);
        QCOMPARE(pages.at(0).at(0).value<Page *>(), nullptr);
    }

    // The selection is restored by title across models; a title no row has selects nothing.
    void rebuildSelectsByTitle()
    {
        PaneFixture fixture;
        QSignalSpy pages(&fixture.pane, &NavigationPane::currentPageChanged);
        fixture.rebuild(receiverModel(), "Aircraft Type");
        QCOMPARE(fixture.pane.selectedTitle(), QString("Aircraft Type"));
        Page *receiverPage = fixture.pane.pageForTitle("Aircraft Type");
        QCOMPARE(fixture.pane.pageStack()->currentWidget(), receiverPage);

        fixture.rebuild(transmitterModel(), "Aircraft Type");
        QCOMPARE(fixture.pane.selectedTitle(), QString("Aircraft Type"));
        Page *transmitterPage = fixture.pane.pageForTitle("Aircraft Type");
        QVERIFY(transmitterPage != receiverPage);
        QCOMPARE(fixture.pane.pageStack()->currentWidget(), transmitterPage);
        QCOMPARE(pages.count(), 2);
        QCOMPARE(pages.last().at(0).value<Page *>(), transmitterPage);

        fixture.rebuild(receiverModel(), "Throttle Curve");
        QCOMPARE(fixture.pane.selectedTitle(), QString());
        QCOMPARE(fixture.list().selectedItems().size(), 0);
        QCOMPARE(pages.last().at(0).value<Page *>(), nullptr);
    }

    // A transmitter shows the differential for a two-aileron airplane and the curves for a
    // helicopter, following the model's aircraft and wing type as they change.
    void transmitterRowsFollowTheAircraft()
    {
        PaneFixture fixture;
        const std::shared_ptr<Model> model = transmitterModel();
        auto &transmitter = static_cast<TransmitterModel &>(*model);
        transmitter.setAircraftType(AircraftType::Airplane);
        transmitter.setWingType(DeviceModel::WingTypeElevonA);
        fixture.rebuild(model, "Differential");
        QCOMPARE(fixture.hiddenTitles(), (QStringList{"Throttle Curve", "Pitch Curve"}));
        QCOMPARE(fixture.pane.selectedTitle(), QString("Differential"));

        transmitter.setAircraftType(AircraftType::Helicopter);
        QCOMPARE(fixture.hiddenTitles(), QStringList{"Differential"});
        QVERIFY(fixture.pane.pageForTitle("Throttle Curve")->isPageVisible());
        // The hidden row gave up the selection.
        QVERIFY(fixture.pane.selectedTitle() != "Differential");
        QVERIFY(!fixture.pane.selectedTitle().isEmpty());

        transmitter.setAircraftType(AircraftType::Airplane);
        QCOMPARE(fixture.hiddenTitles(),
                 (QStringList{"Throttle Curve", "Pitch Curve", "Differential"}));
        transmitter.setWingType(DeviceModel::WingTypeDualAileron);
        QCOMPARE(fixture.hiddenTitles(), (QStringList{"Throttle Curve", "Pitch Curve"}));

        // The replaced model no longer drives the rows of the new one.
        const std::shared_ptr<Model> other = transmitterModel();
        fixture.rebuild(other, QString());
        const QStringList hidden = fixture.hiddenTitles();
        transmitter.setAircraftType(AircraftType::Helicopter);
        QCOMPARE(fixture.hiddenTitles(), hidden);
    }

    // Arrow keys and the mouse land only on rows that open a page.
    void userLandsOnlyOnOpenPages()
    {
        PaneFixture fixture;
        fixture.pane.resize(600, 500);
        fixture.pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fixture.pane));
        // A requested row that is closed gives way to the first open one.
        fixture.rebuild(transmitterModel(), "Transmitter Settings");
        QCOMPARE(fixture.pane.selectedTitle(), QString("Models"));
        QListWidget &list = fixture.list();
        list.setFocus();

        const auto keyDown = [&] {
            QTest::keyClick(&list, Qt::Key_Down);
            return fixture.pane.selectedTitle();
        };
        // "Software Update" and "Transmitter Settings" are closed, "Model Settings" is a
        // heading, and the airplane hides the curves.
        QCOMPARE(keyDown(), QString("Exponential"));
        QCOMPARE(keyDown(), QString("Dual Rate"));
        QCOMPARE(keyDown(), QString("Aircraft Type"));
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(fixture.pane.selectedTitle(), QString("Dual Rate"));
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(fixture.pane.selectedTitle(), QString("Trainer"));
        QCOMPARE(keyDown(), QString("Trainer"));
        QTest::keyClick(&list, Qt::Key_Home);
        QCOMPARE(fixture.pane.selectedTitle(), QString("Models"));

        const auto click = [&](const QString &title, Qt::KeyboardModifiers modifiers = {}) {
            const QRect rect = list.visualItemRect(fixture.item(title));
            QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, rect.center());
            return fixture.pane.selectedTitle();
        };
        QCOMPARE(click("Trainer"), QString("Trainer"));
        QCOMPARE(click("Initial Setup"), QString("Trainer"));
        QCOMPARE(click("Software Update"), QString("Trainer"));
        QCOMPARE(click("Trainer", Qt::ControlModifier), QString("Trainer"));
        QVERIFY(!(fixture.item("Model Settings")->flags() & Qt::ItemIsSelectable));
        QCOMPARE(list.accessibleName(), QString("Navigation"));
        QCOMPARE(list.objectName(), QString("navList"));
    }

    // Each page is in the stack once; a rebuild drops the former model's pages and keeps the
    // program's own.
    void rebuildReplacesEditorPages()
    {
        PaneFixture fixture;
        fixture.rebuild(receiverModel(), QString());
        const PageInfoList before = fixture.pane.records();
        QStackedWidget *stack = fixture.pane.pageStack();
        // Every record's page plus the placeholder shown without a selection.
        QCOMPARE(stack->count(), before.size() + 1);
        QList<QPointer<Page>> oldPages;
        for (qsizetype row = 2; row < before.size(); ++row)
            oldPages.append(before.at(row).page);

        fixture.rebuild(receiverModel(), QString());
        const PageInfoList after = fixture.pane.records();
        QCOMPARE(stack->count(), after.size() + 1);
        QCOMPARE(after.at(0).page, before.at(0).page);
        QCOMPARE(after.at(1).page, before.at(1).page);
        for (const QPointer<Page> &page : std::as_const(oldPages))
            QCOMPARE(stack->indexOf(page), -1);
        QTRY_VERIFY(std::all_of(oldPages.cbegin(), oldPages.cend(),
                                [](const QPointer<Page> &page) { return page.isNull(); }));

        fixture.rebuild(nullptr, QString());
        QCOMPARE(stack->count(), 3);
    }

    // A page is brought up to date whenever it comes into view and when the model's settings
    // change as a whole.
    void shownPageIsRefreshed()
    {
        PaneFixture fixture;
        const std::shared_ptr<Model> model = receiverModel();
        fixture.rebuild(model, "Dashboard");
        QCOMPARE(fixture.dashboardRefreshes, 1);
        fixture.select("Mixing");
        fixture.select("Dashboard");
        QCOMPARE(fixture.dashboardRefreshes, 2);
        model->resetToDefaults();
        QCOMPARE(fixture.dashboardRefreshes, 3);
        fixture.select("Mixing");
        model->resetToDefaults();
        QCOMPARE(fixture.dashboardRefreshes, 3);
    }

    // A page's own visibility hides and shows its row.
    void rowFollowsPageVisibility()
    {
        PaneFixture fixture;
        fixture.rebuild(receiverModel(), "Mixing");
        Page *mixing = fixture.pane.pageForTitle("Mixing");
        mixing->setPageVisible(false);
        QCOMPARE(fixture.hiddenTitles(), QStringList{"Mixing"});
        QCOMPARE(fixture.pane.selectedTitle(), QString("Models"));
        mixing->setPageVisible(true);
        QCOMPARE(fixture.hiddenTitles(), QStringList{});
    }

    // The notification bit is set and cleared on the record and reaches the row's drawing.
    void notificationFlag()
    {
        PaneFixture fixture;
        fixture.rebuild(receiverModel(), QString());
        fixture.pane.setRowNotification("Software Update", true);
        const int row = fixture.row("Software Update");
        QCOMPARE(fixture.pane.records().at(row).flags,
                 PageFlag::NeedsConnectedDevice | PageFlag::ShowsNotification);
        // The program's rows keep it across models.
        fixture.rebuild(transmitterModel(), QString());
        QCOMPARE(fixture.pane.records().at(row).flags,
                 PageFlag::NeedsConnectedDevice | PageFlag::ShowsNotification);
        fixture.pane.setRowNotification("Software Update", false);
        QCOMPARE(fixture.pane.records().at(row).flags, PageFlag::NeedsConnectedDevice);
    }
};

ZX_REGISTER_TEST(NavigationPaneTest);
#include "test_navigationpane.moc"
