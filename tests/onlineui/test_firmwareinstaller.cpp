// The desktop side of an installation on a simulated receiver: input blocked during the
// switch, the progress dialog, the outcome's box, then the caller's completion.
#include "online/ui/firmwareinstaller.h"
#include "onlineuirig.h"
#include "testregistry.h"
#include "ui/widgets/inputblocker.h"
#include "ui/widgets/progressdialog.h"

#include <QLabel>
#include <QProgressBar>

using namespace onlineuitest;

namespace {

// What the user saw of one installation.
struct Seen
{
    bool blockedAtStart = false;
    bool blockedDuringTransfer = true;
    QString progressLabel;
    QList<int> progress;
    bool completed = false;
    QStringList boxesAtCompletion;
    bool progressShownAtCompletion = true;
};

} // namespace

class FirmwareInstallerTest : public QObject
{
    Q_OBJECT

    // Installs `file` on the rig's base device from `window`, recording what shows; stops
    // once the completion has run or a box has shown.
    Seen install(DeviceRig &device, QWidget &window, const QByteArray &file,
                 const std::function<void()> &onProgressShown = {})
    {
        Seen seen;
        FirmwareInstaller::install(
            &window, device.manager.get(),
            {0, std::uint16_t(device.manager->productCode()), device.manager->serialNumber(), file},
            [&seen] {
                seen.completed = true;
                seen.boxesAtCompletion = MessageBoxCatcher::visibleBoxes();
                seen.progressShownAtCompletion = findWindow<ProgressDialog>() != nullptr;
            });
        seen.blockedAtStart = isInputBlocked(&window);

        const auto *dialog = QTest::qWaitFor([] { return findWindow<ProgressDialog>(); }, kWaitMs)
                                 ? findWindow<ProgressDialog>()
                                 : nullptr;
        if (dialog) {
            seen.blockedDuringTransfer = isInputBlocked(&window);
            seen.progressLabel = dialog->findChild<QLabel *>()->text();
            connect(dialog->progressBar(0), &QProgressBar::valueChanged, dialog->progressBar(0),
                    [&seen](int value) { seen.progress.append(value); });
            if (onProgressShown)
                onProgressShown();
        }
        (void)QTest::qWaitFor([&] { return seen.completed; }, kWaitMs * 2);
        return seen;
    }

private slots:
    // The transfer shows its progress in whole percent; success is told before the caller
    // hears of the end, and the device comes back with the new version.
    void installsAndTellsTheOutcome()
    {
        DeviceRig device;
        QVERIFY(device.identify());
        QWidget window;
        window.show();
        MessageBoxCatcher catcher;

        const Seen seen = install(device, window, device.firmware(8, 4));
        QVERIFY(seen.blockedAtStart);
        QVERIFY(!seen.blockedDuringTransfer);
        QCOMPARE(seen.progressLabel, QStringLiteral("Updating device..."));
        QVERIFY(seen.completed);
        QVERIFY(seen.progress.size() > 2);
        QVERIFY(std::is_sorted(seen.progress.begin(), seen.progress.end()));
        QCOMPARE(seen.progress.last(), 100);
        QCOMPARE(
            seen.boxesAtCompletion,
            QStringList{QStringLiteral("Update Finished: The device was successfully updated.")});
        QVERIFY(!seen.progressShownAtCompletion);
        QVERIFY(!isInputBlocked(&window));

        QVERIFY(device.waitForApplication(8));
        QCOMPARE(device.manager->appVersionMinor(), 4);
        QVERIFY(device.presenter.messages.isEmpty());
    }

    // A device that goes away during the transfer: the failure is told, and the caller
    // still hears of the end.
    void aCutTransferIsReported()
    {
        DeviceRig device;
        QVERIFY(device.identify());
        QWidget window;
        MessageBoxCatcher catcher;

        const Seen seen = install(device, window, device.firmware(8), [&] {
            devsim::Fault disconnect;
            disconnect.kind = devsim::FaultKind::Disconnect;
            disconnect.atReply = 3;
            device.simulator->addFault(disconnect);
        });
        QVERIFY(seen.completed);
        QCOMPARE(seen.boxesAtCompletion.size(), 1);
        QVERIFY(seen.boxesAtCompletion.first().startsWith(QStringLiteral("Update Failed: ")));
        QVERIFY(seen.boxesAtCompletion.first().size() > QStringLiteral("Update Failed: ").size());
        QVERIFY(!seen.progressShownAtCompletion);
        QVERIFY(seen.progress.isEmpty() || seen.progress.last() < 100);
    }

    // A switch that cannot start is told at once; no progress, no completion, and the window
    // takes input again.
    void aFailedSwitchEndsThere()
    {
        DeviceRig device;
        QVERIFY(device.identify());
        device.connection->switchToMode(DeviceMode::Bootloader, [](DeviceConnectionError) {});
        QVERIFY(QTest::qWaitFor([&] { return device.connection->mode() == DeviceMode::Switching; },
                                kWaitMs));
        QWidget window;
        MessageBoxCatcher catcher;

        bool completed = false;
        FirmwareInstaller::install(&window, device.manager.get(),
                                   {0, std::uint16_t(device.manager->productCode()),
                                    device.manager->serialNumber(), device.firmware(8)},
                                   [&] { completed = true; });
        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes,
                 QStringList{QStringLiteral("Update Failed: ") +
                             DeviceConnection::errorString(DeviceConnectionError::InvalidState)});
        QVERIFY(!isInputBlocked(&window));
        QVERIFY(findWindow<ProgressDialog>() == nullptr);
        QVERIFY(!completed);
    }
};

ZX_REGISTER_TEST(FirmwareInstallerTest);
#include "test_firmwareinstaller.moc"
