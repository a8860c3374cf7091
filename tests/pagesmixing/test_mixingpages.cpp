// The factories registerMixingPages sets, and the page shots.
#include "models/classes/transmittermodel.h"
#include "pagesrig.h"
#include "testregistry.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/mixing/dashboardpage.h"
#include "ui/pages/mixing/mixingpage.h"
#include "ui/pages/mixing/mixingpages.h"
#include "ui/widgets/picture.h"

#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <memory>

using namespace pagestest;
using AirplaneRx::SettingType;

namespace {

enum class ModelKind { AirplaneReceiver, Transmitter, None };

std::shared_ptr<Model> makeModel(ModelKind kind)
{
    switch (kind) {
    case ModelKind::AirplaneReceiver:
        return newReceiver();
    case ModelKind::Transmitter:
        return std::make_shared<TransmitterModel>(0x8B, 1);
    case ModelKind::None:
        break;
    }
    return nullptr;
}

// A model with two mixes, the second set up as a hobbyist might.
std::shared_ptr<AirplaneRxModel> receiverWithMixes(int &second)
{
    auto model = newReceiver();
    model->info().setName(QStringLiteral("Sport Cub S2"));
    model->info().setSerialNumber(QStringLiteral("ZR217A0001234"));
    int first = -1;
    model->addMix(first);
    model->addMix(second);
    model->setMixName(first, QStringLiteral("Flaps to elevator"));
    model->setMixName(second, QStringLiteral("Crow"));
    model->setValue(mixSetting(SettingType::MixMaster, second), 0, 20);
    model->setValue(mixSetting(SettingType::MixSlave, second), 0, AirplaneRx::kRollChannel);
    model->setValue(mixSetting(SettingType::MixPosRate, second), 0, 60);
    model->setValue(mixSetting(SettingType::MixNegRate, second), 0, -35);
    model->setValue(mixSetting(SettingType::MixCondition, second), 0, 21);
    model->setValue(mixSetting(SettingType::MixActivePositions, second), 0, 0b110);
    return model;
}

} // namespace

Q_DECLARE_METATYPE(ModelKind)
Q_DECLARE_METATYPE(PageKind)

class MixingPagesTest : public QObject
{
    Q_OBJECT

private slots:
    // The pages serve the airplane receiver only; any other model gets the placeholder.
    void factoriesServeTheAirplaneReceiver_data()
    {
        QTest::addColumn<PageKind>("kind");
        QTest::addColumn<ModelKind>("model");
        QTest::addColumn<bool>("served");
        QTest::newRow("mixing, receiver")
            << PageKind::Mixing << ModelKind::AirplaneReceiver << true;
        QTest::newRow("mixing, transmitter") << PageKind::Mixing << ModelKind::Transmitter << false;
        QTest::newRow("mixing, no model") << PageKind::Mixing << ModelKind::None << false;
        QTest::newRow("dashboard, receiver")
            << PageKind::Dashboard << ModelKind::AirplaneReceiver << true;
        QTest::newRow("dashboard, transmitter")
            << PageKind::Dashboard << ModelKind::Transmitter << false;
    }
    void factoriesServeTheAirplaneReceiver()
    {
        QFETCH(PageKind, kind);
        QFETCH(ModelKind, model);
        QFETCH(bool, served);
        PageRegistry registry;
        registerMixingPages(registry);
        QVERIFY(registry.hasFactory(kind));
        PageContext context;
        context.model = makeModel(model);
        const std::unique_ptr<Page> page(
            registry.create(PageInfo::forPage(QStringLiteral("Row"), kind), context));
        QVERIFY(page);
        const bool isOurs = kind == PageKind::Mixing
                                ? qobject_cast<MixingPage *>(page.get()) != nullptr
                                : qobject_cast<DashboardPage *>(page.get()) != nullptr;
        QCOMPARE(isOurs, served);
    }

    // With ZX_PAGE_SHOTS set, each page as the user sees it, at 1000x700, into
    // /tmp/pages-mixing/.
    void pageShots()
    {
        if (qEnvironmentVariableIsEmpty("ZX_PAGE_SHOTS"))
            QSKIP("set ZX_PAGE_SHOTS to write the page shots");
        setPictureFolder(QStringLiteral(ZX_PICTURE_DIR));
        const QString folder = QStringLiteral("/tmp/pages-mixing");
        QVERIFY(QDir().mkpath(folder));
        const TooltipTable tooltips = shippedTooltips();
        const auto shoot = [&](Page &page, const QString &name) {
            page.resize(1000, 700);
            page.show();
            QVERIFY(QTest::qWaitForWindowExposed(&page));
            QVERIFY(page.grab().save(folder + QLatin1Char('/') + name));
        };

        int second = -1;
        const auto model = receiverWithMixes(second);
        MixingPage mixing(model, &tooltips);
        mixing.selectMix(second);
        shoot(mixing, QStringLiteral("mixing.png"));

        MixingPage empty(newReceiver(), &tooltips);
        shoot(empty, QStringLiteral("mixing-empty.png"));

        DashboardPage dashboard(model, nullptr, nullptr, &tooltips);
        shoot(dashboard, QStringLiteral("dashboard.png"));

        const auto envelope = newReceiver(kEnvelopeVersion);
        envelope->info().setName(QStringLiteral("Trainer"));
        DashboardPage envelopeDashboard(envelope, nullptr, nullptr, &tooltips);
        shoot(envelopeDashboard, QStringLiteral("dashboard-fe.png"));
        setPictureFolder({});
    }
};

ZX_REGISTER_TEST(MixingPagesTest);
#include "test_mixingpages.moc"
