// The level-calibration dialog against a simulated receiver that needs levelling.
#include "calibrationrig.h"
#include "testregistry.h"
#include "ui/calibration/hexavorcalibrationdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace calibrationtest;
using namespace levelcalibration;

Q_DECLARE_METATYPE(devsim::FaultKind)

namespace {

constexpr int kFastPollMs = 40;
constexpr int kCalibrationMs = 400;

struct Form
{
    explicit Form(QDialog &dialog)
        : label(dialog.findChild<QLabel *>(QStringLiteral("label")))
        , status(dialog.findChild<QLabel *>(QStringLiteral("statusLabel")))
        , progress(dialog.findChild<QProgressBar *>(QStringLiteral("progressBar")))
        , buttons(dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox")))
        , start(buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr)
        , close(buttons ? buttons->button(QDialogButtonBox::Close) : nullptr)
    {}

    [[nodiscard]] bool complete() const
    {
        return label && status && progress && buttons && start && close;
    }

    QLabel *label;
    QLabel *status;
    QProgressBar *progress;
    QDialogButtonBox *buttons;
    QPushButton *start;
    QPushButton *close;
};

devsim::DeviceProfile receiver(bool fails = false)
{
    devsim::DeviceProfile profile = devsim::profiles::levelCalibrationReceiver();
    profile.calibration.durationMs = kCalibrationMs;
    profile.calibration.fails = fails;
    return profile;
}

} // namespace

class CalibrationDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<CalibrationRig> m_rig;

    [[nodiscard]] bool openRig(devsim::DeviceProfile profile)
    {
        m_rig = std::make_unique<CalibrationRig>(std::move(profile));
        return m_rig->identify();
    }

    // The dialog as the main window opens it, polling faster.
    std::unique_ptr<HexavorCalibrationDialog> openDialog()
    {
        auto dialog = std::make_unique<HexavorCalibrationDialog>(m_rig->manager.get(),
                                                                 m_rig->connection.get());
        dialog->setPollIntervalMs(kFastPollMs);
        dialog->open();
        return dialog;
    }

    [[nodiscard]] int repliesAfterQuietSpell()
    {
        const int before = m_rig->simulator->repliesSent();
        QTest::qWait(10 * kFastPollMs);
        return m_rig->simulator->repliesSent() - before;
    }

private slots:
    void cleanup() { m_rig.reset(); }

    // The form before anything happened: the instructions, an empty status, an empty bar
    // with its figure, Start offered and no way out until the receiver reports an outcome.
    void formOfReceiverWithProgress()
    {
        QVERIFY(openRig(receiver()));
        QCOMPARE(m_rig->manager->canReadCalibration(), std::optional<bool>(true));
        HexavorCalibrationDialog dialog(m_rig->manager.get(), m_rig->connection.get());
        QCOMPARE(dialog.pollIntervalMs(), HexavorCalibrationDialog::kPollIntervalMs);
        QCOMPARE(HexavorCalibrationDialog::kPollIntervalMs, 500);
        dialog.open();
        Form form(dialog);
        QVERIFY(form.complete());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Calibration Needed"));
        QCOMPARE(form.label->text(),
                 QStringLiteral("The connected receiver needs to be calibrated. Please place the "
                                "receiver flat on a level surface and don't touch it or it may "
                                "fail to calibrate."));
        QCOMPARE(form.status->text(), QString());
        QCOMPARE(form.start->text(), QStringLiteral("Start"));
        QVERIFY(form.start->isVisible() && form.start->isEnabled());
        QVERIFY(form.close->isVisible() && !form.close->isEnabled());
        QCOMPARE(form.progress->minimum(), 0);
        QCOMPARE(form.progress->maximum(), 100);
        QCOMPARE(form.progress->value(), 0);
        QVERIFY(form.progress->isTextVisible());

        QSignalSpy finished(&dialog, &QDialog::finished);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        QCOMPARE(finished.count(), 0);
        QVERIFY(dialog.isVisible());
    }

    // Start runs the receiver's calibration; the poll shows how it goes and how it ends.
    // Closing after a pass has the device identified again (now calibrated); after a failure
    // the device is left as it is.
    void calibrationOutcome_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("barShown");
        QTest::addColumn<bool>("reidentified");
        QTest::newRow("passed") << false << kPassedText << true << true;
        QTest::newRow("failed") << true << kFailedText << false << false;
    }
    void calibrationOutcome()
    {
        QFETCH(bool, fails);
        QFETCH(QString, status);
        QFETCH(bool, barShown);
        QFETCH(bool, reidentified);
        QVERIFY(openRig(receiver(fails)));
        QCOMPARE(m_rig->manager->isCalibrated(), std::optional<bool>(false));
        const auto dialog = openDialog();
        Form form(*dialog);

        QTest::mouseClick(form.start, Qt::LeftButton);
        QCOMPARE(form.status->text(), kCalibratingText);
        QVERIFY(!form.start->isEnabled());
        QVERIFY(!form.close->isEnabled());
        // The receiver's progress reaches the bar while it calibrates.
        QVERIFY(QTest::qWaitFor([&] { return form.progress->value() > 0; }, kWaitMs));
        QVERIFY(QTest::qWaitFor([&] { return form.status->text() == status; }, kWaitMs));
        QVERIFY(form.close->isEnabled());
        QVERIFY(!form.start->isEnabled());
        QCOMPARE(form.progress->isVisible(), barShown);
        if (barShown)
            QCOMPARE(form.progress->value(), 100);

        QSignalSpy busy(m_rig->manager.get(), &DeviceManager::deviceBusyChanged);
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        QTest::mouseClick(form.close, Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        if (reidentified) {
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return !busy.isEmpty() && !m_rig->manager->isBusy() &&
                           m_rig->manager->isCalibrated() == std::optional<bool>(true);
                },
                kWaitMs));
        } else {
            QTest::qWait(10 * kFastPollMs);
            QCOMPARE(busy.count(), 0);
            QCOMPARE(m_rig->manager->isCalibrated(), std::optional<bool>(false));
        }
        // Nothing polls a closed dialog's receiver.
        if (!reidentified)
            QCOMPARE(repliesAfterQuietSpell(), 0);
        QCOMPARE(m_rig->presenter.messages, QStringList());
    }

    // A receiver without the progress capability calibrates by itself: a busy bar, no Start,
    // and the dialog reports what the receiver does.
    void receiverWithoutProgressCalibratesByItself()
    {
        devsim::DeviceProfile profile = receiver();
        profile.capabilityBits = 0;
        profile.calibration.startsByItself = true;
        QVERIFY(openRig(profile));
        QCOMPARE(m_rig->manager->canReadCalibration(), std::optional<bool>(false));
        const auto dialog = openDialog();
        Form form(*dialog);
        QVERIFY(form.start->isHidden());
        QCOMPARE(form.progress->minimum(), 0);
        QCOMPARE(form.progress->maximum(), 0);
        QVERIFY(!form.progress->isTextVisible());
        QVERIFY(form.progress->isVisible());
        QVERIFY(!form.close->isEnabled());

        QVERIFY(QTest::qWaitFor([&] { return form.status->text() == kPassedText; }, kWaitMs));
        QVERIFY(form.progress->isHidden());
        QVERIFY(form.close->isEnabled());
        QVERIFY(form.start->isHidden());
    }

    // A receiver that stops answering ends the polling. Nothing else would ever enable Close,
    // so the dialog says what happened and lets the user close it.
    void receiverStopsAnswering_data()
    {
        QTest::addColumn<devsim::FaultKind>("fault");
        QTest::newRow("replies lost") << devsim::FaultKind::Drop;
        QTest::newRow("device unplugged") << devsim::FaultKind::Disconnect;
    }
    void receiverStopsAnswering()
    {
        QFETCH(devsim::FaultKind, fault);
        QVERIFY(openRig(receiver()));
        const auto dialog = openDialog();
        Form form(*dialog);
        QTest::mouseClick(form.start, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return form.progress->value() > 0; }, kWaitMs));
        m_rig->simulator->addFault({fault, devsim::kEveryReply});

        QVERIFY(QTest::qWaitFor([&] { return form.status->text() == kNoAnswerText; }, kWaitMs));
        QVERIFY(form.close->isEnabled());
        QVERIFY(form.progress->isHidden());
        QCOMPARE(repliesAfterQuietSpell(), 0);

        QTest::mouseClick(form.close, Qt::LeftButton);
        QVERIFY(dialog->isHidden());
    }

    // A status reply still under way when the dialog finishes, or is deleted, changes
    // nothing: here it would report a pass after a failure had been shown.
    void lateStatusChangesNothing_data()
    {
        QTest::addColumn<bool>("deleteDialog");
        QTest::newRow("dialog closed") << false;
        QTest::newRow("dialog deleted") << true;
    }
    void lateStatusChangesNothing()
    {
        QFETCH(bool, deleteDialog);
        QVERIFY(openRig(receiver(true)));
        auto dialog = openDialog();
        Form form(*dialog);
        QTest::mouseClick(form.start, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return form.status->text() == kFailedText; }, kWaitMs));

        // Every reply from now on is late and reports a pass.
        constexpr int kDelayMs = 300;
        m_rig->simulator->addFault({devsim::FaultKind::Delay, devsim::kEveryReply, kDelayMs});
        m_rig->simulator->withDevice([](devsim::SimulatedDevice &device) {
            device.state().calibration.phase = devsim::CalibrationRun::Phase::Passed;
        });
        const int replies = m_rig->simulator->repliesSent();
        QVERIFY(
            QTest::qWaitFor([&] { return m_rig->simulator->repliesSent() > replies; }, kWaitMs));
        QSignalSpy busy(m_rig->manager.get(), &DeviceManager::deviceBusyChanged);
        if (deleteDialog) {
            dialog.reset();
        } else {
            QTest::mouseClick(form.close, Qt::LeftButton);
            QVERIFY(dialog->isHidden());
        }

        QTest::qWait(kDelayMs + 10 * kFastPollMs);
        QCOMPARE(m_rig->simulator->repliesSent(), replies + 1);
        QCOMPARE(busy.count(), 0);
        if (!deleteDialog) {
            QCOMPARE(form.status->text(), kFailedText);
            QVERIFY(form.progress->isHidden());
        }
    }
};

ZX_REGISTER_TEST(CalibrationDialogTest);
#include "test_calibrationdialog.moc"
