#include "app/log.h"
#include "device/ftdicabledevicestream.h"
#include "logassert.h"
#include "platform/deviceaccesshint.h"
#include "platform/ftdi/simulatedftdibackend.h"
#include "scriptedcablepeer.h"
#include "testregistry.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

using ftdi::SimulatedFtdiBackend;
using Call = SimulatedFtdiBackend::Call;

Q_DECLARE_METATYPE(SimulatedFtdiBackend::Call)

namespace {

const QByteArray kSerial = "ZX000001";
const QString kCategory = QStringLiteral("FtdiCables");

enum class WriteFault { CallFails, Unplugged, TakesNothing };

} // namespace

// The programming cable stream over the simulated cable: open sequence, echo removal, power,
// and the receive listener's life.
class FtdiCableDeviceStreamTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_log = std::make_unique<Log>();
        Log::install(m_log.get());
        m_backend = std::make_unique<SimulatedFtdiBackend>();
        m_peer = std::make_shared<ScriptedCablePeer>();
        m_backend->addCable(kSerial, m_peer);
        m_stream = std::make_unique<FtdiCableDeviceStream>(*m_backend, kSerial);
    }
    void cleanup()
    {
        m_stream.reset();
        m_backend.reset();
        Log::install(nullptr);
        m_log.reset();
    }

    // Open configures the cable in a fixed order and leaves the device unpowered until powerOn.
    void openConfiguresTheCableAndLeavesThePowerOff()
    {
        QVERIFY(m_stream->open());
        QVERIFY(m_stream->isOpen());
        const QStringList expected{
            "openEx(ZX000001)",      "setBaudRate(115200)",   "setDataCharacteristics(8,0,0)",
            "setFlowControl(0,0,0)", "setBitMode(0x88,0x20)", "setEventNotification(1)",
            "setLatencyTimer(8)",
        };
        QCOMPARE(m_backend->callLog(), expected);
        QVERIFY(!m_peer->powered);
        QCOMPARE(m_peer->latencyMs.load(), 8);

        QVERIFY(m_stream->powerOn());
        QVERIFY(m_peer->powered);
        QCOMPARE(m_backend->callLog().last(), QString("setBitMode(0x80,0x20)"));
        QVERIFY(m_stream->powerOff());
        QVERIFY(!m_peer->powered);
    }

    void openWhenOpenChangesNothing()
    {
        QVERIFY(m_stream->open());
        const QStringList callsAfterOpen = m_backend->callLog();
        QVERIFY(!m_stream->open());
        QVERIFY(m_stream->isOpen());
        QCOMPARE(m_backend->callLog(), callsAfterOpen);
    }

    // A step that fails closes the half-open handle, so the cable can be opened again.
    void failedOpenStepClosesTheHandle_data()
    {
        QTest::addColumn<Call>("failing");
        QTest::addColumn<bool>("handleWasOpen");
        QTest::newRow("open") << Call::OpenEx << false;
        QTest::newRow("baud rate") << Call::SetBaudRate << true;
        QTest::newRow("data characteristics") << Call::SetDataCharacteristics << true;
        QTest::newRow("flow control") << Call::SetFlowControl << true;
        QTest::newRow("bit mode") << Call::SetBitMode << true;
        QTest::newRow("event notification") << Call::SetEventNotification << true;
        QTest::newRow("latency timer") << Call::SetLatencyTimer << true;
    }
    void failedOpenStepClosesTheHandle()
    {
        QFETCH(Call, failing);
        QFETCH(bool, handleWasOpen);
        m_backend->setFailure(failing, ftdi::kIoError);
        QVERIFY(!m_stream->open());
        QVERIFY(!m_stream->isOpen());
        QCOMPARE(m_backend->callLog().last() == "close", handleWasOpen);
        QVERIFY(!m_peer->isAttached());

        m_backend->clearFailures();
        QVERIFY(m_stream->open());
    }

    void refusedAccessExplainsTheFix()
    {
        if (deviceAccessHint().isEmpty())
            QSKIP("No access fix to explain on this system");
        m_backend->setFailure(Call::OpenEx, ftdi::kAccessDenied);
        QVERIFY(!m_stream->open());
        QVERIFY(loggedMessages(*m_log, kCategory).contains(deviceAccessHint()));
    }

    // The cable returns every written byte; that many received bytes are dropped, across
    // reads, until consumed or reset. Rows script: bytes written, whether the wire echoes,
    // bytes the device then sends, whether the echo count is reset before reading.
    void echoIsRemoved_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<bool>("wireEchoes");
        QTest::addColumn<QByteArray>("deviceSends");
        QTest::addColumn<bool>("resetFirst");
        QTest::addColumn<QByteArray>("expectedRead");
        QTest::addColumn<int>("expectedEchoLeft");
        QTest::addColumn<int>("expectedThrownAway");

        QTest::newRow("echo then reply") << 10 << true << QByteArray("\x01\x02\x03\x04", 4) << false
                                         << QByteArray("\x01\x02\x03\x04", 4) << 0 << 10;
        QTest::newRow("fewer bytes than the echo")
            << 10 << false << QByteArray(6, 'e') << false << QByteArray() << 4 << 6;
        QTest::newRow("reset drops the pending echo")
            << 10 << false << QByteArray("abc") << true << QByteArray("abc") << 0 << -1;
    }
    void echoIsRemoved()
    {
        QFETCH(int, written);
        QFETCH(bool, wireEchoes);
        QFETCH(QByteArray, deviceSends);
        QFETCH(bool, resetFirst);
        QFETCH(QByteArray, expectedRead);
        QFETCH(int, expectedEchoLeft);
        QFETCH(int, expectedThrownAway);

        m_backend->setEchoEnabled(wireEchoes);
        QVERIFY(m_stream->open());
        QVERIFY(m_stream->write(QByteArray(written, 'w')));
        QCOMPARE(m_stream->echoCount(), written);
        if (resetFirst)
            m_stream->resetEchoCount();
        QVERIFY(m_peer->send(deviceSends));
        const int arriving = int(deviceSends.size()) + (wireEchoes ? written : 0);
        QTRY_COMPARE(m_backend->bytesQueuedForHost(kSerial), arriving);

        m_log->clear();
        QCOMPARE(m_stream->readAll(), expectedRead);
        QCOMPARE(m_stream->echoCount(), expectedEchoLeft);
        const QStringList lines = loggedMessages(*m_log, kCategory);
        QCOMPARE(lines.value(0), QString("Read %1 byte(s) from device").arg(arriving));
        const QString thrownAway = QString("Threw away %1 byte(s)").arg(expectedThrownAway);
        QCOMPARE(lines.contains(thrownAway), expectedThrownAway >= 0);
    }

    void writeLogsWhatWasSent()
    {
        QVERIFY(m_stream->open());
        m_log->clear();
        QVERIFY(m_stream->write(QByteArray("\x0a\xff", 2)));
        const QStringList lines = loggedMessages(*m_log, kCategory);
        QCOMPARE(lines.mid(lines.size() - 2),
                 QStringList({"Wrote 2 byte(s) to device in 1 call(s)", "0aff"}));
        QCOMPARE(m_peer->received(), QByteArray("\x0a\xff", 2));
    }

    // An unplugged cable, a failing write call, or one that succeeds without taking a byte
    // (which must not be retried forever): the write reports failure and no echo is expected.
    void failedWriteIsReported_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("write call fails") << int(WriteFault::CallFails);
        QTest::newRow("cable unplugged") << int(WriteFault::Unplugged);
        QTest::newRow("write takes nothing") << int(WriteFault::TakesNothing);
    }
    void failedWriteIsReported()
    {
        QFETCH(int, fault);
        QVERIFY(m_stream->open());
        switch (WriteFault(fault)) {
        case WriteFault::CallFails:
            m_backend->setFailure(Call::Write, ftdi::kIoError);
            break;
        case WriteFault::Unplugged:
            m_backend->removeCable(kSerial);
            break;
        case WriteFault::TakesNothing:
            m_backend->setFailure(Call::Write, ftdi::kOk);
            break;
        }
        QVERIFY(!m_stream->write(QByteArray(5, 'x')));
        QCOMPARE(m_stream->echoCount(), 0);
        QVERIFY(
            loggedMessages(*m_log, kCategory).contains("Wrote 0 byte(s) to device in 1 call(s)"));
        QVERIFY(m_stream->readAll().isEmpty());
    }

    void powerNeedsAnOpenCable()
    {
        QVERIFY(!m_stream->powerOn());
        QVERIFY(!m_stream->powerOff());
        QVERIFY(m_stream->supportsPower());
    }

    // Arriving bytes reach dataCallback on the listener thread without anyone polling.
    void arrivingBytesCallDataCallback()
    {
        QByteArray received;
        QMutex receivedMutex;
        m_stream->dataCallback = [&] {
            const QByteArray bytes = m_stream->readAll();
            QMutexLocker lock(&receivedMutex);
            received += bytes;
        };
        QVERIFY(m_stream->open());
        QVERIFY(m_peer->send("hello"));
        QTRY_COMPARE(
            [&] {
                QMutexLocker lock(&receivedMutex);
                return received;
            }(),
            QByteArray("hello"));
        QVERIFY(m_stream->close());
        QVERIFY(loggedMessages(*m_log, kCategory).contains("Closed FTDI device"));
        QVERIFY(!m_peer->send("late"));
    }

    // Closing or destroying the stream while the listener's callback is about to read through
    // the stream must neither hang nor touch a dead stream.
    void closeAndDestroyWhileCallbackRuns_data()
    {
        QTest::addColumn<bool>("destroyInsteadOfClose");
        QTest::newRow("close") << false;
        QTest::newRow("destroy") << true;
    }
    void closeAndDestroyWhileCallbackRuns()
    {
        QFETCH(bool, destroyInsteadOfClose);
        QSemaphore inCallback;
        std::atomic<int> reads{0};
        FtdiCableDeviceStream *stream = m_stream.get();
        m_stream->dataCallback = [&inCallback, &reads, stream] {
            inCallback.release();
            QThread::msleep(50); // the owner closes meanwhile
            stream->readAll();
            ++reads;
        };
        QVERIFY(m_stream->open());
        QVERIFY(m_peer->send("x"));
        QVERIFY(inCallback.tryAcquire(1, 5000));
        if (destroyInsteadOfClose)
            m_stream.reset();
        else
            QVERIFY(m_stream->close());
        QCOMPARE(reads.load(), 1);
    }

private:
    std::unique_ptr<Log> m_log;
    std::unique_ptr<SimulatedFtdiBackend> m_backend;
    std::shared_ptr<ScriptedCablePeer> m_peer;
    std::unique_ptr<FtdiCableDeviceStream> m_stream;
};

ZX_REGISTER_TEST(FtdiCableDeviceStreamTest);
#include "test_ftdicabledevicestream.moc"
