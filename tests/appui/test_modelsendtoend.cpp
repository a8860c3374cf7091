#include "app/lastsyncedmodels.h"
#include "app/shell/mainwindowcontroller.h"
#include "app/ui/mainwindow.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "models/devicemodel.h"
#include "models/modellibrary.h"
#include "programrig.h"
#include "testregistry.h"

#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>

using namespace appuitest;

namespace {

QByteArray deviceFlash(ProgramRig &rig)
{
    return rig.program->demoDevice()->simulator().withDevice([](devsim::SimulatedDevice &device) {
        return device.state().memory.targets().front().sections.front().flash;
    });
}

QByteArray modelBytes(const std::shared_ptr<Model> &model)
{
    return static_cast<DeviceModel &>(*model).memory().modelData(0);
}

// Powers the demo cable and waits until the device was identified and handled.
bool powerAndIdentify(ProgramRig &rig)
{
    MainWindow &window = rig.program->mainWindow();
    if (!QTest::qWaitFor([&] { return window.powerCheckBox()->isEnabled(); }, kWaitMs))
        return false;
    rig.program->connection().powerOn({});
    const DeviceManager &manager = window.controller().deviceManager();
    return QTest::qWaitFor([&] { return !manager.serialNumber().isEmpty() && !manager.isBusy(); },
                           kWaitMs);
}

bool closeProgram(ProgramRig &rig)
{
    rig.program->mainWindow().close();
    return QTest::qWaitFor([&] { return rig.exitStatus == 0; }, kWaitMs);
}

bool clickAndWaitForDialogEnd(MainWindow &window, const char *buttonName)
{
    auto *button = window.syncDialog()->findChild<QPushButton *>(buttonName);
    if (!button)
        return false;
    button->click();
    return QTest::qWaitFor([&] { return window.syncDialog() == nullptr; }, kWaitMs);
}

} // namespace

// Three sessions of the program on one demo device and one data folder: the first keeps the
// device's settings as a new model, the second finds that model without asking, and after the
// model was changed on disk the third writes it to the device.
class ModelsEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void deviceToModelAndBack()
    {
        QTemporaryDir home;
        QString fileName;
        QString serialNumber;
        {
            ProgramRig rig(DemoDevice::kDefaultProfile, true, home.path());
            QVERIFY2(rig.program, qPrintable(rig.error));
            MainWindow &window = rig.program->mainWindow();
            QVERIFY(powerAndIdentify(rig));
            QVERIFY(QTest::qWaitFor([&] { return window.syncDialog() != nullptr; }, kWaitMs));
            QVERIFY(clickAndWaitForDialogEnd(window, "useDeviceButton"));
            const std::shared_ptr<Model> model = window.controller().currentModel();
            QVERIFY(model);
            QCOMPARE(modelBytes(model), deviceFlash(rig));
            fileName = model->info().fileName();
            serialNumber = window.controller().deviceManager().serialNumber();
            QCOMPARE(window.controller().lastSyncedModels().modelFileFor(serialNumber), fileName);
            QVERIFY(closeProgram(rig));
        }
        {
            ProgramRig rig(DemoDevice::kDefaultProfile, true, home.path());
            QVERIFY(rig.program);
            MainWindow &window = rig.program->mainWindow();
            QVERIFY(powerAndIdentify(rig));
            QVERIFY(QTest::qWaitFor([&] { return window.controller().isCurrentModelAttached(); },
                                    kWaitMs));
            QVERIFY(!window.syncDialog());
            QCOMPARE(window.controller().currentModel()->info().fileName(), fileName);
            QVERIFY(closeProgram(rig));
        }
        // Changed on disk while the program is not running.
        QByteArray changed;
        {
            ModelLibrary library(home.path() + "/Solvane Hobby/Zandorex Programmer/Models");
            std::shared_ptr<Model> model = library.openModel(fileName);
            QVERIFY(model);
            auto &memory = static_cast<DeviceModel &>(*model).memory();
            changed = memory.modelData(0);
            changed[100] = char(changed[100] ^ 0x5A);
            memory.setModelData(0, changed);
            QVERIFY(library.saveModel(fileName));
            QVERIFY(library.flushPendingSaves());
        }
        {
            ProgramRig rig(DemoDevice::kDefaultProfile, true, home.path());
            QVERIFY(rig.program);
            MainWindow &window = rig.program->mainWindow();
            QVERIFY(powerAndIdentify(rig));
            QVERIFY(QTest::qWaitFor([&] { return window.syncDialog() != nullptr; }, kWaitMs));
            QVERIFY(clickAndWaitForDialogEnd(window, "useComputerButton"));
            QVERIFY(QTest::qWaitFor([&] { return deviceFlash(rig) == changed; }, kWaitMs));
            QCOMPARE(window.controller().currentModel()->info().fileName(), fileName);
            QVERIFY(closeProgram(rig));
        }
    }
};

ZX_REGISTER_TEST(ModelsEndToEndTest);
#include "test_modelsendtoend.moc"
