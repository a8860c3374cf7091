#include "app/shell/mainwindowcontroller.h"
#include "app/shell/programlibraries.h"
#include "app/ui/mainwindow.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "models/model.h"
#include "models/modellibrary.h"
#include "programrig.h"
#include "testregistry.h"
#include "ui/navigation/navigationpane.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>

using namespace appuitest;

// The real program on the demo device: the watch finds the cable, the user powers it, the
// device is identified, and with an empty library the mismatch is put to the user; keeping the
// device's settings makes a new model of them that is current and in step with the device.
// Unplugging then leaves the window working.
class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void identifyMismatchAndSyncFromDevice()
    {
        ProgramRig rig;
        QVERIFY2(rig.program, qPrintable(rig.error));
        MainWindow &window = rig.program->mainWindow();
        QVERIFY(QTest::qWaitFor([&] { return window.powerCheckBox()->isEnabled(); }, kWaitMs));
        QTest::mouseClick(window.powerCheckBox(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(4, window.powerCheckBox()->height() / 2));

        QVERIFY(QTest::qWaitFor([&] { return window.syncDialog() != nullptr; }, kWaitMs));
        const DeviceManager &manager = window.controller().deviceManager();
        QCOMPARE(manager.productCode(), 0xD9);
        QVERIFY(window.deviceLabel()->text().contains(QStringLiteral("Device Connected")));
        QCOMPARE(window.syncDialog()->windowTitle(), QStringLiteral("Model Mismatch"));

        auto *useDevice = window.syncDialog()->findChild<QPushButton *>("useDeviceButton");
        QVERIFY(useDevice);
        useDevice->click();
        QVERIFY(QTest::qWaitFor([&] { return window.syncDialog() == nullptr; }, kWaitMs));
        const std::shared_ptr<Model> model = window.controller().currentModel();
        QVERIFY(model);
        QVERIFY(model->matchesDeviceCrcs(manager.parameterCrc(), manager.targetSections()));
        QVERIFY(window.controller().isCurrentModelAttached());
        // The receiver's editor rows follow the program's own.
        QVERIFY(window.navigation()->pageForTitle(QStringLiteral("Dashboard")));

        // Closing writes what is pending; the model file is on disk.
        const QString fileName = model->info().fileName();
        window.close();
        QVERIFY(QTest::qWaitFor([&] { return rig.exitStatus == 0; }, kWaitMs));
        QVERIFY(QFile::exists(rig.program->libraries().models->filePath(fileName)));
    }

    void unplugDuringMismatchClosesTheDialog()
    {
        ProgramRig rig;
        QVERIFY(rig.program);
        MainWindow &window = rig.program->mainWindow();
        QVERIFY(QTest::qWaitFor([&] { return window.powerCheckBox()->isEnabled(); }, kWaitMs));
        rig.program->connection().powerOn({});
        QVERIFY(QTest::qWaitFor([&] { return window.syncDialog() != nullptr; }, kWaitMs));

        rig.program->demoDevice()->unplug();
        QVERIFY(QTest::qWaitFor([&] { return window.syncDialog() == nullptr; }, kWaitMs));
        QVERIFY(QTest::qWaitFor([&] { return !rig.program->connection().isOpen(); }, kWaitMs));
        QVERIFY(!window.powerCheckBox()->isEnabled());
        QCOMPARE(window.deviceLabel()->text(), rig.program->connection().statusText());

        // Plugged in again, the cable is found again.
        rig.program->demoDevice()->plugIn();
        QVERIFY(QTest::qWaitFor([&] { return window.powerCheckBox()->isEnabled(); }, kWaitMs));
    }
};

ZX_REGISTER_TEST(EndToEndTest);
#include "test_endtoend.moc"
