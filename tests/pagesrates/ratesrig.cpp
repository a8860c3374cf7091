#include "ratesrig.h"

#include "ui/pages/rates/ratespages.h"

#include <QComboBox>
#include <QtTest>

PageRig::PageRig(std::shared_ptr<Model> pageModel, PageKind kind, PageMode mode,
                 const TooltipTable *tooltips)
    : model(std::move(pageModel))
{
    registerRatePages(registry);
    PageContext context;
    context.model = model;
    context.tooltips = tooltips;
    page.reset(registry.create(PageInfo::forPage(QStringLiteral("Page"), kind, mode), context));
}

std::shared_ptr<AirplaneRxModel> makeReceiver(int parameterVersion)
{
    return std::make_shared<AirplaneRxModel>(kReceiverProduct, parameterVersion);
}

QByteArray imageOf(const AirplaneRxModel &model)
{
    return model.memory().modelData(0);
}

QList<int> differingOffsets(const QByteArray &before, const QByteArray &after)
{
    QList<int> offsets;
    for (int i = 0; i < std::min(before.size(), after.size()); ++i) {
        if (before.at(i) != after.at(i))
            offsets.append(i);
    }
    return offsets;
}

void chooseFlightMode(const PageRig &rig, int flightMode)
{
    auto *selector = rig.child<QComboBox>(QStringLiteral("flightModeSelector"));
    QVERIFY(selector);
    QTest::keyClick(selector, Qt::Key_Home);
    for (int i = 0; i < flightMode; ++i)
        QTest::keyClick(selector, Qt::Key_Down);
    QCOMPARE(selector->currentIndex(), flightMode);
}

const TooltipTable &programTooltips()
{
    static const TooltipTable table = loadTooltipTable(QStringLiteral(ZX_TOOLTIPS_FILE));
    return table;
}
