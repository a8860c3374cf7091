#include "devsim/devicesimulator.h"
#include "hostend.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

using devsim::DeviceSimulator;
using devsim::Fault;
using devsim::FaultKind;
using hostend::Collector;

Q_DECLARE_METATYPE(FaultKind)

namespace {

constexpr int kWaitMs = 5000;
constexpr int kQuietMs = 150; // long enough for a reply that would come to have come

QByteArray keepAlive()
{
    return hostend::fskRequest(0x0A);
}

int countType(const std::vector<hostend::DeviceFrame> &found, std::uint8_t type)
{
    return int(std::count_if(found.begin(), found.end(),
                             [type](const auto &frame) { return frame.type == type; }));
}

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DeviceSimulator> m_simulator;
    std::unique_ptr<Collector> m_host;

private slots:
    void init()
    {
        m_host = std::make_unique<Collector>();
        m_simulator = std::make_unique<DeviceSimulator>(hostend::fastProfile());
        m_host->attachTo(*m_simulator);
        QVERIFY(hostend::completeHandshake(*m_simulator, *m_host, false));
    }
    void cleanup()
    {
        m_simulator.reset();
        m_host.reset();
    }

    // The --fault text: kind, the reply it hits, a value for the kinds that take one.
    void parsesFaultTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<FaultKind>("kind");
        QTest::addColumn<int>("atReply");
        QTest::addColumn<int>("value");

        QTest::newRow("kind only") << "drop" << true << FaultKind::Drop << 1 << -1;
        QTest::newRow("nth reply") << "drop:3" << true << FaultKind::Drop << 3 << -1;
        QTest::newRow("every reply") << "corrupt:*" << true << FaultKind::Corrupt << 0 << -1;
        QTest::newRow("delay value") << "Delay:2:500" << true << FaultKind::Delay << 2 << 500;
        QTest::newRow("junk value") << "junk:1:8" << true << FaultKind::Junk << 1 << 8;
        QTest::newRow("twice") << "twice" << true << FaultKind::AnswerTwice << 1 << -1;
        QTest::newRow("empty") << "" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("unknown kind") << "explode:1" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("reply zero") << "drop:0" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("reply not a number") << "drop:x" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("reply missing") << "drop:" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("value on a kind without")
            << "drop:1:5" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("negative value") << "delay:1:-5" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("huge value") << "junk:1:99999999999" << false << FaultKind::Drop << 0 << 0;
        QTest::newRow("too many fields") << "delay:1:5:6" << false << FaultKind::Drop << 0 << 0;
    }
    void parsesFaultTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto fault = devsim::parseFault(text);
        QCOMPARE(fault.has_value(), valid);
        if (!valid) {
            QVERIFY(!fault.error().isEmpty());
            return;
        }
        QTEST(fault->kind, "kind");
        QTEST(fault->atReply, "atReply");
        QTEST(fault->value, "value");
    }

    // Each fault spoils exactly the reply it was set for; the next one is sound again.
    void faultHitsOneReply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("sentBytes");   // what reaches the host for the spoilt reply
        QTest::addColumn<int>("validFrames"); // keep-alive replies among them
        QTest::addColumn<int>("otherType");   // replies of type 0x8B among them

        QTest::newRow("drop") << "drop" << 0 << 0 << 0;
        QTest::newRow("corrupt") << "corrupt" << 64 << 0 << 0;
        QTest::newRow("junk") << "junk:1:10" << 74 << 1 << 0;
        QTest::newRow("twice") << "twice" << 128 << 2 << 0;
        QTest::newRow("wrong type") << "wrongtype" << 64 << 0 << 1;
    }
    void faultHitsOneReply()
    {
        QFETCH(QString, text);
        QFETCH(int, sentBytes);
        QFETCH(int, validFrames);
        QFETCH(int, otherType);

        m_simulator->addFault(*devsim::parseFault(text));
        m_simulator->writeFromHost(keepAlive());
        QTRY_COMPARE_WITH_TIMEOUT(m_simulator->repliesSent(), 1, kWaitMs);
        QTest::qWait(kQuietMs);
        QCOMPARE(int(m_host->bytes().size()), sentBytes);
        QCOMPARE(countType(m_host->frames(), 0x8A), validFrames);
        QCOMPARE(countType(m_host->frames(), 0x8B), otherType);

        m_host->clear();
        m_simulator->writeFromHost(keepAlive());
        QTRY_COMPARE_WITH_TIMEOUT(countType(m_host->frames(), 0x8A), 1, kWaitMs);
        QCOMPARE(int(m_host->bytes().size()), 64);
    }

    // "drop:3": the first two replies come, the third does not, the fourth does.
    void faultCountsReplies()
    {
        m_simulator->addFault({FaultKind::Drop, 3, -1});
        for (int i = 0; i < 4; ++i)
            m_simulator->writeFromHost(keepAlive());
        QTRY_COMPARE_WITH_TIMEOUT(m_simulator->repliesSent(), 4, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(countType(m_host->replies(), 0x8A), 3, kWaitMs);
        QTest::qWait(kQuietMs);
        QCOMPARE(countType(m_host->replies(), 0x8A), 3);
    }

    void delayHoldsTheReplyBack()
    {
        constexpr int kDelayMs = 300;
        m_simulator->addFault({FaultKind::Delay, 1, kDelayMs});
        QElapsedTimer elapsed;
        elapsed.start();
        m_simulator->writeFromHost(keepAlive());
        QTRY_COMPARE_WITH_TIMEOUT(countType(m_host->replies(), 0x8A), 1, kWaitMs);
        QVERIFY(elapsed.elapsed() >= kDelayMs);
    }

    // A restart half-way through the reply: the frame's start without its checksum, then
    // the device boots again and announces itself in its power-up protocol.
    void resetRestartsMidReply()
    {
        m_simulator->addFault({FaultKind::Reset, 1, -1});
        m_simulator->writeFromHost(keepAlive());
        QTRY_VERIFY_WITH_TIMEOUT(countType(m_host->frames(), 0x05) >= 1, kWaitMs);
        QVERIFY(m_host->bytes().startsWith(hostend::fskRequest(0x8A).left(2)));
        QCOMPARE(countType(m_host->frames(), 0x8A), 0);
        QVERIFY(!m_simulator->isAnswered());
    }

    // The device vanishes instead of replying, until it is plugged in again.
    void disconnectTakesTheDeviceAway()
    {
        m_simulator->addFault({FaultKind::Disconnect, 1, -1});
        m_simulator->writeFromHost(keepAlive());
        QTRY_COMPARE_WITH_TIMEOUT(m_host->goneCalls(), 1, kWaitMs);
        QVERIFY(!m_simulator->isPresent());
        QVERIFY(!m_simulator->writeFromHost(keepAlive()));
        QTest::qWait(kQuietMs);
        QVERIFY(m_host->bytes().isEmpty());

        m_simulator->plugIn();
        QVERIFY(hostend::completeHandshake(*m_simulator, *m_host, false));
    }
};

ZX_REGISTER_TEST(FaultsTest);
#include "test_faults.moc"
