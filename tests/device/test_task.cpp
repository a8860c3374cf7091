#include "connectionfixture.h"
#include "device/task.h"
#include "testregistry.h"

#include <QTest>

namespace {

// Counts routine frames alive, to show that finished routines free themselves.
struct FrameCounter
{
    explicit FrameCounter(int &live)
        : live(live)
    {
        ++live;
    }
    ~FrameCounter() { --live; }
    int &live;
};

Task<int> delayedValue(int value, int delayMs, int &live, QList<QString> &trace)
{
    FrameCounter counter(live);
    trace.append(QStringLiteral("start %1").arg(value));
    co_await TimerAwaitable(delayMs);
    trace.append(QStringLiteral("end %1").arg(value));
    if (value < 0)
        co_return Unexpected(DeviceConnectionError::InvalidState);
    co_return value;
}

Task<int> sumOfTwo(int &live, QList<QString> &trace)
{
    FrameCounter counter(live);
    const Expected<int> first = co_await delayedValue(1, 10, live, trace);
    const Expected<int> second = co_await delayedValue(2, 0, live, trace);
    if (!first || !second)
        co_return Unexpected(DeviceConnectionError::InvalidReply);
    co_return *first + *second;
}

Task<int> immediate()
{
    co_return 7;
}

Task<int> awaitImmediate()
{
    const Expected<int> value = co_await immediate();
    co_return *value + 1;
}

QByteArray idPayload()
{
    QByteArray payload(71, '\0');
    payload.replace(0, 6, "SN1234");
    payload[30] = 1; // extra
    payload[31] = 2; // bootloader 2.3.4
    payload[32] = 3;
    payload[33] = 4;
    payload[34] = 0x05; // option byte 0: app valid (bit 0), 2 devices behind (bits 3..1)
    payload[41] = 0x01; // bootloader product 0x0123
    payload[42] = 0x23;
    payload[43] = 5; // app 5.6.7
    payload[44] = 6;
    payload[45] = 7;
    payload[53] = 0x00; // app product 0x0042
    payload[54] = 0x42;
    return payload;
}

} // namespace

class TaskTest : public QObject
{
    Q_OBJECT

private slots:
    // A routine runs up to its first suspension when called, resumes from the event loop,
    // and hands its result to the routine awaiting it.
    void runsEagerlyAndDelivers()
    {
        int live = 0;
        QList<QString> trace;
        Task<int> sum = sumOfTwo(live, trace);
        QCOMPARE(trace, QList<QString>{"start 1"});
        QVERIFY(!sum.isReady());
        QTRY_VERIFY(sum.isReady());
        QCOMPARE(sum.result().value(), 3);
        QCOMPARE(trace, (QList<QString>{"start 1", "end 1", "start 2", "end 2"}));
        QCOMPARE(live, 0); // locals end with the routine, even while `sum` holds its result

        const Task<int> ready = awaitImmediate();
        QVERIFY(ready.isReady());
        QCOMPARE(ready.result().value(), 8);
    }

    // A dropped Task does not cancel its routine: it runs to the end and frees itself.
    void droppedTaskFinishesAndFreesItself()
    {
        int live = 0;
        QList<QString> trace;
        (void)delayedValue(-1, 10, live, trace);
        QCOMPARE(live, 1);
        QTRY_COMPARE(live, 0);
        QCOMPARE(trace.last(), QString("end -1"));

        auto delivered = std::make_shared<QList<Expected<int>>>();
        whenDone<int>(delayedValue(4, 0, live, trace),
                      [delivered](Expected<int> value) { delivered->append(value); });
        QTRY_COMPARE(delivered->size(), 1);
        QCOMPARE(delivered->first().value(), 4);
        QTRY_COMPARE(live, 0);
    }

    // The bootloader identification over a connection: decoded, logged, and checked against
    // the device that answered.
    void identificationRequest_data()
    {
        QTest::addColumn<int>("answeringDevice");
        QTest::addColumn<int>("resultCode");
        QTest::addColumn<int>("error"); // -1: success
        QTest::newRow("answered") << 0 << 0 << -1;
        QTest::newRow("another device answered") << 1 << 0 << 16;
        QTest::newRow("device reports an error") << 0 << 4 << 4;
    }
    void identificationRequest()
    {
        QFETCH(int, answeringDevice);
        QFETCH(int, resultCode);
        QFETCH(int, error);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK)); // works in any mode
        fixture.device->setResponder([=](const QByteArray &written) {
            if (!isBootloaderRequest(written, 0x01))
                return QByteArray();
            return frames::buildBootloaderReply(
                0x86, std::uint8_t(answeringDevice << 5 | resultCode), idPayload());
        });
        // The request goes out as an FSK-mode link ignores bootloader replies, so answer in
        // the mode the request belongs to.
        fixture.device->deliver(bootloaderAnnouncement(2));
        QTRY_COMPARE(fixture.connection->mode(), DeviceMode::Bootloader);

        Task<std::shared_ptr<IdRequestData>> id = fixture.connection->idRequestAsync(0);
        QTRY_VERIFY(id.isReady());
        const QByteArray request = fixture.device->writes().last();
        QCOMPARE(request, frames::buildBootloaderFrame(0x01, 0));
        if (error >= 0) {
            QCOMPARE(int(id.result().error()), error);
            return;
        }
        const IdRequestData &data = *id.result().value();
        QCOMPARE(data.serialNumber.left(6), QString("SN1234"));
        QCOMPARE(data.serialNumber.size(), 30);
        QCOMPARE(data.bootloaderExtra, 3);
        QCOMPARE(data.bootloaderVersionRelease, 4);
        QCOMPARE(data.bootloaderProductCode, 0x0123);
        QCOMPARE(data.appState, 1);
        QCOMPARE(int(data.numDevicesConnected), 2);
        QCOMPARE(data.appVersionMinor, 6);
        QCOMPARE(data.appProductCode, 0x42);
        QVERIFY(fixture.logged("Bootloader ID Request (device 0):"));
        QVERIFY(fixture.logged("  Bootloader option bits: 0x05000000000000"));
        QVERIFY(fixture.logged("  Bootloader product code: 0x123"));
        QVERIFY(fixture.logged("  Num devices connected: 2"));
    }
};

ZX_REGISTER_TEST(TaskTest);
#include "test_task.moc"
