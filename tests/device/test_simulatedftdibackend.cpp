#include "platform/ftdi/simulatedftdibackend.h"
#include "scriptedcablepeer.h"
#include "testregistry.h"

#include <QTest>

using ftdi::SimulatedFtdiBackend;

namespace {

const QByteArray kSerial = "SIM1";
// Long enough that nothing passes it between two statements.
constexpr quint8 kLongLatencyMs = 255;

} // namespace

// The simulated cable behaves as the real one where our code depends on it.
class SimulatedFtdiBackendTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_backend = std::make_unique<SimulatedFtdiBackend>();
        m_peer = std::make_shared<ScriptedCablePeer>();
        m_backend->addCable(kSerial, m_peer);
        QCOMPARE(m_backend->openEx(kSerial, ftdi::kOpenBySerialNumber, &m_handle), ftdi::kOk);
    }
    void cleanup()
    {
        m_backend.reset();
        m_handle = nullptr;
    }

    // A short reply waits in the chip for the latency timer before the host can read it.
    void latencyTimerHoldsShortReplies()
    {
        QCOMPARE(m_backend->setLatencyTimer(m_handle, kLongLatencyMs), ftdi::kOk);
        QCOMPARE(m_peer->latencyMs.load(), int(kLongLatencyMs));
        QVERIFY(m_peer->send("ab"));
        QCOMPARE(m_backend->bytesHeldInChip(kSerial), 2);
        QCOMPARE(m_backend->bytesQueuedForHost(kSerial), 0);
        QTRY_COMPARE(m_backend->bytesQueuedForHost(kSerial), 2);

        char buffer[8];
        quint32 read = 0;
        QCOMPARE(m_backend->read(m_handle, buffer, sizeof buffer, &read), ftdi::kOk);
        QCOMPARE(QByteArray(buffer, int(read)), QByteArray("ab"));
    }

    // Echo first, then the device's answer, in the order they travel the wire.
    void echoPrecedesTheReply()
    {
        m_peer->replyToEachWrite("OK");
        quint32 written = 0;
        QCOMPARE(m_backend->write(m_handle, "hi", 2, &written), ftdi::kOk);
        QCOMPARE(written, 2u);
        QCOMPARE(m_peer->received(), QByteArray("hi"));
        QTRY_COMPARE(m_backend->bytesQueuedForHost(kSerial), 4);
        char buffer[8];
        quint32 read = 0;
        QCOMPARE(m_backend->read(m_handle, buffer, sizeof buffer, &read), ftdi::kOk);
        QCOMPARE(QByteArray(buffer, int(read)), QByteArray("hiOK"));
    }

    // The power switch is the cable's own state: it survives closing and reopening.
    void powerFollowsPinThreeAndOutlivesTheHandle()
    {
        QCOMPARE(m_backend->setBitMode(m_handle, 0x80, ftdi::kBitModeCbusBitBang), ftdi::kOk);
        QVERIFY(m_peer->powered);
        QVERIFY(m_backend->isPowered(kSerial));
        QCOMPARE(m_backend->close(m_handle), ftdi::kOk);
        QVERIFY(m_backend->isPowered(kSerial));
        QVERIFY(!m_peer->isAttached());

        QCOMPARE(m_backend->openEx(kSerial, ftdi::kOpenBySerialNumber, &m_handle), ftdi::kOk);
        QCOMPARE(m_backend->setBitMode(m_handle, 0x88, ftdi::kBitModeCbusBitBang), ftdi::kOk);
        QVERIFY(!m_peer->powered);
    }

    void cableOpensOnlyOnce()
    {
        ftdi::Handle second = nullptr;
        QCOMPARE(m_backend->openEx(kSerial, ftdi::kOpenBySerialNumber, &second),
                 ftdi::kDeviceNotOpened);
        QCOMPARE(second, nullptr);
        QCOMPARE(m_backend->openEx("NOPE", ftdi::kOpenBySerialNumber, &second),
                 ftdi::kDeviceNotFound);
    }

private:
    std::unique_ptr<SimulatedFtdiBackend> m_backend;
    std::shared_ptr<ScriptedCablePeer> m_peer;
    ftdi::Handle m_handle = nullptr;
};

ZX_REGISTER_TEST(SimulatedFtdiBackendTest);
#include "test_simulatedftdibackend.moc"
