// Registration of the set-up pages, their help texts, and screenshots on request.
#include "models/classes/transmittermodel.h"
#include "setuprig.h"
#include "testregistry.h"
#include "ui/models/addmodelwizard.h"
#include "ui/models/editmodelwidget.h"
#include "ui/models/wizarddevices.h"
#include "ui/navigation/placeholderpage.h"
#include "ui/pages/setup/flightmodeswitchpage.h"
#include "ui/pages/setup/mountingorientation.h"
#include "ui/pages/setup/portassignmentpage.h"
#include "ui/pages/setup/receiverorientationpage.h"
#include "ui/pages/setup/setuppages.h"
#include "ui/widgets/helpindicator.h"
#include "ui/widgets/picture.h"

#include <QComboBox>
#include <QDir>
#include <QtTest>

#include <memory>

using namespace setuptest;

namespace {

const QList<PageKind> kSetupKinds{PageKind::ReceiverOrientation, PageKind::FlightModeSwitch,
                                  PageKind::PortAssignment};

std::unique_ptr<Page> makePage(const PageRegistry &registry, PageKind kind,
                               const PageContext &context)
{
    return std::unique_ptr<Page>(
        registry.create(PageInfo::forPage(QStringLiteral("t"), kind), context));
}

void shoot(QWidget &widget, const QString &folder, const QString &name,
           QSize size = QSize(1000, 700))
{
    widget.resize(size);
    widget.show();
    QCoreApplication::processEvents();
    QVERIFY(widget.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
    widget.hide();
}

} // namespace

class SetupPagesTest : public QObject
{
    Q_OBJECT

private slots:
    // The airplane receiver gets the set-up pages, with the editor's background; any other
    // model gets the registry's placeholder.
    void factoriesServeTheAirplaneReceiver()
    {
        PageRegistry registry;
        registerSetupPages(registry);
        Rig rig;
        QVERIFY(dynamic_cast<ReceiverOrientationPage *>(
            makePage(registry, PageKind::ReceiverOrientation, rig.context).get()));
        QVERIFY(dynamic_cast<FlightModeSwitchPage *>(
            makePage(registry, PageKind::FlightModeSwitch, rig.context).get()));
        QVERIFY(dynamic_cast<PortAssignmentPage *>(
            makePage(registry, PageKind::PortAssignment, rig.context).get()));

        PageContext other;
        other.model =
            std::make_shared<TransmitterModel>(TransmitterModel::kTransmitterProductCode, 1);
        for (const PageKind kind : kSetupKinds) {
            QVERIFY(makePage(registry, kind, rig.context)->showBackground());
            QVERIFY(dynamic_cast<PlaceholderPage *>(makePage(registry, kind, other).get()));
            QVERIFY(dynamic_cast<PlaceholderPage *>(makePage(registry, kind, PageContext{}).get()));
        }
    }

    // Every help indicator of the pages has a text in the tooltip file; the wizard's pages,
    // which have no tooltip table, have no help indicators.
    void helpIndicatorsHaveTexts()
    {
        PageRegistry registry;
        registerSetupPages(registry);
        for (const int version : {kPlain, kEnvelope}) {
            Rig rig(version);
            PageContext wizard = rig.context;
            wizard.tooltips = nullptr;
            for (const PageKind kind : kSetupKinds) {
                const std::unique_ptr<Page> page = makePage(registry, kind, rig.context);
                const QList<HelpIndicator *> helps = page->findChildren<HelpIndicator *>();
                QVERIFY(!helps.isEmpty());
                for (const HelpIndicator *help : helps)
                    QVERIFY2(!help->helpText().isEmpty(), qPrintable(help->tooltipKey()));
                QVERIFY(
                    makePage(registry, kind, wizard)->findChildren<HelpIndicator *>().isEmpty());
            }
        }
    }

    // With ZX_PAGE_SHOTS set, each page is grabbed at 1000x700 into /tmp/pages-setup/.
    void screenshots()
    {
        if (qEnvironmentVariableIsEmpty("ZX_PAGE_SHOTS"))
            QSKIP("set ZX_PAGE_SHOTS to grab the pages");
        const QString folder = QStringLiteral("/tmp/pages-setup");
        QVERIFY(QDir().mkpath(folder));
        PageRegistry registry;
        registerSetupPages(registry);

        Rig plain(kPlain, 0xDB);
        int mix = -1;
        plain.model->setWingType(DeviceModel::WingTypeDualAileron);
        plain.model->addMix(mix);
        plain.model->addMix(mix);
        plain.model->setValue(makeSetting(SettingType::ServoOutput, 0, 8), 0,
                              AirplaneRx::kFirstMixChannel + mix);
        plain.model->setValue(makeSetting(SettingType::FlightModeSwitch), 0, 20);
        Rig envelope(kEnvelope);
        Rig tilted;
        tilted.model->setValue(
            makeSetting(SettingType::Orientation), 0,
            Mounting::settingValue({Mounting::Direction::Right, Mounting::Direction::Down}));

        const struct
        {
            const char *name;
            const Rig &rig;
            PageKind kind;
        } shots[] = {
            {"orientation", plain, PageKind::ReceiverOrientation},
            {"orientation-tilted", tilted, PageKind::ReceiverOrientation},
            {"flightmodeswitch", plain, PageKind::FlightModeSwitch},
            {"flightmodeswitch-none", tilted, PageKind::FlightModeSwitch},
            {"flightmodeswitch-fe", envelope, PageKind::FlightModeSwitch},
            {"portassignment", plain, PageKind::PortAssignment},
            {"portassignment-fe", envelope, PageKind::PortAssignment},
        };
        for (const auto &shot : shots) {
            const std::unique_ptr<Page> page = makePage(registry, shot.kind, shot.rig.context);
            shoot(*page, folder, QString::fromLatin1(shot.name));
        }

        ModelsContext context;
        context.pages = &registry;
        AddModelWizard wizard(context);
        const int index = indexOfDevice(wizard.editWidget()->deviceChoices(), 0xD9, 0xFF);
        wizard.findChild<QComboBox *>(QStringLiteral("deviceComboBox"))->setCurrentIndex(index);
        shoot(wizard, folder, QStringLiteral("wizard-first"));
        shoot(wizard, folder, QStringLiteral("wizard-first-small"), AddModelWizard::kInitialSize);
        wizard.next();
        shoot(wizard, folder, QStringLiteral("wizard-orientation"));
        wizard.next();
        shoot(wizard, folder, QStringLiteral("wizard-flightmodeswitch"));
    }
};

ZX_REGISTER_TEST(SetupPagesTest);
#include "test_setuppages.moc"
