// The aircraft-type page on the airplane receiver and, through the same interface, the
// transmitter.
#include "aircraftrig.h"
#include "models/classes/gyroboxmodel.h"
#include "models/classes/transmittermodel.h"
#include "testregistry.h"
#include "ui/navigation/pageregistry.h"
#include "ui/navigation/placeholderpage.h"
#include "ui/pages/aircraft/aircraftpages.h"
#include "ui/pages/aircraft/aircrafttypenames.h"
#include "ui/pages/aircraft/aircrafttypepage.h"
#include "ui/pages/aircraft/aircrafttypepicture.h"
#include "ui/pages/aircraft/surfacesetuppage.h"
#include "ui/widgets/picture.h"

#include <QCheckBox>
#include <QLabel>

using namespace aircrafttest;

namespace {

using WT = DeviceModel::WingType;
using TT = DeviceModel::TailType;

struct TypePage
{
    std::shared_ptr<DeviceModel> model;
    AircraftTypePage page;
    TooltipTable tooltips;

    TypePage(std::shared_ptr<DeviceModel> m, AircraftTypeSettings &settings,
             const TooltipTable *table = nullptr)
        : model(std::move(m))
        , page(model, settings, table)
    {}

    QComboBox *box(const char *name) const
    {
        return page.findChild<QComboBox *>(QString::fromLatin1(name));
    }
    QLabel *label(const char *name) const
    {
        return page.findChild<QLabel *>(QString::fromLatin1(name));
    }
};

std::unique_ptr<TypePage> pageOn(const std::shared_ptr<AirplaneRxModel> &model,
                                 const TooltipTable *tooltips = nullptr)
{
    return std::make_unique<TypePage>(model, *model, tooltips);
}

QList<int> ints(const QList<WT> &types)
{
    return QList<int>(types.begin(), types.end());
}

QList<int> ints(const QList<TT> &types)
{
    return QList<int>(types.begin(), types.end());
}

} // namespace

class AircraftTypePageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setPictureFolder(QStringLiteral(ZX_PICTURE_DIR)); }
    void cleanupTestCase() { setPictureFolder({}); }

    // Both pages serve the airplane receiver only; any other model gets the placeholder.
    void factoriesServeTheAirplaneReceiver()
    {
        PageRegistry registry;
        registerAircraftPages(registry);
        const PageInfo typeInfo =
            PageInfo::forPage(QStringLiteral("Aircraft Type"), PageKind::AircraftType);
        const PageInfo surfaceInfo =
            PageInfo::forPage(QStringLiteral("Surface Setup"), PageKind::SurfaceSetup);

        PageContext context;
        context.model = receiver();
        std::unique_ptr<Page> typePage(registry.create(typeInfo, context));
        std::unique_ptr<Page> surfacePage(registry.create(surfaceInfo, context));
        QVERIFY(qobject_cast<AircraftTypePage *>(typePage.get()));
        QVERIFY(qobject_cast<SurfaceSetupPage *>(surfacePage.get()));
        QVERIFY(typePage->showBackground());
        QVERIFY(!surfacePage->showBackground());

        for (const std::shared_ptr<Model> &other :
             {std::shared_ptr<Model>(std::make_shared<TransmitterModel>(0xEF, 1)),
              std::shared_ptr<Model>(std::make_shared<GyroboxModel>(0x3A, 0)),
              std::shared_ptr<Model>()}) {
            context.model = other;
            std::unique_ptr<Page> a(registry.create(typeInfo, context));
            std::unique_ptr<Page> b(registry.create(surfaceInfo, context));
            QVERIFY(qobject_cast<PlaceholderPage *>(a.get()));
            QVERIFY(qobject_cast<PlaceholderPage *>(b.get()));
        }
    }

    // The boxes list what the model offers and show its current types; the variant with
    // flight-envelope protection offers two wings and one tail.
    void controlsShowTheModel_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::newRow("0xD9 plain") << kSmallReceiver << kPlain;
        QTest::newRow("0xD9 envelope") << kSmallReceiver << kEnvelope;
        QTest::newRow("0xDB") << kLargeReceiver << kPlain;
    }
    void controlsShowTheModel()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        const auto model = receiver(productCode, parameterVersion);
        const auto rig = pageOn(model);

        QComboBox *aircraft = rig->box("aircraftTypeBox");
        QComboBox *wing = rig->box("wingTypeBox");
        QComboBox *tail = rig->box("tailTypeBox");
        QCOMPARE(itemData(aircraft), QList<int>{int(AircraftType::Airplane)});
        QVERIFY(!aircraft->isEnabled());
        QCOMPARE(itemData(wing), ints(model->wingTypes()));
        QCOMPARE(wing->currentData().toInt(), int(model->wingType()));
        QCOMPARE(itemData(tail), ints(model->tailTypes()));
        QCOMPARE(tail->currentData().toInt(), int(model->tailType()));
        QCOMPARE(wing->isEnabled(), model->wingTypes().size() > 1);
        QCOMPARE(tail->isEnabled(), model->tailTypes().size() > 1);
        if (parameterVersion == kEnvelope) {
            QCOMPARE(itemData(wing), (QList<int>{WT::WingTypeNormal, WT::WingTypeDualAileron}));
            QCOMPARE(itemData(tail), QList<int>{TT::TailTypeNormal});
            QVERIFY(!tail->isEnabled());
        }
        QCOMPARE(wing->currentText(), AircraftTypeNames::wingTypeName(model->wingType()));

        // The receiver leaves the mixing direction to the wing type and has no extra choices.
        QVERIFY(!rig->page.findChild<QCheckBox *>(QStringLiteral("wingMixReversedBox"))
                     ->isVisibleTo(&rig->page));
        QVERIFY(!rig->page.findChild<QComboBox *>(QStringLiteral("extraSelector0")));
        QCOMPARE(rig->label("transmitterWingTypeNote")->text(), model->transmitterWingTypeNote());
        QCOMPARE(rig->label("wingTailChangeNote")->text(), model->wingTailChangeNote());

        const AircraftTypePicture *picture = rig->page.picture();
        QCOMPARE(picture->wingType(), model->wingType());
        QCOMPARE(picture->tailType(), model->tailType());
    }

    // A wing or tail choice waits for the user to accept the model's warning: a cancel leaves
    // the model's bytes alone and the box back on the model's type; an accept makes exactly the
    // change the model's own setter makes.
    void layoutChangeWaitsForConfirmation_data()
    {
        QTest::addColumn<QByteArray>("boxName");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("choice");
        QTest::newRow("dual aileron wing")
            << QByteArray("wingTypeBox") << kSmallReceiver << int(WT::WingTypeDualAileron);
        QTest::newRow("flying wing")
            << QByteArray("wingTypeBox") << kLargeReceiver << int(WT::WingTypeElevon);
        QTest::newRow("four ailerons, tail kept")
            << QByteArray("wingTypeBox") << kLargeReceiver << int(WT::WingTypeFourAilerons);
        QTest::newRow("v-tail") << QByteArray("tailTypeBox") << kSmallReceiver
                                << int(TT::TailTypeVTail);
        QTest::newRow("sailplane tail, adds its mix")
            << QByteArray("tailTypeBox") << kSmallReceiver << int(TT::TailTypeSailplaneWing);
    }
    void layoutChangeWaitsForConfirmation()
    {
        QFETCH(QByteArray, boxName);
        QFETCH(int, productCode);
        QFETCH(int, choice);
        const bool isWing = boxName == "wingTypeBox";
        const auto model = receiver(productCode);
        const auto twin = receiver(productCode);
        if (isWing)
            twin->setWingType(WT(choice));
        else
            twin->setTailType(TT(choice));
        const QByteArray before = bytesOf(*model);
        QVERIFY(bytesOf(*twin) != before);

        const auto rig = pageOn(model);
        QComboBox *box = rig->box(boxName.constData());
        const int shown = box->currentData().toInt();

        QVERIFY(choose(box, choice));
        QMessageBox *question = rig->page.pendingConfirmation();
        QVERIFY(question);
        QCOMPARE(question->informativeText(), model->wingTailChangeNote());
        QCOMPARE(bytesOf(*model), before);
        QVERIFY(press(question, QMessageBox::RejectRole));
        QCOMPARE(bytesOf(*model), before);
        QCOMPARE(box->currentData().toInt(), shown);

        QVERIFY(choose(box, choice));
        QVERIFY(press(rig->page.pendingConfirmation(), QMessageBox::AcceptRole));
        QCOMPARE(bytesOf(*model), bytesOf(*twin));
        QCOMPARE(model->mixNames(), twin->mixNames());
        QCOMPARE(box->currentData().toInt(), choice);
        QCOMPARE(rig->page.picture()->wingType(), twin->wingType());
        QCOMPARE(rig->page.picture()->tailType(), twin->tailType());
    }

    // Choosing the type the model already has asks nothing and changes nothing.
    void choosingTheCurrentTypeDoesNothing()
    {
        const auto model = receiver();
        const auto rig = pageOn(model);
        const QByteArray before = bytesOf(*model);
        QVERIFY(choose(rig->box("wingTypeBox"), model->wingType()));
        QVERIFY(choose(rig->box("tailTypeBox"), model->tailType()));
        QVERIFY(!rig->page.pendingConfirmation());
        QCOMPARE(bytesOf(*model), before);
    }

    // A change made on the model shows at once: the boxes, the tails the new wing allows, the
    // transmitter note and the picture.
    void followsChangesOnTheModel_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("wing");
        QTest::addColumn<QList<int>>("tails");
        QTest::addColumn<QString>("note");
        const QString normal =
            QStringLiteral("Please set the wing type on your transmitter to Normal.");
        const QString oneFlap =
            QStringLiteral("Please set the wing type on your transmitter to 1 Aileron 1 Flap.");
        const QString twoFlaps =
            QStringLiteral("Please set the wing type on your transmitter to 1 Aileron 2 Flap.");
        QTest::newRow("flying wing")
            << kSmallReceiver << int(WT::WingTypeElevon)
            << QList<int>{TT::TailTypeElevonNoRudder, TT::TailTypeElevonRudder,
                          TT::TailTypeElevonDualRudder}
            << normal;
        QTest::newRow("four outputs of five leave the sailplane tail")
            << kSmallReceiver << int(WT::WingTypeTwoAileronsTwoFlaps)
            << QList<int>{TT::TailTypeSailplaneWing} << twoFlaps;
        QTest::newRow("flaperon") << kLargeReceiver << int(WT::WingTypeFlaperon)
                                  << QList<int>{TT::TailTypeNormal,
                                                TT::TailTypeVTail,
                                                TT::TailTypeDualElevator,
                                                TT::TailTypeDualRudder,
                                                TT::TailTypeDualRudderAndElevator,
                                                TT::TailTypeSailplaneWing}
                                  << oneFlap;
    }
    void followsChangesOnTheModel()
    {
        QFETCH(int, productCode);
        QFETCH(int, wing);
        QFETCH(QList<int>, tails);
        QFETCH(QString, note);
        const auto model = receiver(productCode);
        const auto rig = pageOn(model);

        model->setWingType(WT(wing));
        QCOMPARE(rig->box("wingTypeBox")->currentData().toInt(), wing);
        QCOMPARE(itemData(rig->box("tailTypeBox")), tails);
        QCOMPARE(rig->box("tailTypeBox")->currentData().toInt(), int(model->tailType()));
        QCOMPARE(rig->label("transmitterWingTypeNote")->text(), note);
        QCOMPARE(int(rig->page.picture()->wingType()), wing);
        QCOMPARE(rig->page.picture()->tailType(), model->tailType());

        model->resetToDefaults();
        QCOMPARE(rig->box("wingTypeBox")->currentData().toInt(), int(WT::WingTypeNormal));
        QCOMPARE(rig->page.picture()->wingType(), WT::WingTypeNormal);
    }

    // The picture names the surfaces each servo moves: one name on both sides for one servo.
    void pictureNamesTheServos_data()
    {
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("tail");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("normal") << int(WT::WingTypeNormal) << int(TT::TailTypeNormal)
                                << QStringList{"Aileron", "Aileron", "Elevator", "Elevator",
                                               "Rudder"};
        QTest::newRow("two ailerons one flap, v-tail")
            << int(WT::WingTypeTwoAileronsOneFlap) << int(TT::TailTypeVTail)
            << QStringList{"R Aileron", "L Aileron",     "Flap",
                           "Flap",      "R Ruddervator", "L Ruddervator"};
        QTest::newRow("sailplane tail has no rudder")
            << int(WT::WingTypeFlaperon) << int(TT::TailTypeSailplaneWing)
            << QStringList{"R Flaperon", "L Flaperon", "Elevator", "Elevator"};
        QTest::newRow("flying wing with winglets")
            << int(WT::WingTypeElevon) << int(TT::TailTypeElevonDualRudder)
            << QStringList{"R Elevon", "L Elevon", "R Rudder", "L Rudder"};
        QTest::newRow("flying wing without rudder")
            << int(WT::WingTypeElevon) << int(TT::TailTypeElevonNoRudder)
            << QStringList{"R Elevon", "L Elevon"};
    }
    void pictureNamesTheServos()
    {
        QFETCH(int, wing);
        QFETCH(int, tail);
        QFETCH(QStringList, labels);
        AircraftTypePicture picture;
        picture.setTypes(AircraftType::Airplane, WT(wing), TT(tail));
        QCOMPARE(picture.surfaceLabels(), labels);
        picture.setTypes(AircraftType::Helicopter, WT(wing), TT(tail));
        QVERIFY(picture.surfaceLabels().isEmpty());
    }

    // The transmitter through the same interface: no warning to confirm, the elevon mixing
    // direction and its channel-count choice; it decides the tail from the wing.
    void transmitterChoices()
    {
        const auto model = std::make_shared<TransmitterModel>(0xEF, 1);
        TypePage rig(model, *model);

        QVERIFY(!rig.box("tailTypeBox")->isVisibleTo(&rig.page));
        QVERIFY(!rig.label("wingTailChangeNote")->isVisibleTo(&rig.page));
        QCOMPARE(itemData(rig.box("aircraftTypeBox")),
                 (QList<int>{int(AircraftType::Airplane), int(AircraftType::Helicopter)}));

        auto *reversed = rig.page.findChild<QCheckBox *>(QStringLiteral("wingMixReversedBox"));
        QVERIFY(reversed->isVisibleTo(&rig.page));
        QVERIFY(!reversed->isEnabled());
        QVERIFY(choose(rig.box("wingTypeBox"), WT::WingTypeElevonA));
        QVERIFY(!rig.page.pendingConfirmation());
        QCOMPARE(model->wingType(), WT::WingTypeElevonA);
        QVERIFY(reversed->isEnabled());
        QVERIFY(!reversed->isChecked());
        reversed->click();
        QCOMPARE(model->wingType(), WT::WingTypeElevonB);
        QCOMPARE(rig.box("wingTypeBox")->currentData().toInt(), int(WT::WingTypeElevonB));
        QCOMPARE(rig.page.picture()->tailType(), TT::TailTypeElevonNoRudder);

        QComboBox *channels = rig.page.findChild<QComboBox *>(QStringLiteral("extraSelector0"));
        QVERIFY(channels);
        const QList<AircraftTypeExtraSelector> selectors = model->extraSettingSelectors();
        QCOMPARE(channels->count(), int(selectors.front().items.size()));
        QCOMPARE(channels->currentIndex(), selectors.front().currentItem);
        const int other = 1 - channels->currentIndex();
        QVERIFY(choose(channels, other));
        QCOMPARE(model->extraSettingSelectors().front().currentItem, other);
        QCOMPARE(model->channelCount(), other == 1 ? 9 : 7);

        model->setChannelCount(other == 1 ? 7 : 9);
        QCOMPARE(channels->currentIndex(), 1 - other);

        QVERIFY(choose(rig.box("aircraftTypeBox"), int(AircraftType::Helicopter)));
        QCOMPARE(model->aircraftType(), AircraftType::Helicopter);
        QVERIFY(!rig.box("wingTypeBox")->isEnabled());
        QCOMPARE(rig.page.picture()->aircraftType(), AircraftType::Helicopter);
    }

    // Every help indicator has its text in the shipped file; without a table (the wizard's
    // pages) there are none.
    void helpIndicatorsHaveTexts()
    {
        const TooltipTable tooltips = shippedTooltips();
        const auto model = receiver();
        const auto rig = pageOn(model, &tooltips);
        const QStringList keys = helpKeys(rig->page);
        QCOMPARE(keys, (QStringList{"tail-type-tooltip", "wing-mix-reversed-tooltip",
                                    "wing-type-tooltip"}));
        for (const QString &key : keys)
            QVERIFY2(!tooltips.value(key).isEmpty(), qPrintable(key));

        const auto wizardRig = pageOn(model);
        QVERIFY(helpKeys(wizardRig->page).isEmpty());
    }
};

ZX_REGISTER_TEST(AircraftTypePageTest);
#include "test_aircrafttypepage.moc"
