#include "device/deviceconnectionerror.h"
#include "device/frames.h"
#include "devsim/simulateddevice.h"
#include "hostend.h"
#include "testregistry.h"

#include <QTest>

using devsim::DeviceProfile;
using devsim::SimulatedDevice;
using hostend::DeviceFrame;

namespace {

constexpr int kBootMs = 10;
constexpr int kIntervalMs = 100;

DeviceProfile testProfile(DeviceMode start)
{
    DeviceProfile profile = devsim::defaultReceiverProfile();
    profile.startMode = start;
    profile.bootDelayMs = kBootMs;
    profile.announceIntervalMs = kIntervalMs;
    profile.auxiliaryDeviceCount = 2;
    return profile;
}

// Drives a device on a clock the test moves by hand.
struct Bench
{
    SimulatedDevice device;
    qint64 nowMs = 0;

    explicit Bench(DeviceMode start = DeviceMode::FSK)
        : device(testProfile(start))
    {
        device.powerUp(nowMs);
    }

    std::vector<DeviceFrame> runUntil(qint64 untilMs)
    {
        QByteArray sent;
        while (nowMs <= untilMs) {
            device.poll(nowMs);
            sent += hostend::takeSentBytes(device);
            ++nowMs;
        }
        return hostend::parseDeviceFrames(sent);
    }

    std::vector<DeviceFrame> send(const QByteArray &request)
    {
        device.receive(request, nowMs);
        return hostend::parseDeviceFrames(hostend::takeSentBytes(device));
    }

    void handshake(bool bootloader)
    {
        runUntil(nowMs + kBootMs);
        send(hostend::announcementAnswer(bootloader));
    }
};

int countType(const std::vector<DeviceFrame> &found, std::uint8_t type)
{
    return int(std::count_if(found.begin(), found.end(),
                             [type](const DeviceFrame &frame) { return frame.type == type; }));
}

} // namespace

class SimulatedDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    // After power-up the device announces itself in its protocol every interval, and falls
    // quiet once the host answers.
    void announcesUntilAnswered_data()
    {
        QTest::addColumn<bool>("bootloader");
        QTest::newRow("application") << false;
        QTest::newRow("bootloader") << true;
    }
    void announcesUntilAnswered()
    {
        QFETCH(bool, bootloader);
        Bench bench(bootloader ? DeviceMode::Bootloader : DeviceMode::FSK);
        const std::uint8_t type =
            bootloader ? frames::kBootloaderAnnouncementType : frames::kFskAnnouncementType;

        QVERIFY(bench.runUntil(kBootMs - 1).empty());
        const auto announced = bench.runUntil(kBootMs + 3 * kIntervalMs);
        QCOMPARE(int(announced.size()), 4);
        QCOMPARE(countType(announced, type), 4);
        QCOMPARE(announced.front().bootloader, bootloader);
        if (bootloader)
            QCOMPARE(int(std::uint8_t(announced.front().payload[0])), 2); // the level byte

        // The wrong protocol's answer does not count.
        QVERIFY(bench.send(hostend::announcementAnswer(!bootloader)).empty());
        QVERIFY(!bench.device.isAnswered());
        bench.send(hostend::announcementAnswer(bootloader));
        QVERIFY(bench.device.isAnswered());
        QVERIFY(bench.runUntil(bench.nowMs + 5 * kIntervalMs).empty());
    }

    // Each command gets one reply of its type, with a valid checksum and the expected
    // payload or status.
    void answersCommands_data()
    {
        QTest::addColumn<bool>("bootloader");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("replyType");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("payloadStart");

        const QByteArray memory = devsim::defaultReceiverProfile().parameterMemory;
        QTest::newRow("keep-alive")
            << false << hostend::fskRequest(0x0A) << 0x8A << 0 << QByteArray();
        QTest::newRow("read memory")
            << false << hostend::fskRequest(0x0E, QByteArray::fromHex("0001000000")) << 0x8E << 0
            << QByteArray::fromHex("0001") + memory.mid(0x100, 3);
        QTest::newRow("read the last bytes")
            << false << hostend::fskRequest(0x0E, QByteArray::fromHex("3e070000")) << 0x8E << 0
            << QByteArray::fromHex("3e07") + memory.right(2);
        QTest::newRow("read beyond memory")
            << false << hostend::fskRequest(0x0E, QByteArray::fromHex("ffff00")) << 0x8E << 0
            << QByteArray::fromHex("ffffff");
        QTest::newRow("id request, base device") << true << hostend::bootloaderRequest(0x01, 0)
                                                 << 0x86 << 0x00 << QByteArray("ZX-SIM-000001");
        QTest::newRow("id request, second device behind")
            << true << hostend::bootloaderRequest(0x01, 2) << 0x86 << 0x40
            << QByteArray("ZX-SIM-000001-A2");
        QTest::newRow("go") << true << hostend::bootloaderRequest(0x09) << 0x8E << 0x00
                            << QByteArray();
    }
    void answersCommands()
    {
        QFETCH(bool, bootloader);
        QFETCH(QByteArray, request);
        QFETCH(int, replyType);
        QFETCH(int, status);
        QFETCH(QByteArray, payloadStart);

        Bench bench(bootloader ? DeviceMode::Bootloader : DeviceMode::FSK);
        bench.handshake(bootloader);
        const auto replies = bench.send(request);
        QCOMPARE(int(replies.size()), 1);
        QCOMPARE(replies[0].bootloader, bootloader);
        QCOMPARE(int(replies[0].type), replyType);
        QCOMPARE(int(replies[0].status), status);
        QVERIFY2(replies[0].payload.startsWith(payloadStart), replies[0].payload.toHex());
    }

    // Nothing but the answer is heard while announcing; unknown commands, and devices that
    // are not there, get no reply at all.
    void unansweredRequestsAreIgnored()
    {
        Bench fsk;
        fsk.runUntil(kBootMs);
        QVERIFY(fsk.send(hostend::fskRequest(0x0A)).empty());
        fsk.send(hostend::announcementAnswer(false));
        QVERIFY(fsk.send(hostend::fskRequest(0x7F)).empty());

        Bench bl(DeviceMode::Bootloader);
        bl.handshake(true);
        QVERIFY(bl.send(hostend::bootloaderRequest(0x01, 3)).empty());
    }

    // BOOTLOAD_MODE and GO reply in the old protocol, then the device boots into the other
    // one and announces itself there until answered again.
    void modeSwitchReannounces()
    {
        Bench bench;
        bench.handshake(false);
        auto frames = bench.send(hostend::fskRequest(0x0C));
        QCOMPARE(countType(frames, 0x8C), 1);
        QCOMPARE(bench.device.mode(), DeviceMode::Bootloader);
        QVERIFY(!bench.device.isAnswered());
        frames = bench.runUntil(bench.nowMs + kBootMs + kIntervalMs);
        QCOMPARE(countType(frames, frames::kBootloaderAnnouncementType), 2);
        QVERIFY(frames.front().bootloader);

        bench.send(hostend::announcementAnswer(true));
        frames = bench.send(hostend::bootloaderRequest(0x09));
        QCOMPARE(countType(frames, 0x8E), 1);
        frames = bench.runUntil(bench.nowMs + kBootMs);
        QCOMPARE(countType(frames, frames::kFskAnnouncementType), 1);
        QCOMPARE(bench.device.mode(), DeviceMode::FSK);
    }

    void goWithoutValidApplicationStays()
    {
        DeviceProfile profile = testProfile(DeviceMode::FSK);
        profile.applicationValid = false;
        SimulatedDevice device(profile);
        QCOMPARE(device.mode(), DeviceMode::Bootloader);
        device.powerUp(0);
        device.poll(kBootMs);
        device.receive(hostend::announcementAnswer(true), kBootMs);
        device.receive(hostend::bootloaderRequest(0x09), kBootMs);
        const auto replies = hostend::parseDeviceFrames(hostend::takeSentBytes(device));
        QCOMPARE(int(replies.back().status), int(DeviceConnectionError::CodeCorrupted));
        QCOMPARE(device.mode(), DeviceMode::Bootloader);
    }

    // Without power the device is deaf and mute; power-up starts the handshake afresh.
    void powerOffSilencesAndForgets()
    {
        Bench bench;
        bench.handshake(false);
        bench.device.powerDown();
        QVERIFY(!bench.device.isPowered());
        QVERIFY(bench.send(hostend::fskRequest(0x0A)).empty());
        QVERIFY(bench.runUntil(bench.nowMs + 3 * kIntervalMs).empty());

        bench.device.powerUp(bench.nowMs);
        QVERIFY(!bench.device.isAnswered());
        const auto frames = bench.runUntil(bench.nowMs + kBootMs);
        QCOMPARE(countType(frames, frames::kFskAnnouncementType), 1);
    }
};

ZX_REGISTER_TEST(SimulatedDeviceTest);
#include "test_simulateddevice.moc"
