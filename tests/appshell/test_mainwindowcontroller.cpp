#include "app/shell/mainwindowcontroller.h"
#include "app/shell/mainwindowview.h"
#include "devicestate/devicemanager.h"
#include "models/classes/airplanerxmodel.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "shellrig.h"
#include "testregistry.h"

using namespace shelltest;

namespace {

// Records what the controller asks of the window, in order.
class RecordingView final : public MainWindowView
{
public:
    void closeDeviceDialogs() override { calls << QStringLiteral("close dialogs"); }
    void openCalibrationDialog() override { calls << QStringLiteral("calibration"); }
    void openSyncDialog() override
    {
        calls << QStringLiteral("sync");
        if (onSyncDialog)
            onSyncDialog();
    }
    void rebuildNavigation(const std::shared_ptr<Model> &) override
    {
        calls << QStringLiteral("navigation");
    }
    void updateEnabledPages() override {}
    void showSelectingProgress() override { calls << QStringLiteral("selecting"); }
    void setSelectingProgress(float) override {}
    void closeSelectingProgress() override { calls << QStringLiteral("selected"); }

    QStringList calls;
    std::function<void()> onSyncDialog;
};

struct ControllerRig
{
    explicit ControllerRig(const QString &profile = DemoDevice::kDefaultProfile)
        : rig(profile)
    {}
    ShellRig rig;
    RecordingView view;
    std::unique_ptr<MainWindowController> controller = makeController();

    std::unique_ptr<MainWindowController> makeController()
    {
        return std::make_unique<MainWindowController>(
            MainWindowController::Services{rig.connection.get(), rig.library.get(), &rig.lastSynced,
                                           &rig.settings, &modelClassRegistry()},
            view);
    }
    bool identify()
    {
        int states = 0;
        QObject::connect(&controller->deviceManager(), &DeviceManager::deviceStateChanged,
                         controller.get(), [&] { ++states; });
        return rig.openAndPower() &&
               QTest::qWaitFor([&] { return states > 0 && !controller->deviceManager().isBusy(); },
                               kWaitMs);
    }
    // What the sync dialog does when the user keeps the device's settings: a new library
    // model filled from the device becomes current.
    std::shared_ptr<Model> readDeviceIntoNewModel()
    {
        const DeviceManager &manager = controller->deviceManager();
        const ModelClassInfo *info =
            findModelClass(manager.productCode(), manager.parameterVersion().value_or(-1));
        std::shared_ptr<Model> model =
            info->create(manager.productCode(), *manager.parameterVersion());
        model->info().setSerialNumber(manager.serialNumber());
        if (rig.library->addModel(model).isEmpty())
            return nullptr;
        auto &memory = static_cast<DeviceModel &>(*model).memory();
        bool done = false;
        DeviceConnectionError result = DeviceConnectionError::NoReply;
        memory.setSyncConnectionAsync(rig.connection.get(), manager.targetSections(),
                                      InitialSyncDirection::DeviceToComputer, {},
                                      [&](DeviceConnectionError error) {
                                          result = error;
                                          done = true;
                                      });
        if (!QTest::qWaitFor([&] { return done; }, kWaitMs) ||
            result != DeviceConnectionError::NoError)
            return nullptr;
        rig.lastSynced.setLastSyncedModel(manager.serialNumber(), model->info().fileName());
        controller->setCurrentModel(model);
        return model;
    }
};

} // namespace

// Once identified, a device gets the library model whose settings equal its own without a
// question; when none does, the user is asked; a receiver that needs levelling is levelled
// first.
class MainWindowControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void unknownDeviceOpensTheSyncDialog()
    {
        ControllerRig rig;
        QVERIFY(rig.identify());
        QCOMPARE(rig.view.calls.filter("sync").size(), 1);
        QVERIFY(!rig.controller->currentModel());
    }

    void matchingModelBecomesCurrentWithoutDialog()
    {
        ControllerRig rig;
        QVERIFY(rig.identify());
        std::shared_ptr<Model> model = rig.readDeviceIntoNewModel();
        QVERIFY(model);
        const QString fileName = model->info().fileName();
        QVERIFY(rig.rig.library->flushPendingSaves());
        model.reset();

        // A new session with the same library: the device is matched to the model.
        rig.controller = rig.makeController();
        rig.rig.connection->close();
        rig.view.calls.clear();
        QVERIFY(rig.identify());
        QCOMPARE(rig.view.calls.filter("sync").size(), 0);
        QVERIFY(rig.controller->currentModel());
        QCOMPARE(rig.controller->currentModel()->info().fileName(), fileName);
        QVERIFY(rig.controller->modelChosenForDevice());
        QCOMPARE(rig.rig.settings.value(MainWindowController::kCurrentModelKey).toString(),
                 fileName);
        // Writing the model to the device ran behind the "Selecting Model..." progress.
        QVERIFY(QTest::qWaitFor([&] { return rig.view.calls.contains("selected"); }, kWaitMs));
        QVERIFY(rig.controller->isCurrentModelAttached());
        QVERIFY(rig.rig.presenter.boxes.isEmpty());
    }

    // Equal settings are not enough: the model must be for the same device and settings
    // version.
    void modelOfOtherParameterVersionDoesNotQualify()
    {
        ControllerRig rig;
        QVERIFY(rig.identify());
        std::shared_ptr<Model> model = rig.readDeviceIntoNewModel();
        QVERIFY(model);
        model->info().setParameterVersion(0xFE);
        QVERIFY(rig.rig.library->flushPendingSaves());
        model.reset();

        rig.controller = rig.makeController();
        rig.rig.connection->close();
        rig.view.calls.clear();
        QVERIFY(rig.identify());
        QCOMPARE(rig.view.calls.filter("sync").size(), 1);
    }

    void receiverNeedingLevellingOpensCalibration()
    {
        ControllerRig rig(QStringLiteral("level-calibration-receiver"));
        QVERIFY(rig.identify());
        QVERIFY(rig.view.calls.contains("calibration"));
        QVERIFY(!rig.view.calls.contains("sync"));
    }

    // A device that comes back with the same serial number keeps its model; losing the
    // device forgets the choice and closes the dialogs about it.
    void choiceFollowsTheDevice()
    {
        ControllerRig rig;
        QVERIFY(rig.identify());
        QVERIFY(rig.readDeviceIntoNewModel());
        QVERIFY(rig.controller->modelChosenForDevice());

        rig.view.calls.clear();
        rig.rig.demo->unplug();
        rig.rig.connection->closeIfDeviceGone();
        QVERIFY(!rig.controller->modelChosenForDevice());
        QVERIFY(rig.view.calls.contains("close dialogs"));
        QVERIFY(!rig.controller->isCurrentModelAttached());
    }

    // Switching models detaches the one left: made current again, it is written again, so
    // the device never keeps the other model's settings while this one looks in step.
    void switchingBackRewritesTheModel()
    {
        ControllerRig rig;
        QVERIFY(rig.identify());
        std::shared_ptr<Model> first = rig.readDeviceIntoNewModel();
        QVERIFY(first);
        const ModelClassInfo *info = first->getModelClassInfo();
        std::shared_ptr<Model> second = info->create(0xD9, 0xFF);
        second->info().setSerialNumber(first->info().serialNumber());
        QVERIFY(!rig.rig.library->addModel(second).isEmpty());

        for (const std::shared_ptr<Model> &model : {second, first}) {
            rig.view.calls.clear();
            QVERIFY(rig.controller->setCurrentModel(model));
            QVERIFY(rig.view.calls.contains("selecting"));
            QVERIFY(QTest::qWaitFor([&] { return rig.view.calls.contains("selected"); }, kWaitMs));
            QVERIFY(rig.controller->isCurrentModelAttached());
        }
        QVERIFY(!static_cast<DeviceModel &>(*second).memory().syncConnection());
        QVERIFY(rig.rig.presenter.boxes.isEmpty());
    }

    // A model of another product is made current without being written to the device.
    void modelForAnotherDeviceIsNotWritten()
    {
        ControllerRig rig;
        QVERIFY(rig.identify());
        const ModelClassInfo *transmitter = findModelClass(0xEF, 1);
        QVERIFY(transmitter);
        std::shared_ptr<Model> model = transmitter->create(0xEF, 1);
        QVERIFY(!rig.rig.library->addModel(model).isEmpty());
        rig.view.calls.clear();
        QVERIFY(rig.controller->setCurrentModel(model));
        QVERIFY(!rig.view.calls.contains("selecting"));
        QVERIFY(!rig.controller->isCurrentModelAttached());
    }

    // The edit history is the current model's: its edits can be undone, the same model made
    // current again (a device that came back) keeps them, and another model starts afresh.
    void editHistoryFollowsTheCurrentModel()
    {
        ControllerRig rig;
        auto first = std::make_shared<AirplaneRxModel>(0xD9, 0xFF);
        auto second = std::make_shared<AirplaneRxModel>(0xD9, 0xFF);
        EditHistory &history = rig.controller->editHistory();
        QVERIFY(rig.controller->setCurrentModel(first));
        QCOMPARE(history.model(), first.get());
        const int original = first->expoPositive(SettingOnlyChannel::Yaw, 2);
        first->setExpoPositive(SettingOnlyChannel::Yaw, 2, original + 1);
        QVERIFY(QTest::qWaitFor([&] { return history.canUndo(); }, kWaitMs));
        history.undo();
        QCOMPARE(first->expoPositive(SettingOnlyChannel::Yaw, 2), original);
        history.redo();

        QVERIFY(rig.controller->setCurrentModel(first));
        QVERIFY(history.canUndo());
        QVERIFY(rig.controller->setCurrentModel(second));
        QVERIFY(!history.canUndo());
        QCOMPARE(history.model(), second.get());
        history.undo();
        QCOMPARE(first->expoPositive(SettingOnlyChannel::Yaw, 2), original + 1);
    }
};

ZX_REGISTER_TEST(MainWindowControllerTest);
#include "test_mainwindowcontroller.moc"
