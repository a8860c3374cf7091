// The new-model wizard as the user drives it, against a simulated device.
#include "app/lastsyncedmodels.h"
#include "models/modellibrary.h"
#include "testregistry.h"
#include "ui/models/addmodelwizard.h"
#include "ui/models/editmodelwidget.h"
#include "ui/models/wizardpages.h"
#include "ui/navigation/page.h"
#include "wizardrig.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace wizardtest;

namespace {

const QStringList kReceiverSetupPages = {
    QStringLiteral("Receiver Orientation"), QStringLiteral("Flight Mode Switch"),
    QStringLiteral("Aircraft Type"), QStringLiteral("Surface Setup")};

QStringList setupTitles(const AddModelWizard &wizard)
{
    QStringList titles;
    for (const WizardSetupPage *page : wizard.setupPages())
        titles.append(page->title());
    return titles;
}

QComboBox *deviceBox(const AddModelWizard &wizard)
{
    return wizard.findChild<QComboBox *>(QStringLiteral("deviceComboBox"));
}

// Chooses the entry of the variant in the device box, as the user would.
void chooseDevice(const AddModelWizard &wizard, int productCode, int parameterVersion)
{
    const int index =
        indexOfDevice(wizard.editWidget()->deviceChoices(), productCode, parameterVersion);
    QVERIFY(index >= 0);
    deviceBox(wizard)->setCurrentIndex(index);
}

} // namespace

class AddModelWizardTest : public QObject
{
    Q_OBJECT

private slots:
    // Without a device every variant is offered, none is chosen, and nothing can be finished
    // until one is; the main window keeps its model meanwhile.
    void withoutDeviceNothingIsChosen()
    {
        SyncRig rig;
        MainWindowStub window(rig);
        const std::shared_ptr<Model> previous = rig.newModel(QStringLiteral("Cub"), {}, 0xD9, 0xFF);
        window.setCurrentModel(previous);
        window.madeCurrent.clear();

        AddModelWizard wizard(window.context());
        wizard.show();
        QComboBox *box = deviceBox(wizard);
        QVERIFY(box);
        QCOMPARE(box->count(), int(deviceChoices().size()));
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(wizard.pageIds().size(), 1);
        QVERIFY(!wizard.currentPage()->isComplete());
        QVERIFY(!wizard.button(QWizard::FinishButton)->isEnabled() ||
                !wizard.button(QWizard::FinishButton)->isVisible());
        QVERIFY(window.madeCurrent.isEmpty());
        QCOMPARE(window.current, previous);
        QCOMPARE(wizard.size(), AddModelWizard::kInitialSize);

        chooseDevice(wizard, 0xD9, 0xFF);
        QCOMPARE(setupTitles(wizard), kReceiverSetupPages);
        QVERIFY(wizard.currentPage()->isComplete());
        QCOMPARE(window.current, wizard.session().model());
    }

    // The connected device's variant is chosen from the start, its model is current, and the
    // set-up pages are there, refreshed, without background, the first page as large as the
    // largest of them.
    void connectedReceiverIsPreselected()
    {
        SyncRig rig;
        QVERIFY(rig.identify());
        MainWindowStub window(rig);
        AddModelWizard wizard(window.context());

        const std::shared_ptr<Model> model = wizard.session().model();
        QVERIFY(model);
        QCOMPARE(model->info().productCode(), 0xD9);
        QCOMPARE(model->parameterVersion(), 0xFF);
        QCOMPARE(window.madeCurrent, QList<std::shared_ptr<Model>>{model});
        const DeviceChoice chosen = deviceChoices().at(deviceBox(wizard)->currentIndex());
        QCOMPARE(chosen.device.productCode, 0xD9);
        QCOMPARE(chosen.device.parameterVersion, 0xFF);
        QCOMPARE(setupTitles(wizard), kReceiverSetupPages);

        QSize largest;
        for (const WizardSetupPage *page : wizard.setupPages()) {
            QVERIFY(!page->page()->showBackground());
            largest = largest.expandedTo(page->sizeHint());
        }
        const QWizardPage *first = wizard.page(wizard.startId());
        QCOMPARE(first->objectName(), QStringLiteral("editModelPage"));
        QCOMPARE(first->title(), QStringLiteral("Choose a name and image"));
        QVERIFY(first->minimumWidth() >= largest.width());
        QVERIFY(first->minimumHeight() >= largest.height());
        QVERIFY(window.waitForTransfers());
    }

    // Set-up pages come from the registry for the wizard's model, lose their background, and
    // are refreshed when made and again whenever they are shown.
    void setupPagesComeFromTheRegistry()
    {
        SyncRig rig;
        MainWindowStub window(rig);
        int refreshes = 0;
        PageContext seen;
        window.pages.setFactory(PageKind::ReceiverOrientation,
                                [&](const PageInfo &, const PageContext &context) {
                                    seen = context;
                                    auto *page = new Page;
                                    page->setShowBackground(true);
                                    page->addRefresher([&refreshes] { ++refreshes; });
                                    return page;
                                });
        AddModelWizard wizard(window.context());
        chooseDevice(wizard, 0xD9, 0xFF);
        QCOMPARE(seen.model, wizard.session().model());
        QCOMPARE(seen.window, &wizard);
        QCOMPARE(seen.deviceManager, rig.manager.get());
        QCOMPARE(refreshes, 1);
        const WizardSetupPage *orientation = wizard.setupPages().first();
        QVERIFY(!orientation->page()->showBackground());

        wizard.show();
        wizard.next();
        QCOMPARE(wizard.currentPage(), orientation);
        QCOMPARE(refreshes, 2);
        wizard.next();
        wizard.back();
        QCOMPARE(refreshes, 3);
    }

    // Another device brings its own model and pages; those of the earlier choice are gone.
    void changingTheDeviceReplacesThePages_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("transmitter") << 0xEF << 1 << QStringList();
        QTest::newRow("envelope receiver") << 0xD9 << 0xFE << QStringList();
        QTest::newRow("other receiver") << 0xDA << 0xFF << kReceiverSetupPages;
    }
    void changingTheDeviceReplacesThePages()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(QStringList, titles);
        SyncRig rig;
        MainWindowStub window(rig);
        AddModelWizard wizard(window.context());
        chooseDevice(wizard, 0xD9, 0xFF);
        const std::shared_ptr<Model> first = wizard.session().model();
        QList<QPointer<WizardSetupPage>> firstPages;
        for (WizardSetupPage *page : wizard.setupPages())
            firstPages.append(page);
        QCOMPARE(firstPages.size(), 4);

        chooseDevice(wizard, productCode, parameterVersion);
        const std::shared_ptr<Model> second = wizard.session().model();
        QVERIFY(second && second != first);
        QCOMPARE(second->info().productCode(), productCode);
        QCOMPARE(second->parameterVersion(), parameterVersion);
        QCOMPARE(window.current, second);
        QCOMPARE(setupTitles(wizard), titles);
        for (const QPointer<WizardSetupPage> &page : firstPages)
            QVERIFY(!page);
        QCOMPARE(wizard.pageIds().size(), 1 + titles.size());
    }

    void envelopeReceiverHasNoSetupPages()
    {
        SyncRig rig(envelopeReceiver());
        QVERIFY(rig.identify());
        MainWindowStub window(rig);
        AddModelWizard wizard(window.context());
        QVERIFY(wizard.session().model());
        QCOMPARE(wizard.session().model()->parameterVersion(), 0xFE);
        QCOMPARE(wizard.pageIds().size(), 1);
        QVERIFY(window.waitForTransfers());
    }

    // Walking through the pages to Finish adds the model as typed on the first page.
    void finishAddsTheTypedModel()
    {
        SyncRig rig;
        QVERIFY(rig.identify());
        MainWindowStub window(rig);
        AddModelWizard wizard(window.context());
        wizard.show();
        auto *name = wizard.findChild<QLineEdit *>(QStringLiteral("nameTextBox"));
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Extra 300"));
        QTest::keyClicks(wizard.findChild<QPlainTextEdit *>(QStringLiteral("notesTextBox")),
                         QStringLiteral("CG 95 mm"));

        while (wizard.nextId() != -1)
            wizard.next();
        QVERIFY(wizard.button(QWizard::FinishButton)->isEnabled());
        wizard.button(QWizard::FinishButton)->click();
        QCOMPARE(wizard.result(), int(QDialog::Accepted));

        const QStringList files = rig.library->fileNames();
        QCOMPARE(files.size(), 1);
        QVERIFY(rig.library->flushPendingSaves());
        const ModelInfo entry = rig.library->entryInfo(files.first());
        QCOMPARE(entry.name(), QStringLiteral("Extra 300"));
        QCOMPARE(entry.notes(), QStringLiteral("CG 95 mm"));
        QCOMPARE(entry.serialNumber(), rig.manager->serialNumber());
        QCOMPARE(rig.lastSynced->modelFileFor(rig.manager->serialNumber()), files.first());
        QCOMPARE(window.reruns, 1);
        QCOMPARE(window.current, wizard.session().model());
        QVERIFY(window.waitForTransfers());
    }

    // Cancel on any page: no model in the library, the former model current again.
    void cancelLeavesTheLibraryAlone()
    {
        SyncRig rig;
        QVERIFY(rig.identify());
        MainWindowStub window(rig);
        const std::shared_ptr<Model> previous = markedDeviceModel(rig, QStringLiteral("Cub"));
        window.setCurrentModel(previous);
        QVERIFY(window.waitForTransfers());
        const QSet<QString> filesBefore = libraryFiles(*rig.library);

        AddModelWizard wizard(window.context());
        wizard.show();
        QVERIFY(window.current != previous);
        wizard.next();
        wizard.button(QWizard::CancelButton)->click();
        QCOMPARE(wizard.result(), int(QDialog::Rejected));

        QCOMPARE(window.current, previous);
        QVERIFY(window.waitForTransfers());
        QVERIFY(rig.library->flushPendingSaves());
        QCOMPARE(rig.library->fileNames().size(), 1);
        QCOMPARE(libraryFiles(*rig.library), filesBefore);
        QCOMPARE(window.reruns, 0);
    }
};

ZX_REGISTER_TEST(AddModelWizardTest);
#include "test_addmodelwizard.moc"
