// The new-model wizard's decisions against the real device manager and a simulated device,
// without widgets.
#include "app/lastsyncedmodels.h"
#include "models/devicemodel.h"
#include "models/modellibrary.h"
#include "testregistry.h"
#include "ui/models/wizarddevices.h"
#include "ui/models/wizardsession.h"
#include "wizardrig.h"

#include <QTest>

using namespace wizardtest;

Q_DECLARE_METATYPE(devsim::DeviceProfile)

namespace {

std::shared_ptr<Model> newModelFor(int productCode, int parameterVersion)
{
    return createModelFor({productCode, parameterVersion, {}});
}

} // namespace

class WizardSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void everyDeviceOfEveryClassIsOffered()
    {
        int devices = 0;
        for (const ModelClassInfo *modelClass : allModelClasses())
            devices += int(modelClass->devices.size());
        const QList<DeviceChoice> choices = deviceChoices();
        QCOMPARE(choices.size(), devices);

        // Each entry makes a model of its own variant, and no two entries read alike.
        QSet<QString> labels;
        for (const DeviceChoice &choice : choices) {
            const std::shared_ptr<Model> model = createModelFor(choice.device);
            QVERIFY2(model, qPrintable(choice.label));
            QCOMPARE(model->info().productCode(), choice.device.productCode);
            QCOMPARE(model->parameterVersion(), choice.device.parameterVersion);
            QVERIFY2(!labels.contains(choice.label), qPrintable(choice.label));
            labels.insert(choice.label);
        }
    }

    // The connected device's variant is offered first; without a device nothing is.
    void preselectsTheConnectedDevice_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<devsim::DeviceProfile>("profile");
        QTest::newRow("no device") << false << devsim::profiles::airplaneReceiver();
        QTest::newRow("airplane receiver") << true << devsim::profiles::airplaneReceiver();
        QTest::newRow("envelope receiver") << true << envelopeReceiver();
        QTest::newRow("transmitter") << true << devsim::profiles::transmitter();
        QTest::newRow("stabiliser box") << true << devsim::profiles::stabiliserBox();
    }
    void preselectsTheConnectedDevice()
    {
        QFETCH(bool, connected);
        QFETCH(devsim::DeviceProfile, profile);
        SyncRig rig(profile);
        if (connected)
            QVERIFY(rig.identify());
        MainWindowStub window(rig);
        const WizardSession session(window.context());

        const std::optional<ModelDevice> preselected = session.preselectedDevice();
        QCOMPARE(preselected.has_value(), connected);
        if (connected) {
            QCOMPARE(preselected->productCode, profile.productCode);
            QCOMPARE(preselected->parameterVersion, profile.parameterVersion);
        }
    }

    // Finish adds exactly one model under the name given, binds it to the device it was
    // written to, and has the main window handle the device again.
    void finishAddsTheModelForTheDevice()
    {
        SyncRig rig;
        QVERIFY(rig.identify());
        MainWindowStub window(rig);
        const QSet<QString> filesBefore = libraryFiles(*rig.library);

        WizardSession session(window.context());
        const std::shared_ptr<Model> model = newModelFor(0xD9, 0xFF);
        QCOMPARE(session.modelChosen(model).size(), 4);
        QCOMPARE(window.current, model);
        model->info().setName(QStringLiteral("Trainer"));

        const QString fileName = session.finish();
        QVERIFY(!fileName.isEmpty());
        QCOMPARE(rig.library->fileNames(), QStringList{fileName});
        QCOMPARE(rig.library->entryInfo(fileName).name(), QStringLiteral("Trainer"));
        QCOMPARE(model->info().serialNumber(), rig.manager->serialNumber());
        QCOMPARE(rig.lastSynced->modelFileFor(rig.manager->serialNumber()), fileName);
        QCOMPARE(window.current, model);
        QCOMPARE(window.reruns, 1);
        QVERIFY(rig.presenter.messages.isEmpty());

        // The serial number reaches the file as well.
        QVERIFY(rig.library->flushPendingSaves());
        QCOMPARE(libraryFiles(*rig.library), filesBefore + QSet<QString>{fileName});
        QCOMPARE(loadModelFile(rig.library->filePath(fileName))->info().serialNumber(),
                 rig.manager->serialNumber());
        QVERIFY(window.waitForTransfers());
    }

    // A model for a device that is not connected is added, but is no device's model.
    void finishWithoutDeviceRecordsNoDevice()
    {
        SyncRig rig;
        MainWindowStub window(rig);
        WizardSession session(window.context());
        const std::shared_ptr<Model> model = newModelFor(0xEF, 1);
        QVERIFY(session.modelChosen(model).isEmpty());

        const QString fileName = session.finish();
        QVERIFY(!fileName.isEmpty());
        QCOMPARE(rig.library->fileNames(), QStringList{fileName});
        QVERIFY(model->info().serialNumber().isEmpty());
        QVERIFY(rig.lastSynced->entries().isEmpty());
        QCOMPARE(window.current, model);
        QCOMPARE(window.reruns, 1);
    }

    // Cancelling leaves no trace in the library, and the model the main window had before is
    // current again and what the device holds, although the wizard's model was written there.
    void cancelRestoresThePreviousModel()
    {
        SyncRig rig;
        QVERIFY(rig.identify());
        MainWindowStub window(rig);
        const std::shared_ptr<Model> previous = markedDeviceModel(rig, QStringLiteral("Cub"));
        window.setCurrentModel(previous);
        QVERIFY(window.waitForTransfers());
        const QByteArray previousBytes =
            static_cast<DeviceModel &>(*previous).memory().modelData(0);
        QCOMPARE(rig.deviceFlash(), previousBytes);
        const QStringList modelsBefore = rig.library->fileNames();
        const QSet<QString> filesBefore = libraryFiles(*rig.library);
        const QMap<QString, QString> lastSyncedBefore = rig.lastSynced->entries();

        WizardSession session(window.context());
        std::shared_ptr<Model> model = newModelFor(0xD9, 0xFF);
        QVERIFY(!session.modelChosen(model).isEmpty());
        QVERIFY(window.waitForTransfers());
        QVERIFY(rig.deviceFlash() != previousBytes);
        const std::weak_ptr<Model> created = model;
        model.reset();

        session.cancel();
        QCOMPARE(window.current, previous);
        QVERIFY(window.waitForTransfers());
        QCOMPARE(window.transferErrors, 0);
        QCOMPARE(rig.deviceFlash(), previousBytes);

        QVERIFY(rig.library->flushPendingSaves());
        QCOMPARE(rig.library->fileNames(), modelsBefore);
        QCOMPARE(libraryFiles(*rig.library), filesBefore);
        QCOMPARE(rig.lastSynced->entries(), lastSyncedBefore);
        QCOMPARE(window.reruns, 0);
        window.madeCurrent.clear();
        QVERIFY(created.expired());

        // The session is over: a late Finish must not add the model after all.
        QVERIFY(session.finish().isEmpty());
        QCOMPARE(rig.library->fileNames(), modelsBefore);
    }

    // Without a current model before, Cancel gives the main window none again.
    void cancelWithoutPreviousModel()
    {
        SyncRig rig;
        MainWindowStub window(rig);
        WizardSession session(window.context());
        (void)session.modelChosen(newModelFor(0x3A, 0));
        QVERIFY(window.current);
        session.cancel();
        QVERIFY(!window.current);
        QVERIFY(rig.library->fileNames().isEmpty());
    }
};

ZX_REGISTER_TEST(WizardSessionTest);
#include "test_wizardsession.moc"
