#include "models/classes/transmittermodel.h"
#include "ratesrig.h"
#include "testregistry.h"
#include "ui/navigation/placeholderpage.h"
#include "ui/pages/rates/dualrateexpopage.h"
#include "ui/pages/rates/gainprioritypage.h"
#include "ui/widgets/helpindicator.h"
#include "ui/widgets/picture.h"

#include <QDir>
#include <QtTest>

#include <array>

namespace {

constexpr QSize kShotSize{1000, 700};

struct PageCase
{
    const char *name;
    PageKind kind;
    PageMode mode;
};

constexpr std::array kPages{
    PageCase{"exponential", PageKind::DualRateExpo, PageMode::Exponential},
    PageCase{"dual-rate", PageKind::DualRateExpo, PageMode::DualRate},
    PageCase{"gain-priority", PageKind::GainPriority, PageMode::Default},
};

} // namespace

class RatesPagesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setPictureFolder(QStringLiteral(ZX_PICTURE_FOLDER)); }
    void cleanupTestCase() { setPictureFolder({}); }

    // The rates page serves every model with rates, the gain page only the airplane receiver;
    // the others get the placeholder.
    void pagesForTheModelsTheyServe()
    {
        const PageRig receiverRates(makeReceiver(kPlainVersion), PageKind::DualRateExpo,
                                    PageMode::DualRate);
        QVERIFY(qobject_cast<DualRateExpoPage *>(receiverRates.page.get()));
        const PageRig receiverGains(makeReceiver(kKovaVersion), PageKind::GainPriority);
        QVERIFY(qobject_cast<GainPriorityPage *>(receiverGains.page.get()));

        const auto transmitter =
            std::make_shared<TransmitterModel>(TransmitterModel::kTransmitterProductCode, 1);
        const PageRig transmitterRates(transmitter, PageKind::DualRateExpo, PageMode::Exponential);
        QVERIFY(qobject_cast<DualRateExpoPage *>(transmitterRates.page.get()));
        const PageRig transmitterGains(transmitter, PageKind::GainPriority);
        QVERIFY(qobject_cast<PlaceholderPage *>(transmitterGains.page.get()));
        const PageRig noModel(nullptr, PageKind::DualRateExpo, PageMode::DualRate);
        QVERIFY(qobject_cast<PlaceholderPage *>(noModel.page.get()));
    }

    // Every help indicator of the pages has its text in the program's tooltip file; the
    // wizard's pages, which have no texts, show none.
    void helpTexts()
    {
        QVERIFY(!programTooltips().isEmpty());
        for (const PageCase &pageCase : kPages) {
            const PageRig rig(makeReceiver(kPlainVersion), pageCase.kind, pageCase.mode,
                              &programTooltips());
            const QList<HelpIndicator *> helps = rig.page->findChildren<HelpIndicator *>();
            QVERIFY2(!helps.isEmpty(), pageCase.name);
            for (const HelpIndicator *help : helps)
                QVERIFY2(!help->helpText().isEmpty(), qPrintable(help->tooltipKey()));

            const PageRig wizard(makeReceiver(kPlainVersion), pageCase.kind, pageCase.mode);
            QVERIFY(wizard.page->findChildren<HelpIndicator *>().isEmpty());
        }
    }

    // With ZX_PAGE_SHOTS set, grabs each page at the editor's size into /tmp/pages-rates/.
    void screenshots()
    {
        if (qEnvironmentVariableIsEmpty("ZX_PAGE_SHOTS"))
            QSKIP("set ZX_PAGE_SHOTS to write the screenshots");
        const QString folder = QStringLiteral("/tmp/pages-rates");
        QVERIFY(QDir().mkpath(folder));
        for (int version : {kPlainVersion, kKovaVersion}) {
            const auto model = makeReceiver(version);
            // Curves that show both sides and the shapes the settings give.
            model->setExpoPositive(SettingOnlyChannel::Roll, 0, 40);
            model->setExpoNegative(SettingOnlyChannel::Roll, 0, 40);
            model->setExpoPositive(SettingOnlyChannel::Pitch, 0, 60);
            model->setDualRateNegative(SettingOnlyChannel::Pitch, 0, 70);
            if (version == kPlainVersion) {
                model->setExpoNegative(SettingOnlyChannel::Yaw, 0, -30);
                model->setDualRatePositive(SettingOnlyChannel::Yaw, 0, 120);
            }
            for (const PageCase &pageCase : kPages) {
                const PageRig rig(model, pageCase.kind, pageCase.mode, &programTooltips());
                rig.page->resize(kShotSize);
                const QString file = QStringLiteral("%1/%2-%3.png")
                                         .arg(folder, QLatin1String(pageCase.name))
                                         .arg(version, 0, 16);
                QVERIFY(rig.page->grab().save(file));
            }
        }
        const PageRig transmitter(
            std::make_shared<TransmitterModel>(TransmitterModel::kTransmitterProductCode, 1),
            PageKind::DualRateExpo, PageMode::DualRate, &programTooltips());
        transmitter.page->resize(kShotSize);
        QVERIFY(
            transmitter.page->grab().save(folder + QStringLiteral("/dual-rate-transmitter.png")));
    }
};

ZX_REGISTER_TEST(RatesPagesTest);
#include "test_ratespages.moc"
