// The connection against the device simulator: the real protocol on both ends, and the
// simulator's faults.
#include "app/log.h"
#include "device/deviceconnection.h"
#include "devsim/devicesimulator.h"
#include "devsim/simulateddevicestream.h"
#include "testregistry.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

// Records completions; shared, since a completion may outlive the test that queued it.
struct Calls
{
    QList<DeviceConnectionError> codes;
    bool offMainThread = false;
};

DeviceConnection::Done recordTo(const std::shared_ptr<Calls> &calls)
{
    return [calls](DeviceConnectionError code) {
        calls->codes.append(code);
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            calls->offMainThread = true;
    };
}

ConnectionTimings quickTimings()
{
    ConnectionTimings timings;
    timings.ackTimeoutMs = 300;
    timings.modeSwitchTimeoutMs = 1500;
    timings.bootloaderGoTimeoutMs = 600;
    return timings;
}

struct Bench
{
    Bench()
    {
        Log::install(&log);
        DeviceConnection::Options options;
        options.timings = quickTimings();
        connection = std::make_unique<DeviceConnection>(options);
    }
    ~Bench()
    {
        connection.reset();
        Log::install(nullptr);
    }
    bool comesUpIn(DeviceMode mode)
    {
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
        return QTest::qWaitFor([&] { return connection->mode() == mode; }, 3000);
    }

    Log log;
    std::shared_ptr<devsim::DeviceSimulator> simulator =
        std::make_shared<devsim::DeviceSimulator>();
    std::unique_ptr<DeviceConnection> connection;
};

} // namespace

Q_DECLARE_METATYPE(devsim::FaultKind)
Q_DECLARE_METATYPE(DeviceConnectionError)

class SimulatorIntegrationTest : public QObject
{
    Q_OBJECT

private slots:
    // Announcement, keep-alive, identification and both restarts against a simulated device.
    void handshakeCommandsAndModeSwitches()
    {
        Bench bench;
        QVERIFY(bench.comesUpIn(DeviceMode::FSK));
        auto calls = std::make_shared<Calls>();
        bench.connection->fskKeepAlive(recordTo(calls));
        QTRY_COMPARE(calls->codes, QList<DeviceConnectionError>{DeviceConnectionError::NoError});

        bench.connection->switchToMode(DeviceMode::Bootloader, recordTo(calls));
        QTRY_COMPARE_WITH_TIMEOUT(calls->codes.size(), 2, 5000);
        QCOMPARE(calls->codes.last(), DeviceConnectionError::NoError);
        QCOMPARE(bench.connection->mode(), DeviceMode::Bootloader);

        Task<std::shared_ptr<IdRequestData>> id = bench.connection->idRequestAsync(0);
        QTRY_VERIFY(id.isReady());
        QVERIFY(id.result().has_value());
        QVERIFY(id.result().value()->serialNumber.startsWith(
            QString::fromLatin1(bench.simulator->profile().serialNumber)));

        bench.connection->switchToMode(DeviceMode::FSK, recordTo(calls));
        QTRY_COMPARE_WITH_TIMEOUT(calls->codes.size(), 3, 5000);
        QCOMPARE(calls->codes.last(), DeviceConnectionError::NoError);
        QCOMPARE(bench.connection->mode(), DeviceMode::FSK);
        QVERIFY(!calls->offMainThread);
    }

    // With a fault on the first reply, the command in flight and the one queued behind it
    // each complete exactly once, with the code the fault calls for.
    void faultsCompleteEveryCommandOnce_data()
    {
        QTest::addColumn<devsim::FaultKind>("fault");
        QTest::addColumn<DeviceConnectionError>("first");
        QTest::addColumn<DeviceConnectionError>("second");
        QTest::addColumn<bool>("staysOpen");
        using E = DeviceConnectionError;
        QTest::newRow("dropped") << devsim::FaultKind::Drop << E::NoReply << E::NoReply << true;
        QTest::newRow("corrupted")
            << devsim::FaultKind::Corrupt << E::NoReply << E::NoReply << true;
        QTest::newRow("junk first") << devsim::FaultKind::Junk << E::NoError << E::NoError << true;
        QTest::newRow("answered twice")
            << devsim::FaultKind::AnswerTwice << E::NoError << E::NoError << true;
        QTest::newRow("wrong type")
            << devsim::FaultKind::WrongType << E::NoReply << E::NoReply << true;
        QTest::newRow("device vanishes")
            << devsim::FaultKind::Disconnect << E::NoReply << E::NoReply << false;
    }
    void faultsCompleteEveryCommandOnce()
    {
        QFETCH(devsim::FaultKind, fault);
        QFETCH(DeviceConnectionError, first);
        QFETCH(DeviceConnectionError, second);
        QFETCH(bool, staysOpen);
        Bench bench;
        QVERIFY(bench.comesUpIn(DeviceMode::FSK));
        bench.simulator->addFault(devsim::Fault{fault, 1, -1});
        auto firstCalls = std::make_shared<Calls>();
        auto secondCalls = std::make_shared<Calls>();
        bench.connection->fskKeepAlive(recordTo(firstCalls));
        bench.connection->fskKeepAlive(recordTo(secondCalls));
        QTRY_COMPARE(secondCalls->codes.size(), 1);
        QCOMPARE(firstCalls->codes, QList<DeviceConnectionError>{first});
        QCOMPARE(secondCalls->codes, QList<DeviceConnectionError>{second});
        // Still in the next command's time, nothing more may come.
        QTest::qWait(2 * quickTimings().ackTimeoutMs);
        QCOMPARE(firstCalls->codes.size(), 1);
        QCOMPARE(secondCalls->codes.size(), 1);
        if (!staysOpen) {
            // The next write finds the device gone and closes the link.
            bench.connection->fskKeepAlive({});
            QTRY_VERIFY(!bench.connection->isOpen());
            QVERIFY(bench.connection->isFaulted());
        } else {
            QVERIFY(bench.connection->isOpen());
        }
    }
};

ZX_REGISTER_TEST(SimulatorIntegrationTest);
#include "test_simulatorintegration.moc"
