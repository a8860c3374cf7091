#include "app/processflags.h"
#include "app/shell/cablefirst.h"
#include "app/shell/devicewatch.h"
#include "app/shell/programexit.h"
#include "shellrig.h"
#include "testregistry.h"

#include <QSignalSpy>

using namespace shelltest;

namespace {

class FakePrompt final : public CableFirstPrompt
{
public:
    void showPrompt() override
    {
        showing = true;
        ++shown;
    }
    [[nodiscard]] bool isShowing() const override { return showing; }
    void acceptPrompt() override
    {
        showing = false;
        ++accepted;
        if (onAccept)
            onAccept();
    }

    bool showing = false;
    int shown = 0;
    int accepted = 0;
    std::function<void()> onAccept;
};

} // namespace

// The device watch opens what it finds, and the first-run prompt follows the open attempts:
// no attempt, no prompt; a failed attempt shows it; the first successful one dismisses it and
// remembers that a cable was opened.
class DeviceWatchTest : public QObject
{
    Q_OBJECT

    struct Watched
    {
        ShellRig rig;
        FakePrompt prompt;
        int exits = 0;
        CableFirstRule rule{rig.settings, prompt, [this] { ++exits; }};
        DeviceWatch watch{*rig.connection};
        int attempts = 0;

        Watched()
        {
            prompt.onAccept = [this] { rule.promptFinished(CableFirstRule::kResultOpenAnyway); };
            QObject::connect(&watch, &DeviceWatch::openAttempted, &watch, [this] {
                ++attempts;
                rule.openAttempted(rig.connection->isOpen());
            });
        }
        bool tickAndWait()
        {
            const int before = attempts;
            watch.tick();
            return QTest::qWaitFor([&] { return attempts > before; }, kWaitMs);
        }
    };

private slots:
    void noStreamMeansNoAttemptAndNoPrompt()
    {
        Watched watched;
        watched.rig.demo->unplug();
        watched.watch.tick();
        QTest::qWait(50);
        QCOMPARE(watched.attempts, 0);
        QCOMPARE(watched.prompt.shown, 0);
        QVERIFY(!watched.rule.cableOpenedOnce());
    }

    void failedOpenPromptsAndLaterSuccessAcceptsIt()
    {
        Watched watched;
        auto &backend = watched.rig.demo->backend();
        backend.setFailure(ftdi::SimulatedFtdiBackend::Call::OpenEx, ftdi::kDeviceNotOpened);
        QVERIFY(watched.tickAndWait());
        QVERIFY(!watched.rig.connection->isOpen());
        QCOMPARE(watched.prompt.shown, 1);
        QVERIFY(!watched.rig.connection->lastOpenFailure().reason.isEmpty());
        // Retrying while the prompt shows does not stack a second one.
        QVERIFY(watched.tickAndWait());
        QCOMPARE(watched.prompt.shown, 1);

        backend.clearFailures();
        QVERIFY(watched.tickAndWait());
        QVERIFY(watched.rig.connection->isOpen());
        QCOMPARE(watched.prompt.accepted, 1);
        QVERIFY(!watched.prompt.isShowing());
        QCOMPARE(watched.rig.settings.value(CableFirstRule::kSettingsKey).toString(),
                 QStringLiteral("true"));
        QVERIFY(watched.rig.connection->lastOpenFailure().reason.isEmpty());
    }

    void knownUserIsNeverPrompted()
    {
        Watched watched;
        watched.rig.settings.setValue(CableFirstRule::kSettingsKey, QStringLiteral("true"));
        watched.rig.demo->backend().setFailure(ftdi::SimulatedFtdiBackend::Call::OpenEx,
                                               ftdi::kDeviceNotOpened);
        QVERIFY(watched.tickAndWait());
        QCOMPARE(watched.prompt.shown, 0);
    }

    void promptResults_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("remembered");
        QTest::addColumn<int>("exits");
        QTest::newRow("Open Anyway") << 1 << true << 0;
        QTest::newRow("Exit") << 0 << false << 1;
        QTest::newRow("closed otherwise") << -1 << false << 0;
    }
    void promptResults()
    {
        QFETCH(int, result);
        QFETCH(bool, remembered);
        QFETCH(int, exits);
        Watched watched;
        watched.rule.promptFinished(result);
        QCOMPARE(watched.rule.cableOpenedOnce(), remembered);
        QCOMPARE(watched.exits, exits);
    }

    // The watch closes a cable that vanished and opens it again when it is back.
    void vanishedCableIsClosedAndReopened()
    {
        Watched watched;
        QVERIFY(watched.tickAndWait());
        QVERIFY(watched.rig.connection->isOpen());
        watched.rig.demo->unplug();
        watched.watch.tick();
        QVERIFY(!watched.rig.connection->isOpen());
        watched.rig.demo->plugIn();
        QVERIFY(watched.tickAndWait());
        QVERIFY(watched.rig.connection->isOpen());
    }
};

// The orderly exit: settings written, the cable switched off unless the user asked to leave
// it powered, the connection closed, then the process ends with status 0.
class ProgramExitTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { processflags::setLeaveCablePoweredAfterExit(false); }

    void withoutConnectionEndsAtOnce()
    {
        ShellRig rig;
        QStringList steps;
        ProgramExit exit(rig.settings, *rig.connection,
                         [&](int status) { steps << QStringLiteral("exit %1").arg(status); });
        exit.addBeforeTermination([&] { steps << QStringLiteral("saved"); });
        rig.settings.setValue(QStringLiteral("probe"), 1);
        exit.finishAndExit();
        QCOMPARE(steps, (QStringList{"saved", "exit 0"}));
        QSettings reread(rig.settings.fileName(), QSettings::IniFormat);
        QCOMPARE(reread.value(QStringLiteral("probe")).toInt(), 1);
    }

    void cablePower_data()
    {
        QTest::addColumn<bool>("leavePowered");
        QTest::newRow("switched off") << false;
        QTest::newRow("left powered") << true;
    }
    void cablePower()
    {
        QFETCH(bool, leavePowered);
        ShellRig rig;
        QVERIFY(rig.openAndPower());
        auto &backend = rig.demo->backend();
        QVERIFY(backend.isPowered(DemoDevice::kCableSerial));
        processflags::setLeaveCablePoweredAfterExit(leavePowered);

        int status = -1;
        bool poweredAtExit = false;
        ProgramExit exit(rig.settings, *rig.connection, [&](int code) {
            status = code;
            poweredAtExit = backend.isPowered(DemoDevice::kCableSerial);
        });
        exit.finishAndExit();
        QVERIFY(QTest::qWaitFor([&] { return status != -1; }, kWaitMs));
        QCOMPARE(status, 0);
        QCOMPARE(poweredAtExit, leavePowered);
        QVERIFY(!rig.connection->isOpen());
    }
};

ZX_REGISTER_TEST(DeviceWatchTest);
ZX_REGISTER_TEST(ProgramExitTest);
#include "test_devicewatch.moc"
