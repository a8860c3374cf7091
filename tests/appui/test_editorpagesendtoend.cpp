#include "app/shell/mainwindowcontroller.h"
#include "app/ui/mainwindow.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "programrig.h"
#include "testregistry.h"
#include "ui/navigation/navigationpane.h"
#include "ui/navigation/page.h"

#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

using namespace appuitest;

namespace {

const QString kExponentialRow = QStringLiteral("Exponential");

// The byte at `offset` of the simulated device's parameter RAM (what live patches change) or
// flash (what a commit saves).
enum class Memory { Ram, Flash };

int deviceByte(ProgramRig &rig, Memory memory, int offset)
{
    return rig.program->demoDevice()->simulator().withDevice([&](devsim::SimulatedDevice &device) {
        const auto &section = device.state().memory.targets().front().sections.front();
        const QByteArray &bytes = memory == Memory::Ram ? section.ram : section.flash;
        return offset < bytes.size() ? int(qint8(bytes.at(offset))) : INT_MIN;
    });
}

// Waits until the device holds `value` at `offset`, first in RAM and then in flash.
[[nodiscard]] bool deviceHolds(ProgramRig &rig, int offset, int value)
{
    return QTest::qWaitFor([&] { return deviceByte(rig, Memory::Ram, offset) == value; },
                           kWaitMs) &&
           QTest::qWaitFor([&] { return deviceByte(rig, Memory::Flash, offset) == value; },
                           kWaitMs);
}

// Powers the demo receiver and keeps its settings as the model, as a user answers the
// mismatch of an empty library.
[[nodiscard]] bool syncFromDevice(ProgramRig &rig)
{
    MainWindow &window = rig.program->mainWindow();
    if (!QTest::qWaitFor([&] { return window.powerCheckBox()->isEnabled(); }, kWaitMs))
        return false;
    rig.program->connection().powerOn({});
    if (!QTest::qWaitFor([&] { return window.syncDialog() != nullptr; }, kWaitMs))
        return false;
    auto *useDevice = window.syncDialog()->findChild<QPushButton *>("useDeviceButton");
    if (!useDevice)
        return false;
    useDevice->click();
    return QTest::qWaitFor(
        [&] {
            return window.syncDialog() == nullptr && window.controller().isCurrentModelAttached();
        },
        kWaitMs);
}

// Clicks the navigation row titled `title`.
[[nodiscard]] bool chooseRow(MainWindow &window, const QString &title)
{
    QListWidget *list = window.navigation()->navList();
    const QList<QListWidgetItem *> items = list->findItems(title, Qt::MatchExactly);
    if (items.isEmpty())
        return false;
    list->scrollToItem(items.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(items.first()).center());
    return window.navigation()->selectedTitle() == title;
}

} // namespace

// The editor pages in the real program on the demo receiver: a value typed into a page reaches
// the device's memory at once and its flash after the commit delay. Undo and Redo, pressed
// while the box still has the focus, are the window's: they take the model's edit back and
// forth, the page shows each state, and the device follows.
class EditorPagesEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void exponentialEditUndoAndRedoReachTheDevice()
    {
        ProgramRig rig;
        QVERIFY2(rig.program, qPrintable(rig.error));
        MainWindow &window = rig.program->mainWindow();
        QVERIFY(syncFromDevice(rig));
        // The window's shortcuts answer only in the active window.
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        const auto model =
            std::dynamic_pointer_cast<AirplaneRxModel>(window.controller().currentModel());
        QVERIFY(model);
        QVERIFY(chooseRow(window, kExponentialRow));
        Page *page = window.navigation()->pageForTitle(kExponentialRow);
        QVERIFY(page);
        QCOMPARE(window.navigation()->pageStack()->currentWidget(), page);
        auto *box = page->findChild<QSpinBox *>(QStringLiteral("pitchPositive"));
        QVERIFY(box);

        // Flight mode 1, the one the page shows first.
        const int offset =
            model->settingOffset(AirplaneRx::makeSetting(AirplaneRx::SettingType::ExpoPos, 1),
                                 AirplaneRx::kPitchChannel);
        QVERIFY(offset >= 0);
        const int before = model->expoPositive(SettingOnlyChannel::Pitch, 0);
        QCOMPARE(deviceByte(rig, Memory::Flash, offset), before);
        QCOMPARE(box->value(), before);
        const int edited = before == 35 ? 40 : 35;

        box->setFocus(Qt::TabFocusReason);
        QVERIFY(QTest::qWaitFor([&] { return box->hasFocus(); }, kWaitMs));
        box->selectAll();
        QTest::keyClicks(box, QString::number(edited));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(model->expoPositive(SettingOnlyChannel::Pitch, 0), edited);
        QVERIFY(deviceHolds(rig, offset, edited));

        QVERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->value(), before);
        QCOMPARE(model->expoPositive(SettingOnlyChannel::Pitch, 0), before);
        QVERIFY(deviceHolds(rig, offset, before));

        QVERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(box->value(), edited);
        QCOMPARE(model->expoPositive(SettingOnlyChannel::Pitch, 0), edited);
        QVERIFY(deviceHolds(rig, offset, edited));

        window.close();
        QVERIFY(QTest::qWaitFor([&] { return rig.exitStatus == 0; }, kWaitMs));
    }
};

ZX_REGISTER_TEST(EditorPagesEndToEndTest);
#include "test_editorpagesendtoend.moc"
