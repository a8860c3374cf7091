#include "connectionfixture.h"
#include "device/deviceiothread.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Acknowledges everything; after acknowledging a restart command it announces itself in the
// other mode, as a device does once restarted.
QByteArray restartingDevice(const QByteArray &written)
{
    QByteArray answer = acknowledgeEverything(written);
    if (isFskFrame(written, 0x0C))
        answer += bootloaderAnnouncement();
    else if (isBootloaderRequest(written, 0x09))
        answer += fskAnnouncement();
    return answer;
}

} // namespace

Q_DECLARE_METATYPE(DeviceConnectionError)
Q_DECLARE_METATYPE(DeviceMode)

class ModeSwitchTest : public QObject
{
    Q_OBJECT

private slots:
    // Switches that cannot start complete from the event loop without sending anything.
    void switchRefused_data()
    {
        QTest::addColumn<DeviceMode>("from");
        QTest::addColumn<DeviceMode>("target");
        QTest::addColumn<bool>("alreadySwitching");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::newRow("already there")
            << DeviceMode::FSK << DeviceMode::FSK << false << DeviceConnectionError::NoError;
        QTest::newRow("target not a protocol") << DeviceMode::FSK << DeviceMode::Unknown << false
                                               << DeviceConnectionError::InvalidState;
        QTest::newRow("device unknown") << DeviceMode::Unknown << DeviceMode::FSK << false
                                        << DeviceConnectionError::InvalidState;
        QTest::newRow("switch pending") << DeviceMode::FSK << DeviceMode::Bootloader << true
                                        << DeviceConnectionError::InvalidState;
    }
    void switchRefused()
    {
        QFETCH(DeviceMode, from);
        QFETCH(DeviceMode, target);
        QFETCH(bool, alreadySwitching);
        QFETCH(DeviceConnectionError, code);
        ConnectionFixture fixture;
        QVERIFY(from == DeviceMode::Unknown ? fixture.open() : fixture.openIn(from));
        QTest::qWait(50); // our answer to the announcement is written
        const int before = fixture.device->writeCount();
        if (alreadySwitching)
            fixture.connection->switchToMode(DeviceMode::Bootloader, {});
        auto outcomes = Outcomes::create();
        fixture.connection->switchToMode(target, recordTo(outcomes));
        QCOMPARE(outcomes->codes.size(), 0);
        QTRY_COMPARE(outcomes->codes, QList<DeviceConnectionError>{code});
        QTest::qWait(50);
        QCOMPARE(fixture.device->writeCount(), before + (alreadySwitching ? 1 : 0));
    }

    // The device acknowledges, restarts and announces itself in the other protocol; the
    // switch completes once that mode is selected, and the link stays in it. A device that
    // restarts quickly announces itself in the same read as its reply, before the command's
    // completion has run.
    void switchesBothWays_data()
    {
        QTest::addColumn<DeviceMode>("from");
        QTest::addColumn<DeviceMode>("target");
        QTest::addColumn<bool>("announcesWithTheReply");
        QTest::newRow("into the bootloader") << DeviceMode::FSK << DeviceMode::Bootloader << false;
        QTest::newRow("into the application") << DeviceMode::Bootloader << DeviceMode::FSK << false;
        QTest::newRow("into the bootloader, announced with the reply")
            << DeviceMode::FSK << DeviceMode::Bootloader << true;
        QTest::newRow("into the application, announced with the reply")
            << DeviceMode::Bootloader << DeviceMode::FSK << true;
    }
    void switchesBothWays()
    {
        QFETCH(DeviceMode, from);
        QFETCH(DeviceMode, target);
        QFETCH(bool, announcesWithTheReply);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(from));
        fixture.device->setResponder(announcesWithTheReply ? restartingDevice
                                                           : acknowledgeEverything);
        QList<DeviceMode> modes;
        connect(fixture.connection.get(), &DeviceConnection::modeSelected, this,
                [&] { modes.append(fixture.connection->mode()); });
        DeviceMode modeAtCompletion = DeviceMode::Unknown;
        auto outcomes = Outcomes::create();
        fixture.connection->switchToMode(target, [&, outcomes](DeviceConnectionError code) {
            recordTo(outcomes)(code);
            modeAtCompletion = fixture.connection->mode();
        });
        if (!announcesWithTheReply) {
            QTRY_COMPARE(fixture.connection->mode(), DeviceMode::Switching);
            fixture.device->deliver(target == DeviceMode::Bootloader ? bootloaderAnnouncement()
                                                                     : fskAnnouncement());
        }
        QTRY_COMPARE(outcomes->codes, QList<DeviceConnectionError>{DeviceConnectionError::NoError});
        QCOMPARE(modes, (QList<DeviceMode>{DeviceMode::Switching, target}));
        QCOMPARE(modeAtCompletion, target);

        QTest::qWait(shortTimings().modeSwitchTimeoutMs + 100);
        QCOMPARE(modes, (QList<DeviceMode>{DeviceMode::Switching, target}));
    }

    // Acknowledged but never announced: after the mode-switch timeout the mode is Unknown,
    // the switch completes, and commands queued meanwhile fail.
    void switchWithoutAnnouncementTimesOut()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(acknowledgeEverything);
        auto outcomes = Outcomes::create();
        fixture.connection->switchToMode(DeviceMode::Bootloader, recordTo(outcomes));
        QTRY_COMPARE(fixture.connection->mode(), DeviceMode::Switching);
        auto queued = Outcomes::create();
        Task<std::shared_ptr<IdRequestData>> id = fixture.connection->idRequestAsync(0);
        QTRY_COMPARE(outcomes->codes, QList<DeviceConnectionError>{DeviceConnectionError::NoError});
        QCOMPARE(fixture.connection->mode(), DeviceMode::Unknown);
        QTRY_VERIFY(id.isReady());
        QCOMPARE(id.result().error(), DeviceConnectionError::NoReply);
    }

    // A restart command that fails: an announcement that follows still ends the switch
    // normally; without one the switch ends with the command's error rather than waiting for
    // good, and the mode shows that nothing changed.
    void switchWhoseCommandFails_data()
    {
        QTest::addColumn<bool>("announces");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<DeviceMode>("mode");
        QTest::newRow("device announces anyway")
            << true << DeviceConnectionError::NoError << DeviceMode::Bootloader;
        QTest::newRow("device stays silent")
            << false << DeviceConnectionError::NoReply << DeviceMode::FSK;
    }
    void switchWhoseCommandFails()
    {
        QFETCH(bool, announces);
        QFETCH(DeviceConnectionError, code);
        QFETCH(DeviceMode, mode);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder([announces](const QByteArray &written) {
            return announces && isFskFrame(written, 0x0C) ? bootloaderAnnouncement() : QByteArray();
        });
        auto outcomes = Outcomes::create();
        fixture.connection->switchToMode(DeviceMode::Bootloader, recordTo(outcomes));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes->codes, QList<DeviceConnectionError>{code}, 3000);
        QCOMPARE(fixture.connection->mode(), mode);

        // The link is free for the next switch.
        fixture.device->setResponder(restartingDevice);
        auto next = Outcomes::create();
        fixture.connection->switchToMode(
            mode == DeviceMode::FSK ? DeviceMode::Bootloader : DeviceMode::FSK, recordTo(next));
        QTRY_COMPARE(next->codes, QList<DeviceConnectionError>{DeviceConnectionError::NoError});
    }

    // Closing during a switch: in Switching the mode stays until the timeout; with the command
    // still in flight the switch completes once, with the failure.
    void closeDuringSwitch_data()
    {
        QTest::addColumn<bool>("acknowledged");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::newRow("switching") << true << DeviceConnectionError::NoError;
        QTest::newRow("command in flight") << false << DeviceConnectionError::NoReply;
    }
    void closeDuringSwitch()
    {
        QFETCH(bool, acknowledged);
        QFETCH(DeviceConnectionError, code);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        if (acknowledged)
            fixture.device->setResponder(acknowledgeEverything);
        auto outcomes = Outcomes::create();
        fixture.connection->switchToMode(DeviceMode::Bootloader, recordTo(outcomes));
        if (acknowledged)
            QTRY_COMPARE(fixture.connection->mode(), DeviceMode::Switching);
        else
            QTRY_COMPARE(fixture.device->writeCount(), 2); // our answer, then the command
        fixture.connection->close();
        QCOMPARE(fixture.connection->mode(),
                 acknowledged ? DeviceMode::Switching : DeviceMode::Unknown);
        QTRY_COMPARE(outcomes->codes, QList<DeviceConnectionError>{code});
        QTRY_COMPARE(fixture.connection->mode(), DeviceMode::Unknown);
        QTest::qWait(shortTimings().modeSwitchTimeoutMs + 100);
        QCOMPARE(outcomes->codes.size(), 1);
    }

    // Power is switched on the connection's power thread; powering off with a delay powers
    // on again unless the link or the user decided otherwise meanwhile.
    void power_data()
    {
        QTest::addColumn<int>("repowerAfterMs");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("powerOns");
        QTest::newRow("stays off") << -1 << "" << 0;
        QTest::newRow("comes back on") << 100 << "" << 1;
        QTest::newRow("turned off for good meanwhile") << 100 << "power off" << 0;
        QTest::newRow("link closed meanwhile") << 100 << "close" << 0;
    }
    void power()
    {
        QFETCH(int, repowerAfterMs);
        QFETCH(QString, meanwhile);
        QFETCH(int, powerOns);
        ConnectionFixture fixture;
        QVERIFY(fixture.open());
        auto outcomes = Outcomes::create();
        fixture.connection->powerOff(repowerAfterMs, recordTo(outcomes));
        QTRY_COMPARE(outcomes->codes, QList<DeviceConnectionError>{DeviceConnectionError::NoError});
        QVERIFY(!outcomes->offMainThread);
        QCOMPARE(fixture.device->powerOffs.load(), 1);
        QVERIFY(fixture.device->powerThread != QThread::currentThread());
        QVERIFY(fixture.device->powerThread != deviceio::thread());
        if (meanwhile == "power off")
            fixture.connection->powerOff(-1, {});
        else if (meanwhile == "close")
            fixture.connection->close();
        QTest::qWait(300);
        QCOMPARE(fixture.device->powerOns.load(), powerOns);
    }

    void powerResults_data()
    {
        QTest::addColumn<bool>("canPower");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<int>("switched");
        QTest::newRow("switched") << true << true << DeviceConnectionError::NoError << 1;
        QTest::newRow("switch fails")
            << true << false << DeviceConnectionError::PowerSwitchFailed << 1;
        QTest::newRow("stream without power")
            << false << true << DeviceConnectionError::NoError << 0;
    }
    void powerResults()
    {
        QFETCH(bool, canPower);
        QFETCH(bool, succeeds);
        QFETCH(DeviceConnectionError, code);
        QFETCH(int, switched);
        ConnectionFixture fixture;
        fixture.device->canPower = canPower;
        fixture.device->powerSucceeds = succeeds;
        QVERIFY(fixture.open());
        auto outcomes = Outcomes::create();
        fixture.connection->powerOn(recordTo(outcomes));
        QTRY_COMPARE(outcomes->codes, QList<DeviceConnectionError>{code});
        QCOMPARE(fixture.device->powerOns.load(), switched);
        QVERIFY(DeviceConnection::errorString(DeviceConnectionError::PowerSwitchFailed).isEmpty());
    }

    // An idle device is pinged in the protocol it speaks; a failed ping means it is gone.
    void ping_data()
    {
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<int>("idleMs");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("sent");
        QTest::addColumn<DeviceMode>("modeAfter");
        QTest::newRow("busy 1999 ms ago")
            << DeviceMode::FSK << 1999 << true << 0 << DeviceMode::FSK;
        QTest::newRow("application answers")
            << DeviceMode::FSK << 2000 << true << 1 << DeviceMode::FSK;
        QTest::newRow("application gone")
            << DeviceMode::FSK << 2000 << false << 1 << DeviceMode::Unknown;
        QTest::newRow("bootloader answers")
            << DeviceMode::Bootloader << 5000 << true << 1 << DeviceMode::Bootloader;
        QTest::newRow("bootloader gone")
            << DeviceMode::Bootloader << 5000 << false << 1 << DeviceMode::Unknown;
    }
    void ping()
    {
        QFETCH(DeviceMode, mode);
        QFETCH(int, idleMs);
        QFETCH(bool, answers);
        QFETCH(int, sent);
        QFETCH(DeviceMode, modeAfter);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(mode));
        if (answers)
            fixture.device->setResponder(acknowledgeEverything);
        QTest::qWait(50); // our answer to the announcement is written
        const int before = fixture.device->writeCount();
        fixture.clockMs += std::uint64_t(idleMs);
        fixture.connection->pingDevice();
        QTRY_COMPARE(fixture.device->writeCount(), before + sent);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.connection->mode(), modeAfter, 1000);
        QTest::qWait(2 * shortTimings().ackTimeoutMs);
        QCOMPARE(fixture.connection->mode(), modeAfter);
    }

    void statusText_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<bool>("cable");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << false << DeviceMode::Unknown << true << "No Device Connected";
        QTest::newRow("cable only")
            << true << DeviceMode::Unknown << true << "Cable Connected but No Device";
        QTest::newRow("cable and device")
            << true << DeviceMode::FSK << true << "Cable and Device Connected";
        QTest::newRow("usb device")
            << true << DeviceMode::Bootloader << false << "Device Connected";
    }
    void statusText()
    {
        QFETCH(bool, opened);
        QFETCH(DeviceMode, mode);
        QFETCH(bool, cable);
        QFETCH(QString, text);
        ConnectionFixture fixture;
        fixture.device->canPower = cable;
        if (opened)
            QVERIFY(mode == DeviceMode::Unknown ? fixture.open() : fixture.openIn(mode));
        QCOMPARE(fixture.connection->statusText(), text);
    }

    // The device-watch tick closes a stream whose device is no longer listed.
    void closeIfDeviceGone_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("still there") << QStringList{"other", "fake-1"} << true;
        QTest::newRow("gone") << QStringList{"other"} << false;
        QTest::newRow("nothing listed") << QStringList{} << false;
    }
    void closeIfDeviceGone()
    {
        QFETCH(QStringList, present);
        QFETCH(bool, staysOpen);
        ConnectionFixture fixture;
        fixture.presentKeys = present;
        QVERIFY(fixture.open());
        fixture.connection->closeIfDeviceGone();
        QCOMPARE(fixture.connection->isOpen(), staysOpen);
    }
};

ZX_REGISTER_TEST(ModeSwitchTest);
#include "test_modeswitch.moc"
