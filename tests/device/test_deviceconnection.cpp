#include "connectionfixture.h"
#include "device/deviceiothread.h"
#include "device/writecommandawaitable.h"
#include "testregistry.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

enum class DeviceBehaviour {
    Answers,
    NeverAnswers,
    AnswersTwice,
    AnswersWithAnotherType,
};

// Keep-alive answered as `behaviour` says; other requests acknowledged as usual.
FakeDevice::Responder keepAliveResponder(DeviceBehaviour behaviour)
{
    return [behaviour](const QByteArray &written) -> QByteArray {
        if (!isFskFrame(written, 0x0A))
            return acknowledgeEverything(written);
        switch (behaviour) {
        case DeviceBehaviour::Answers:
            return frames::buildFskFrame(0x8A);
        case DeviceBehaviour::NeverAnswers:
            return {};
        case DeviceBehaviour::AnswersTwice:
            return frames::buildFskFrame(0x8A) + frames::buildFskFrame(0x8A);
        case DeviceBehaviour::AnswersWithAnotherType:
            return frames::buildFskFrame(0x8B);
        }
        return {};
    };
}

// A routine that queues one command which expects no answer.
Task<bool> sendWithoutReply(DeviceConnection &connection, QByteArray packet)
{
    DeviceConnection::CommandOptions options;
    options.expectsReply = false;
    const Expected<QByteArray> sent =
        co_await WriteCommandAwaitable(connection, std::move(packet), 0, options);
    co_return sent.has_value();
}

} // namespace

Q_DECLARE_METATYPE(DeviceBehaviour)
Q_DECLARE_METATYPE(DeviceConnectionError)
Q_DECLARE_METATYPE(DeviceMode)
Q_DECLARE_METATYPE(SupportedModes)

class DeviceConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void defaultTimings()
    {
        const ConnectionTimings timings = DeviceConnection().timings();
        QCOMPARE(timings.ackTimeoutMs, 3000);
        QCOMPARE(timings.inputResetMs, 1000);
        QCOMPARE(timings.modeSwitchTimeoutMs, 3000);
        QCOMPARE(timings.announcementSettleMs, 200);
        QCOMPARE(timings.pingIdleMs, 2000);
        QCOMPARE(timings.bootloaderGoTimeoutMs, 5000);
        QCOMPARE(DeviceConnection::errorString(DeviceConnectionError::NoReply),
                 QString("There was a problem communicating with the device (no reply)."));
    }

    // A stream whose identifiers fix the mode sets it on opening; otherwise the device's
    // announcement decides. A stream that fails to open is deleted.
    void open_data()
    {
        QTest::addColumn<SupportedModes>("modes");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<int>("modeSignals");
        QTest::newRow("bootloader only")
            << SupportedModes::BootloaderOnly << true << DeviceMode::Bootloader << 1;
        QTest::newRow("application only")
            << SupportedModes::ApplicationOnly << true << DeviceMode::FSK << 1;
        QTest::newRow("announced") << SupportedModes::Announced << true << DeviceMode::Unknown << 0;
        QTest::newRow("fails to open")
            << SupportedModes::ApplicationOnly << false << DeviceMode::Unknown << 0;
    }
    void open()
    {
        QFETCH(SupportedModes, modes);
        QFETCH(bool, opens);
        QFETCH(DeviceMode, mode);
        QFETCH(int, modeSignals);
        ConnectionFixture fixture;
        fixture.device->modes = modes;
        fixture.device->openSucceeds = opens;
        QSignalSpy modeSpy(fixture.connection.get(), &DeviceConnection::modeSelected);
        QSignalSpy openSpy(fixture.connection.get(), &DeviceConnection::isOpenChanged);

        QCOMPARE(fixture.open(), opens);
        QCOMPARE(fixture.connection->isOpen(), opens);
        QCOMPARE(fixture.connection->mode(), mode);
        QCOMPARE(modeSpy.count(), modeSignals);
        QCOMPARE(openSpy.count(), opens ? 1 : 0);
        QCOMPARE(fixture.device->openThread.load(), deviceio::thread());
        QCOMPARE(deviceio::thread()->objectName(), QString("ZanProg device IO"));
        QCOMPARE(fixture.device->streamAlive.load(), opens);
    }

    // The device's announcement is answered at once; the mode follows once it has settled.
    void announcementSelectsMode_data()
    {
        QTest::addColumn<QByteArray>("announcement");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<int>("level");
        QTest::newRow("application")
            << fskAnnouncement() << frames::buildFskFrame(0x88) << DeviceMode::FSK << 0;
        QTest::newRow("bootloader")
            << bootloaderAnnouncement(3) << frames::buildBootloaderFrame(0x87, 0)
            << DeviceMode::Bootloader << 3;
    }
    void announcementSelectsMode()
    {
        QFETCH(QByteArray, announcement);
        QFETCH(QByteArray, answer);
        QFETCH(DeviceMode, mode);
        QFETCH(int, level);
        ConnectionFixture fixture;
        QVERIFY(fixture.open());
        QSignalSpy modeSpy(fixture.connection.get(), &DeviceConnection::modeSelected);
        fixture.device->deliver(announcement);
        QTRY_COMPARE(fixture.device->writes().value(0), answer);
        QTRY_COMPARE(modeSpy.count(), 1);
        QCOMPARE(fixture.connection->mode(), mode);
        QCOMPARE(int(fixture.connection->announcedLevel()), level);
    }

    // The second command goes out once the first one's reply is in, and before the first
    // one's completion runs.
    void nextCommandIsSentBeforeCompletion()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(acknowledgeEverything);
        const int before = fixture.device->writeCount();
        QList<int> writesSeenByCompletion;
        for (int i = 0; i < 2; ++i) {
            fixture.connection->fskKeepAlive([&](DeviceConnectionError code) {
                QCOMPARE(code, DeviceConnectionError::NoError);
                // Without serving the event loop: only a write queued before this
                // completion can still arrive.
                QDeadlineTimer deadline(500);
                while (fixture.device->writeCount() - before < 2 && !deadline.hasExpired())
                    QThread::msleep(1);
                writesSeenByCompletion.append(fixture.device->writeCount() - before);
            });
        }
        QTRY_COMPARE(writesSeenByCompletion.size(), 2);
        QCOMPARE(writesSeenByCompletion.first(), 2);
    }

    // Whatever the device does, the command in flight and the one behind it complete exactly
    // once each, on the main thread.
    void everyCommandCompletesOnce_data()
    {
        QTest::addColumn<DeviceBehaviour>("behaviour");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("answers") << DeviceBehaviour::Answers << DeviceConnectionError::NoError
                                 << QString();
        QTest::newRow("never answers")
            << DeviceBehaviour::NeverAnswers << DeviceConnectionError::NoReply << "Ack Timeout";
        QTest::newRow("answers twice")
            << DeviceBehaviour::AnswersTwice << DeviceConnectionError::NoError
            << "Dropped 64 byte(s) received before the last write";
        QTest::newRow("answers with another type")
            << DeviceBehaviour::AnswersWithAnotherType << DeviceConnectionError::NoReply
            << "    which was unexpected (expected: 0x8a)";
    }
    void everyCommandCompletesOnce()
    {
        QFETCH(DeviceBehaviour, behaviour);
        QFETCH(DeviceConnectionError, code);
        QFETCH(QString, logLine);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(keepAliveResponder(behaviour));
        auto first = Outcomes::create();
        auto second = Outcomes::create();
        fixture.connection->fskKeepAlive(recordTo(first));
        fixture.connection->fskKeepAlive(recordTo(second));

        QTRY_COMPARE(second->codes.size(), 1);
        QCOMPARE(first->codes, QList<DeviceConnectionError>{code});
        QCOMPARE(second->codes, QList<DeviceConnectionError>{code});
        QTest::qWait(2 * shortTimings().ackTimeoutMs);
        QCOMPARE(first->codes.size(), 1);
        QCOMPARE(second->codes.size(), 1);
        QVERIFY(!first->offMainThread && !second->offMainThread);
        if (!logLine.isEmpty())
            QVERIFY(fixture.logged(logLine));
    }

    // A command that expects no answer is done once written; the queue behind it moves on.
    void commandWithoutReplyDoesNotStallQueue()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(acknowledgeEverything);
        auto outcomes = Outcomes::create();
        fixture.connection->fskKeepAlive(recordTo(outcomes));
        const Task<bool> sent = sendWithoutReply(*fixture.connection, frames::buildFskFrame(0x21));
        fixture.connection->fskKeepAlive(recordTo(outcomes));
        QTRY_COMPARE(outcomes->codes.size(), 2);
        QCOMPARE(outcomes->codes.last(), DeviceConnectionError::NoError);
        QVERIFY(sent.isReady() && sent.result().value());
    }

    // A bootloader reply carrying an error code ends the command with that code, and the
    // command behind it goes out all the same, even when the code is "no reply".
    void deviceErrorCodeDoesNotStallQueue_data()
    {
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::newRow("no reply") << DeviceConnectionError::NoReply;
        QTest::newRow("write error") << DeviceConnectionError::WriteError;
    }
    void deviceErrorCodeDoesNotStallQueue()
    {
        QFETCH(DeviceConnectionError, code);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        fixture.device->setResponder([code](const QByteArray &written) {
            if (isBootloaderRequest(written, 0x01))
                return frames::buildBootloaderReply(0x86, std::uint8_t(code));
            return acknowledgeEverything(written);
        });
        Task<std::shared_ptr<IdRequestData>> id = fixture.connection->idRequestAsync(0);
        auto outcomes = Outcomes::create();
        fixture.connection->go(recordTo(outcomes));

        QTRY_VERIFY(id.isReady());
        QCOMPARE(id.result().error(), code);
        QTRY_COMPARE(outcomes->codes, QList<DeviceConnectionError>{DeviceConnectionError::NoError});
    }

    // Commands issued in a mode that cannot take them fail without sending anything.
    void commandInWrongModeIsInvalidState()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        const int before = fixture.device->writeCount();
        auto outcomes = Outcomes::create();
        fixture.connection->fskKeepAlive(recordTo(outcomes));
        fixture.connection->fskGo(recordTo(outcomes));
        QCOMPARE(outcomes->codes.size(), 0); // delivered from the event loop
        QTRY_COMPARE(outcomes->codes.size(), 2);
        QCOMPARE(outcomes->codes, repeated(2, DeviceConnectionError::InvalidState));
        QTest::qWait(50);
        QCOMPARE(fixture.device->writeCount(), before);
    }

    // Closing, or the stream failing under a write, fails every queued command once. The
    // stream is closed on the device-IO thread and deleted.
    void closeFailsQueuedCommands_data()
    {
        QTest::addColumn<bool>("streamFault");
        QTest::newRow("close") << false;
        QTest::newRow("write fails") << true;
    }
    void closeFailsQueuedCommands()
    {
        QFETCH(bool, streamFault);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        QSignalSpy modeSpy(fixture.connection.get(), &DeviceConnection::modeSelected);
        QSignalSpy openSpy(fixture.connection.get(), &DeviceConnection::isOpenChanged);
        QSignalSpy faultSpy(fixture.connection.get(), &DeviceConnection::isFaultedChanged);
        fixture.device->writeSucceeds = !streamFault;
        auto outcomes = Outcomes::create();
        for (int i = 0; i < 3; ++i)
            fixture.connection->fskKeepAlive(recordTo(outcomes));
        if (streamFault)
            QTRY_VERIFY(!fixture.connection->isOpen());
        else
            QVERIFY(fixture.connection->close());

        QVERIFY(!fixture.connection->isOpen());
        QCOMPARE(fixture.device->closeThread.load(), deviceio::thread());
        QCOMPARE(fixture.connection->mode(), DeviceMode::Unknown);
        QCOMPARE(modeSpy.count(), 1);
        QCOMPARE(openSpy.count(), 1);
        QCOMPARE(fixture.connection->isFaulted(), streamFault);
        QCOMPARE(faultSpy.count(), streamFault ? 1 : 0);
        QTRY_COMPARE(outcomes->codes.size(), 3);
        QCOMPARE(outcomes->codes, repeated(3, DeviceConnectionError::NoReply));
        QTRY_VERIFY(!fixture.device->streamAlive);
        QTest::qWait(2 * shortTimings().ackTimeoutMs);
        QCOMPARE(outcomes->codes.size(), 3);

        fixture.connection->clearFaulted();
        QVERIFY(!fixture.connection->isFaulted());
    }

    // Bytes the old stream delivered after it was closed never reach the next one's buffer.
    void closeDropsPartialInput()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->deliver(fskAnnouncement().left(40));
        QTest::qWait(20);
        fixture.connection->close();
        fixture.device = std::make_shared<FakeDevice>();
        QVERIFY(fixture.open());
        QSignalSpy modeSpy(fixture.connection.get(), &DeviceConnection::modeSelected);
        fixture.device->deliver(fskAnnouncement().mid(40));
        QTest::qWait(100);
        QCOMPARE(modeSpy.count(), 0);
    }

    // After a silence the buffer is junk: cleared, and the cable's echo count with it.
    void silenceClearsInput()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.open());
        fixture.device->deliver(fskAnnouncement().left(40));
        QTRY_VERIFY(fixture.logged("Clearing inputBuffer and throwaway"));
        QCOMPARE(fixture.device->echoResets.load(), 1);
        QSignalSpy modeSpy(fixture.connection.get(), &DeviceConnection::modeSelected);
        fixture.device->deliver(fskAnnouncement().mid(40));
        QTest::qWait(100);
        QCOMPARE(modeSpy.count(), 0);
    }

    // A connection destroyed with work outstanding still completes all of it, once, and
    // routines waiting on it end with an error instead of touching it.
    void destructionCompletesEverything()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        auto outcomes = Outcomes::create();
        fixture.connection->go(recordTo(outcomes));
        Task<std::shared_ptr<IdRequestData>> id = fixture.connection->idRequestAsync(0);
        fixture.connection.reset();

        QTRY_COMPARE(outcomes->codes.size(), 1);
        QCOMPARE(outcomes->codes.first(), DeviceConnectionError::NoReply);
        QTRY_VERIFY(id.isReady());
        QCOMPARE(id.result().error(), DeviceConnectionError::NoReply);
        QVERIFY(!fixture.device->streamAlive);
    }
};

ZX_REGISTER_TEST(DeviceConnectionTest);
#include "test_deviceconnection.moc"
