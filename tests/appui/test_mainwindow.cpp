#include "app/processflags.h"
#include "app/shell/devicewatch.h"
#include "app/ui/mainwindow.h"
#include "device/deviceconnection.h"
#include "models/classes/airplanerxmodel.h"
#include "platform/ftdi/simulatedftdibackend.h"
#include "programrig.h"
#include "testregistry.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>

using namespace appuitest;

// The main window's own controls: the cable's power switch with its warning, the debug
// actions that need a device in the right mode, the Edit menu, and what the window says about
// the link.
class MainWindowTest : public QObject
{
    Q_OBJECT

    static bool waitForCableOpen(ProgramRig &rig)
    {
        return QTest::qWaitFor([&] { return rig.program->connection().isOpen(); }, kWaitMs) &&
               QTest::qWaitFor(
                   [&] { return rig.program->mainWindow().powerCheckBox()->isEnabled(); }, kWaitMs);
    }
    static bool cablePowered(ProgramRig &rig)
    {
        return rig.program->demoDevice()->backend().isPowered(DemoDevice::kCableSerial);
    }

private slots:
    void cleanup() { processflags::setLeaveCablePoweredAfterExit(false); }

    // Powering the cable asks first; Cancel leaves it off and the box unchecked, Shift skips
    // the question.
    void powerCable_data()
    {
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("powered");
        QTest::newRow("Power Cable") << false << "Power Cable" << true;
        QTest::newRow("Cancel") << false << "Cancel" << false;
        QTest::newRow("Shift") << true << "" << true;
    }
    void powerCable()
    {
        QFETCH(bool, shift);
        QFETCH(QString, answer);
        QFETCH(bool, powered);
        ProgramRig rig;
        QVERIFY2(rig.program, qPrintable(rig.error));
        QVERIFY(waitForCableOpen(rig));
        QCheckBox *power = rig.program->mainWindow().powerCheckBox();
        QVERIFY(!cablePowered(rig));

        QTest::mouseClick(power, Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier,
                          QPoint(4, power->height() / 2));
        if (!shift) {
            QMessageBox *box = waitForBox(QStringLiteral("Unplug Battery"));
            QVERIFY(box);
            QVERIFY(box->text().startsWith("To ensure your computer is not damaged"));
            QVERIFY(!cablePowered(rig));
            press(box, answer);
        } else {
            QVERIFY(!findBox(QStringLiteral("Unplug Battery")));
        }
        QVERIFY(QTest::qWaitFor([&] { return cablePowered(rig) == powered; }, kWaitMs));
        QCOMPARE(power->isChecked(), powered);
        if (powered) {
            // Unchecking switches the power off and keeps it off.
            power->click();
            QVERIFY(QTest::qWaitFor([&] { return !cablePowered(rig); }, kWaitMs));
        }
    }

    void clearTncStepsNeedsProgrammingMode()
    {
        ProgramRig rig(DemoDevice::kDefaultProfile, false);
        QVERIFY(rig.program);
        rig.program->mainWindow().action("actionClear_TNC_Steps")->trigger();
        QMessageBox *box = waitForBox(QStringLiteral("Programming Mode Required"), 2000);
        QVERIFY(box);
        QCOMPARE(box->text(),
                 QStringLiteral("A device must be in programming mode to reset its TNC flags."));
        rig.program->mainWindow().action("actionRead_Calibration")->trigger();
        QVERIFY(waitForBox(QStringLiteral("Unsupported Device"), 2000));
    }

    // A cable that cannot be opened shows the first-run prompt and says why in the window;
    // once it opens, the prompt goes and the window no longer complains.
    void unopenableCableIsExplained()
    {
        ProgramRig rig(DemoDevice::kDefaultProfile, false);
        QVERIFY(rig.program);
        auto &backend = rig.program->demoDevice()->backend();
        backend.setFailure(ftdi::SimulatedFtdiBackend::Call::OpenEx, ftdi::kAccessDenied);
        rig.program->deviceWatch().tick();
        QMessageBox *prompt = waitForBox(QStringLiteral("Cable First"));
        QVERIFY(prompt);
        QLabel *notice = rig.program->mainWindow().noticeLabel();
        QVERIFY(QTest::qWaitFor([&] { return notice->isVisibleTo(&rig.program->mainWindow()); },
                                kWaitMs));
        QVERIFY(notice->text().contains(QStringLiteral("access denied")));

        backend.clearFailures();
        rig.program->deviceWatch().tick();
        QVERIFY(QTest::qWaitFor([&] { return !findBox(QStringLiteral("Cable First")); }, kWaitMs));
        QVERIFY(!notice->isVisibleTo(&rig.program->mainWindow()));
        QSettings settings;
        QCOMPARE(settings.value("cableOpenedOnce").toString(), QStringLiteral("true"));
        QCOMPARE(rig.exitStatus, -1);
    }

    void exitFromCableFirstPrompt()
    {
        ProgramRig rig(DemoDevice::kDefaultProfile, false);
        QVERIFY(rig.program);
        rig.program->demoDevice()->backend().setFailure(ftdi::SimulatedFtdiBackend::Call::OpenEx,
                                                        ftdi::kDeviceNotOpened);
        rig.program->deviceWatch().tick();
        QMessageBox *prompt = waitForBox(QStringLiteral("Cable First"));
        QVERIFY(prompt);
        press(prompt, QStringLiteral("Exit"));
        QVERIFY(QTest::qWaitFor([&] { return rig.exitStatus == 0; }, kWaitMs));
    }

    // The Edit menu, between Account and Debug, undoes and redoes the current model's edits
    // by its shortcuts, enabled as the model's history allows; another current model leaves
    // nothing to undo.
    void editMenuUndoesTheCurrentModel()
    {
        ProgramRig rig(DemoDevice::kDefaultProfile, false);
        QVERIFY(rig.program);
        MainWindow &window = rig.program->mainWindow();
        QStringList menus;
        for (QAction *menu : window.menuBar()->actions())
            menus << menu->text();
        QCOMPARE(menus, (QStringList{"&Account", "&Edit", "&Debug", "&Help"}));
        QAction *undo = window.action("actionUndo");
        QAction *redo = window.action("actionRedo");
        QVERIFY(undo && redo);
        QVERIFY(undo->shortcuts().contains(QKeySequence("Ctrl+Z")));
        QVERIFY(redo->shortcuts().contains(QKeySequence("Ctrl+Shift+Z")));
        for (const QKeySequence &key : QKeySequence::keyBindings(QKeySequence::Redo))
            QVERIFY(redo->shortcuts().contains(key));
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());

        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.setFocus();
        auto model = std::make_shared<AirplaneRxModel>(0xD9, 0xFF);
        QVERIFY(window.setCurrentModel(model));
        const QByteArray before = model->memory().modelData(0);
        model->setDualRatePositive(SettingOnlyChannel::Pitch, 0, 77);
        const QByteArray after = model->memory().modelData(0);
        QVERIFY(QTest::qWaitFor([&] { return undo->isEnabled(); }, kWaitMs));

        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(model->memory().modelData(0), before);
        QVERIFY(!undo->isEnabled());
        QVERIFY(redo->isEnabled());
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(model->memory().modelData(0), after);
        QCOMPARE(model->dualRatePositive(SettingOnlyChannel::Pitch, 0), 77);
        QVERIFY(undo->isEnabled());

        QVERIFY(window.setCurrentModel(std::make_shared<AirplaneRxModel>(0xD9, 0xFF)));
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());
    }

    void geometryIsKept()
    {
        QByteArray saved;
        {
            ProgramRig rig(DemoDevice::kDefaultProfile, false);
            QVERIFY(rig.program);
            MainWindow &window = rig.program->mainWindow();
            window.resize(900, 640);
            window.close();
            QVERIFY(QTest::qWaitFor([&] { return rig.exitStatus == 0; }, kWaitMs));
            saved = QSettings().value(MainWindow::kGeometryKey).toByteArray();
        }
        QVERIFY(!saved.isEmpty());
    }
};

ZX_REGISTER_TEST(MainWindowTest);
#include "test_mainwindow.moc"
