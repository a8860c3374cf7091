// The surface set-up page: one row per surface of the receiver's wing and tail layout, each
// control bound to one surface setting.
#include "aircraftrig.h"
#include "models/classes/airplanerxsettings.h"
#include "testregistry.h"
#include "ui/pages/aircraft/aircrafttypepage.h"
#include "ui/pages/aircraft/balancecurveview.h"
#include "ui/pages/aircraft/surfacesetuppage.h"
#include "ui/widgets/picture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QSpinBox>

using namespace aircrafttest;
using AirplaneRx::makeSetting;
using AirplaneRx::SettingType;
using Surfaces = QList<SurfaceLayout::Surface>;

Q_DECLARE_METATYPE(SettingType)
Q_DECLARE_METATYPE(SurfaceLayout::Surface)

namespace {

using WT = DeviceModel::WingType;
using TT = DeviceModel::TailType;

// Surface codes.
constexpr int kAileron = 2;
constexpr int kRightAileron = 3;
constexpr int kLeftAileron = 4;
constexpr int kElevator = 9;
constexpr int kRightElevator = 10;
constexpr int kLeftElevator = 11;
constexpr int kRudder = 12;
constexpr int kRightRudder = 13;
constexpr int kLeftRudder = 14;

// The control of one surface row, or of the fine-tuning group. Controls of a replaced layout
// wait hidden for their deletion and do not count.
template <typename Widget>
Widget *control(const SurfaceSetupPage &page, const QString &name, int channel = 0, int point = -1)
{
    for (Widget *widget : page.findChildren<Widget *>(name)) {
        if (!widget->isVisibleTo(&page))
            continue;
        if (channel && widget->property("surfaceChannel").toInt() != channel)
            continue;
        if (point >= 0 && widget->property("balancePoint").toInt() != point)
            continue;
        return widget;
    }
    return nullptr;
}

QStringList rowNames(const SurfaceSetupPage &page)
{
    QStringList names;
    for (const SurfaceLayout::Surface &surface : page.surfaces())
        names.append(DeviceModel::surfaceName(surface.channel));
    return names;
}

} // namespace

class SurfaceSetupPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setPictureFolder(QStringLiteral(ZX_PICTURE_DIR)); }
    void cleanupTestCase() { setPictureFolder({}); }

    // Each surface with a slot of its own, with the port the layout gave it, in port order.
    void rowsFollowTheLayout_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("tail");
        QTest::addColumn<Surfaces>("surfaces");
        QTest::newRow("normal") << kSmallReceiver << kPlain << int(WT::WingTypeNormal)
                                << int(TT::TailTypeNormal)
                                << Surfaces{{kAileron, 2}, {kElevator, 3}, {kRudder, 4}};
        QTest::newRow("envelope, dual aileron")
            << kSmallReceiver << kEnvelope << int(WT::WingTypeDualAileron)
            << int(TT::TailTypeNormal)
            << Surfaces{{kRightAileron, 2}, {kElevator, 3}, {kRudder, 4}, {kLeftAileron, 6}};
        QTest::newRow("four ailerons on eight outputs")
            << kLargeReceiver << kPlain << int(WT::WingTypeFourAilerons) << int(TT::TailTypeNormal)
            << Surfaces{{5, 2}, {kElevator, 3}, {kRudder, 4}, {6, 5}, {7, 6}, {8, 7}};
        QTest::newRow("dual rudder and elevator")
            << kLargeReceiver << kPlain << int(WT::WingTypeNormal)
            << int(TT::TailTypeDualRudderAndElevator)
            << Surfaces{{kAileron, 2},
                        {kRightElevator, 3},
                        {kRightRudder, 4},
                        {kLeftElevator, 5},
                        {kLeftRudder, 6}};
        // The flaps are mix outputs, set on the mixing page.
        QTest::newRow("two ailerons two flaps, sailplane")
            << kSmallReceiver << kPlain << int(WT::WingTypeTwoAileronsTwoFlaps)
            << int(TT::TailTypeSailplaneWing)
            << Surfaces{{kRightAileron, 2}, {kElevator, 3}, {kLeftAileron, 6}};
        QTest::newRow("flying wing")
            << kSmallReceiver << kPlain << int(WT::WingTypeElevon) << int(TT::TailTypeElevonRudder)
            << Surfaces{{kRightAileron, 2}, {kLeftAileron, 3}, {kRudder, 4}};
    }
    void rowsFollowTheLayout()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(int, wing);
        QFETCH(int, tail);
        QFETCH(Surfaces, surfaces);
        const auto model = receiver(productCode, parameterVersion);
        model->setWingType(WT(wing));
        model->setTailType(TT(tail));
        QCOMPARE(int(model->wingType()), wing);
        QCOMPARE(int(model->tailType()), tail);

        SurfaceSetupPage page(model, nullptr);
        QCOMPARE(page.surfaces(), surfaces);
        for (const SurfaceLayout::Surface &surface : surfaces)
            QVERIFY(control<QSpinBox>(page, QStringLiteral("posTravel"), surface.channel));
        QCOMPARE(page.findChildren<QSpinBox *>(QStringLiteral("posTravel")).size(),
                 int(surfaces.size()));
    }

    // The controls show the stored values; a change on the model shows at once.
    void controlsShowTheModel()
    {
        const auto model = receiver();
        model->setValue(makeSetting(SettingType::PosTravel), kElevator, 120);
        model->setValue(makeSetting(SettingType::NegTravel), kElevator, 80);
        model->setValue(makeSetting(SettingType::SubTrim), kRudder, -50);
        model->setValue(makeSetting(SettingType::Reverse), kRudder, 1);
        SurfaceSetupPage page(model, nullptr);

        QCOMPARE(control<QSpinBox>(page, "posTravel", kElevator)->value(), 120);
        QCOMPARE(control<QSpinBox>(page, "negTravel", kElevator)->value(), 80);
        QCOMPARE(control<QSpinBox>(page, "posTravel", kAileron)->value(), 100);
        QCOMPARE(control<QSpinBox>(page, "subTrim", kRudder)->value(), -50);
        QVERIFY(control<QCheckBox>(page, "reverse", kRudder)->isChecked());
        QVERIFY(!control<QCheckBox>(page, "reverse", kAileron)->isChecked());

        model->setValue(makeSetting(SettingType::PosTravel), kAileron, 42);
        model->setValue(makeSetting(SettingType::Reverse), kRudder, 0);
        QCOMPARE(control<QSpinBox>(page, "posTravel", kAileron)->value(), 42);
        QVERIFY(!control<QCheckBox>(page, "reverse", kRudder)->isChecked());
    }

    // An edit changes exactly its setting: the getter reads the new value, and only the
    // field's bytes differ (sub-trim shares its byte with the reverse flag but keeps it).
    void editChangesOnlyItsField_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("point");
        QTest::addColumn<SettingType>("type");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("fieldSize");
        QTest::newRow("travel +") << "posTravel" << -1 << SettingType::PosTravel << 150 << 1;
        QTest::newRow("travel -") << "negTravel" << -1 << SettingType::NegTravel << 0 << 1;
        QTest::newRow("sub-trim low end")
            << "subTrim" << -1 << SettingType::SubTrim << -SurfaceSetupPage::kSubTrimLimit << 2;
        QTest::newRow("sub-trim high end")
            << "subTrim" << -1 << SettingType::SubTrim << SurfaceSetupPage::kSubTrimLimit << 2;
        QTest::newRow("absolute travel +")
            << "absTravelPos" << -1 << SettingType::AbsTravelPos << 1500 << 2;
        QTest::newRow("absolute travel -")
            << "absTravelNeg" << -1 << SettingType::AbsTravelNeg << 0xFFFF << 2;
        QTest::newRow("balance input 3") << "balanceX" << 2 << SettingType::BalanceX << 90 << 1;
        QTest::newRow("balance output 7") << "balanceY" << 6 << SettingType::BalanceY << 200 << 1;
    }
    void editChangesOnlyItsField()
    {
        QFETCH(QString, name);
        QFETCH(int, point);
        QFETCH(SettingType, type);
        QFETCH(int, value);
        QFETCH(int, fieldSize);
        const auto model = receiver();
        model->setValue(makeSetting(SettingType::Reverse), kRudder, 1);
        SurfaceSetupPage page(model, nullptr);
        // Row controls sit in the rudder's row; the fine-tuning ones follow the chosen surface.
        const bool detail =
            name.startsWith(QLatin1String("abs")) || name.startsWith(QLatin1String("balance"));
        if (detail) {
            QComboBox *chooser = page.findChild<QComboBox *>(QStringLiteral("detailSurface"));
            QVERIFY(choose(chooser, kRudder));
            QCOMPARE(page.detailChannel(), kRudder);
        }
        QSpinBox *box = control<QSpinBox>(page, name, detail ? 0 : kRudder, point);
        QVERIFY(box);
        const DeviceSetting setting = makeSetting(type, 0, 0, std::max(point, 0));
        const int offset = model->settingOffset(setting, kRudder);
        QVERIFY(offset >= 0);
        const QByteArray before = bytesOf(*model);

        box->setValue(value);
        QCOMPARE(model->value(setting, kRudder), value);
        const QSet<int> changed = changedOffsets(before, bytesOf(*model));
        QVERIFY(!changed.isEmpty());
        for (int at : changed)
            QVERIFY2(at >= offset && at < offset + fieldSize, qPrintable(QString::number(at)));
        QCOMPARE(model->value(makeSetting(SettingType::Reverse), kRudder), 1);
    }

    void reverseChangesOnlyItsBit()
    {
        const auto model = receiver();
        model->setValue(makeSetting(SettingType::SubTrim), kAileron, -7);
        SurfaceSetupPage page(model, nullptr);
        const QByteArray before = bytesOf(*model);
        const int offset = model->settingOffset(makeSetting(SettingType::Reverse), kAileron);

        control<QCheckBox>(page, "reverse", kAileron)->click();
        QCOMPARE(model->value(makeSetting(SettingType::Reverse), kAileron), 1);
        QCOMPARE(model->value(makeSetting(SettingType::SubTrim), kAileron), -7);
        QCOMPARE(changedOffsets(before, bytesOf(*model)), QSet<int>{offset});
    }

    // The ranges keep values the receiver cannot store out of reach.
    void rangesStopAtWhatTheReceiverStores()
    {
        SurfaceSetupPage page(receiver(), nullptr);
        const QSpinBox *travel = control<QSpinBox>(page, "posTravel", kAileron);
        QCOMPARE(travel->minimum(), 0);
        QCOMPARE(travel->maximum(), SurfaceSetupPage::kMaxTravelPercent);
        QCOMPARE(travel->suffix(), QStringLiteral(" %"));
        const QSpinBox *subTrim = control<QSpinBox>(page, "subTrim", kAileron);
        QCOMPARE(subTrim->minimum(), -SurfaceSetupPage::kSubTrimLimit);
        QCOMPARE(subTrim->maximum(), SurfaceSetupPage::kSubTrimLimit);
        const QSpinBox *balance = control<QSpinBox>(page, "balanceY", 0, 3);
        QCOMPARE(balance->maximum(), 255);
        QCOMPARE(control<QSpinBox>(page, "absTravelPos")->maximum(), 0xFFFF);
    }

    // The fine-tuning group shows the chosen surface's values and curve, and stays on that
    // surface across a refresh.
    void fineTuningFollowsTheChosenSurface()
    {
        const auto model = receiver();
        model->setValue(makeSetting(SettingType::BalanceY, 0, 0, 3), kElevator, 140);
        model->setValue(makeSetting(SettingType::AbsTravelNeg), kElevator, 900);
        SurfaceSetupPage page(model, nullptr);
        QCOMPARE(page.detailChannel(), kAileron);
        QCOMPARE(control<QSpinBox>(page, "balanceY", 0, 3)->value(), 128);

        QVERIFY(choose(page.findChild<QComboBox *>(QStringLiteral("detailSurface")), kElevator));
        QCOMPARE(control<QSpinBox>(page, "balanceY", 0, 3)->value(), 140);
        QCOMPARE(control<QSpinBox>(page, "absTravelNeg")->value(), 900);
        const auto *curve = page.findChild<BalanceCurveView *>(QStringLiteral("balanceCurve"));
        QCOMPARE(curve->points().size(), SurfaceSetupPage::kBalancePointCount);
        QCOMPARE(curve->points().at(3), QPoint(128, 140));

        model->setValue(makeSetting(SettingType::BalanceX, 0, 0, 0), kElevator, 10);
        QCOMPARE(page.detailChannel(), kElevator);
        QCOMPARE(control<QSpinBox>(page, "balanceX", 0, 0)->value(), 10);
        QCOMPARE(curve->points().at(0), QPoint(10, 0));
    }

    // A wing change on the aircraft-type page reaches both pages: the new wing shows there and
    // the surface rows are rebuilt for its surfaces; a surface that stays keeps the fine tuning.
    void wingChangeUpdatesBothPages()
    {
        const auto model = receiver(kLargeReceiver);
        AircraftTypePage typePage(model, *model, nullptr);
        SurfaceSetupPage surfacePage(model, nullptr);
        QVERIFY(
            choose(surfacePage.findChild<QComboBox *>(QStringLiteral("detailSurface")), kRudder));
        QCOMPARE(rowNames(surfacePage), (QStringList{"Aileron", "Elevator", "Rudder"}));

        QComboBox *wing = typePage.findChild<QComboBox *>(QStringLiteral("wingTypeBox"));
        QVERIFY(choose(wing, WT::WingTypeDualAileron));
        QVERIFY(press(typePage.pendingConfirmation(), QMessageBox::AcceptRole));
        QCOMPARE(model->wingType(), WT::WingTypeDualAileron);
        QCOMPARE(wing->currentData().toInt(), int(WT::WingTypeDualAileron));
        QCOMPARE(rowNames(surfacePage),
                 (QStringList{"R Aileron", "Elevator", "Rudder", "L Aileron"}));
        QCOMPARE(surfacePage.detailChannel(), kRudder);

        // The rebuilt rows are bound to the new surfaces.
        QSpinBox *left = control<QSpinBox>(surfacePage, "posTravel", kLeftAileron);
        QVERIFY(left);
        left->setValue(77);
        QCOMPARE(model->value(makeSetting(SettingType::PosTravel), kLeftAileron), 77);

        // A change on the model itself (undo, a sync) does the same; the rudder goes, so the
        // fine tuning moves to the first surface.
        model->setTailType(TT::TailTypeDualRudder);
        QCOMPARE(
            typePage.findChild<QComboBox *>(QStringLiteral("tailTypeBox"))->currentData().toInt(),
            int(TT::TailTypeDualRudder));
        QVERIFY(!rowNames(surfacePage).contains(QStringLiteral("Rudder")));
        QVERIFY(rowNames(surfacePage).contains(QStringLiteral("L Rudder")));
        QCOMPARE(surfacePage.detailChannel(), surfacePage.surfaces().front().channel);
    }

    // Tab walks each row from its low end to its high end, then the next row, then the fine
    // tuning; every control carries a name for screen readers.
    void keyboardWalksRowByRow()
    {
        SurfaceSetupPage page(receiver(), nullptr);
        QList<QWidget *> expected;
        for (int channel : {kAileron, kElevator, kRudder}) {
            for (const char *name : {"negTravel", "subTrim", "posTravel"})
                expected.append(control<QSpinBox>(page, QString::fromLatin1(name), channel));
            expected.append(control<QCheckBox>(page, QStringLiteral("reverse"), channel));
        }
        expected.append(page.findChild<QComboBox *>(QStringLiteral("detailSurface")));
        expected.append(control<QSpinBox>(page, QStringLiteral("absTravelNeg")));
        expected.append(control<QSpinBox>(page, QStringLiteral("absTravelPos")));
        expected.append(control<QSpinBox>(page, QStringLiteral("balanceX"), 0, 0));
        QVERIFY(!expected.contains(nullptr));

        QList<QWidget *> walked{expected.front()};
        for (QWidget *next = expected.front()->nextInFocusChain();
             walked.size() < expected.size() && next != expected.front();
             next = next->nextInFocusChain()) {
            if (next->focusPolicy() & Qt::TabFocus && next->isVisibleTo(&page) &&
                !next->focusProxy())
                walked.append(next);
        }
        QCOMPARE(walked, expected);
        for (QSpinBox *box : page.findChildren<QSpinBox *>())
            QVERIFY(!box->accessibleName().isEmpty());
    }

    void helpIndicatorsHaveTexts()
    {
        const TooltipTable tooltips = shippedTooltips();
        SurfaceSetupPage page(receiver(), &tooltips);
        const QStringList keys = helpKeys(page);
        QCOMPARE(keys, (QStringList{"surface-absolute-travel-tooltip", "surface-balance-tooltip",
                                    "surface-reverse-tooltip", "surface-sub-trim-tooltip",
                                    "surface-travel-tooltip"}));
        for (const QString &key : keys)
            QVERIFY2(!tooltips.value(key).isEmpty(), qPrintable(key));
        SurfaceSetupPage wizardPage(receiver(), nullptr);
        QVERIFY(helpKeys(wizardPage).isEmpty());
    }
};

ZX_REGISTER_TEST(SurfaceSetupPageTest);
#include "test_surfacesetuppage.moc"
