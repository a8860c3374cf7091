#include "device/frames.h"
#include "devsim/simulatedcabledevice.h"
#include "devsim/simulateddevicestream.h"
#include "hostend.h"
#include "platform/ftdi/simulatedftdibackend.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using devsim::DeviceSimulator;
using devsim::SimulatedCableDevice;
using devsim::SimulatedDeviceStream;
using hostend::Collector;

namespace {

constexpr int kWaitMs = 5000;
constexpr int kQuietMs = 150;

// Reads the stream from whatever thread its callback comes on, as the connection does.
struct StreamReader
{
    QMutex mutex;
    QByteArray received;
    std::atomic<int> callbacks{0};
    std::atomic<bool> calledOnTestThread{false};
    QThread *testThread = QThread::currentThread();

    void attach(SimulatedDeviceStream &stream)
    {
        stream.dataCallback = [this, &stream] {
            ++callbacks;
            if (QThread::currentThread() == testThread)
                calledOnTestThread = true;
            const QByteArray bytes = stream.readAll();
            QMutexLocker lock(&mutex);
            received += bytes;
        };
    }
    std::vector<hostend::DeviceFrame> frames()
    {
        QMutexLocker lock(&mutex);
        return hostend::parseDeviceFrames(received);
    }
    void clear()
    {
        QMutexLocker lock(&mutex);
        received.clear();
    }
};

// Everything the simulated cable has passed to the host until `done` holds or time runs out.
template <typename Done>
QByteArray readCableUntil(ftdi::SimulatedFtdiBackend &backend, ftdi::Handle handle, Done done)
{
    QByteArray received;
    QElapsedTimer waited;
    waited.start();
    while (!done(received) && waited.elapsed() < kWaitMs) {
        quint32 queued = 0;
        if (backend.getQueueStatus(handle, &queued) == ftdi::kOk && queued > 0) {
            QByteArray chunk(int(queued), '\0');
            quint32 read = 0;
            backend.read(handle, chunk.data(), queued, &read);
            received += chunk.left(int(read));
        } else {
            QThread::msleep(1);
        }
    }
    return received;
}

bool hasType(const std::vector<hostend::DeviceFrame> &found, std::uint8_t type)
{
    return std::any_of(found.begin(), found.end(),
                       [type](const auto &frame) { return frame.type == type; });
}

} // namespace

class SimulatorLinksTest : public QObject
{
    Q_OBJECT

private slots:
    // The in-process stream: announcements reach the reader on the simulator's thread, and
    // writes from another thread (the connection's device-IO thread) are answered.
    void streamCarriesTheHandshakeAndCommands()
    {
        auto simulator = std::make_shared<DeviceSimulator>(hostend::fastProfile());
        SimulatedDeviceStream stream(simulator);
        StreamReader reader;
        reader.attach(stream);
        QCOMPARE(stream.supportedModes(), SupportedModes::Announced);
        QVERIFY(!stream.supportsPower());
        QVERIFY(stream.open());
        QVERIFY(!stream.open());

        QTRY_VERIFY_WITH_TIMEOUT(hasType(reader.frames(), frames::kFskAnnouncementType), kWaitMs);
        std::thread io([&] {
            stream.write(hostend::announcementAnswer(false));
            stream.write(hostend::fskRequest(0x0A));
        });
        io.join();
        QTRY_VERIFY_WITH_TIMEOUT(hasType(reader.frames(), 0x8A), kWaitMs);
        QVERIFY(!reader.calledOnTestThread);
        QVERIFY(stream.close());
        QVERIFY(!stream.write(hostend::fskRequest(0x0A)));
    }

    // Closing while the device keeps talking, from another thread or from inside the
    // callback itself, neither deadlocks nor calls back afterwards.
    void closeIsSafeWhileBytesArrive()
    {
        devsim::DeviceProfile chatty = hostend::fastProfile();
        chatty.announceIntervalMs = 1;
        auto simulator = std::make_shared<DeviceSimulator>(chatty);
        SimulatedDeviceStream stream(simulator);
        StreamReader reader;
        reader.attach(stream);

        std::thread io([&] {
            for (int round = 0; round < 50; ++round) {
                QVERIFY(stream.open());
                QThread::msleep(2);
                QVERIFY(stream.close());
            }
        });
        io.join();
        const int callbacksAtClose = reader.callbacks;
        QTest::qWait(20);
        QCOMPARE(reader.callbacks.load(), callbacksAtClose);

        stream.dataCallback = [&stream] { stream.close(); };
        QVERIFY(stream.open());
        QTRY_VERIFY_WITH_TIMEOUT(!stream.isOpen(), kWaitMs);
    }

    void streamReportsTheDeviceGone()
    {
        auto simulator = std::make_shared<DeviceSimulator>(hostend::fastProfile());
        SimulatedDeviceStream stream(simulator);
        StreamReader reader;
        reader.attach(stream);
        QVERIFY(stream.open());
        QTRY_VERIFY_WITH_TIMEOUT(hasType(reader.frames(), frames::kFskAnnouncementType), kWaitMs);
        QVERIFY(stream.write(hostend::announcementAnswer(false)));
        QTRY_VERIFY_WITH_TIMEOUT(simulator->isAnswered(), kWaitMs);

        simulator->addFault({devsim::FaultKind::Disconnect, 1, -1});
        QVERIFY(stream.write(hostend::fskRequest(0x0A)));
        QTRY_VERIFY_WITH_TIMEOUT(stream.isDeviceGone(), kWaitMs);
        QVERIFY(!stream.write(hostend::fskRequest(0x0A)));
        stream.close();
        QVERIFY(!stream.open());

        simulator->plugIn();
        QVERIFY(stream.open());
        QVERIFY(!stream.isDeviceGone());
    }

    void streamIdentityAndModes()
    {
        auto first = std::make_shared<DeviceSimulator>(hostend::fastProfile());
        devsim::DeviceProfile bootloaderPort = hostend::fastProfile();
        bootloaderPort.portModes = SupportedModes::BootloaderOnly;
        auto second = std::make_shared<DeviceSimulator>(bootloaderPort);

        SimulatedDeviceStream a(first), alsoA(first), b(second);
        QVERIFY(a.isSameDevice(alsoA));
        QVERIFY(!a.isSameDevice(b));
        QVERIFY(a.identityText != b.identityText);
        QCOMPARE(b.supportedModes(), SupportedModes::BootloaderOnly);
        QCOMPARE(second->mode(), DeviceMode::Bootloader);
    }

    // Behind the cable the device is powered by the cable alone: silent until powered,
    // announcing after power-up, and starting over after a power cycle.
    void cableDeviceObeysThePowerSwitch()
    {
        auto simulator =
            std::make_shared<DeviceSimulator>(hostend::fastProfile(), DeviceSimulator::Power::Off);
        SimulatedCableDevice cable(simulator);
        Collector host;
        cable.attach(host.deliverFunction());
        cable.setLatencyTimerMs(0);

        QTest::qWait(kQuietMs);
        QVERIFY(host.bytes().isEmpty());
        cable.setPowered(true);
        QVERIFY(hostend::completeHandshake(*simulator, host, false));
        cable.receiveFromHost(hostend::fskRequest(0x0A));
        QTRY_VERIFY_WITH_TIMEOUT(hasType(host.replies(), 0x8A), kWaitMs);

        cable.setPowered(false);
        host.clear();
        cable.receiveFromHost(hostend::fskRequest(0x0A));
        QTest::qWait(kQuietMs);
        QVERIFY(host.bytes().isEmpty());
        cable.setPowered(true);
        QVERIFY(!simulator->isAnswered());
        QVERIFY(hostend::completeHandshake(*simulator, host, false));
    }

    // Plugged into the simulated FTDI backend: the cable's power switch wakes the device,
    // and its announcement and replies come through the chip after the echo of our bytes.
    void cableDeviceBehindTheFtdiBackend()
    {
        constexpr quint8 kPowerOnMask = 0x80;
        constexpr quint8 kPowerOffMask = 0x88;
        const QByteArray serial = "SIMCABLE1";
        auto simulator =
            std::make_shared<DeviceSimulator>(hostend::fastProfile(), DeviceSimulator::Power::Off);
        ftdi::SimulatedFtdiBackend backend;
        backend.addCable(serial, std::make_shared<SimulatedCableDevice>(simulator));
        ftdi::Handle handle = nullptr;
        QCOMPARE(backend.openEx(serial, ftdi::kOpenBySerialNumber, &handle), ftdi::kOk);
        QCOMPARE(backend.setLatencyTimer(handle, 2), ftdi::kOk);
        QCOMPARE(backend.setBitMode(handle, kPowerOffMask, ftdi::kBitModeCbusBitBang), ftdi::kOk);
        QTest::qWait(kQuietMs);
        quint32 queued = 0;
        QCOMPARE(backend.getQueueStatus(handle, &queued), ftdi::kOk);
        QCOMPARE(queued, 0u);

        QCOMPARE(backend.setBitMode(handle, kPowerOnMask, ftdi::kBitModeCbusBitBang), ftdi::kOk);
        const auto announced = [](const QByteArray &bytes) {
            return hasType(hostend::parseDeviceFrames(bytes), frames::kFskAnnouncementType);
        };
        QVERIFY(announced(readCableUntil(backend, handle, announced)));

        quint32 written = 0;
        const QByteArray answerAndAsk =
            hostend::announcementAnswer(false) + hostend::fskRequest(0x0A);
        QCOMPARE(
            backend.write(handle, answerAndAsk.constData(), quint32(answerAndAsk.size()), &written),
            ftdi::kOk);
        const auto replied = [](const QByteArray &bytes) {
            return hasType(hostend::parseDeviceFrames(bytes), 0x8A);
        };
        const QByteArray received = readCableUntil(backend, handle, replied);
        QVERIFY(received.startsWith(answerAndAsk)); // the echo comes first
        QVERIFY(replied(received));
        QCOMPARE(backend.close(handle), ftdi::kOk);
    }

    // A device hearing the host does not talk over it. On a slow line the host's answer to
    // the announcement (526 bytes, 274 ms at 19 200 baud) outlasts the announcement interval;
    // the device holds its next announcement until the answer is in, and then has none to
    // send: a second one would fail whatever the host queued behind its answer.
    void noAnnouncementWhileTheHostSends()
    {
        devsim::DeviceProfile profile = hostend::fastProfile();
        profile.startMode = DeviceMode::Bootloader;
        profile.announceIntervalMs = 100;
        DeviceSimulator simulator(profile);
        Collector host;
        host.attachTo(simulator);
        simulator.setWireModel({19200, 0, 0});
        QTRY_VERIFY_WITH_TIMEOUT(!host.frames().empty(), kWaitMs);

        simulator.writeFromHost(hostend::announcementAnswer(true));
        const int announced = simulator.announcementsSent();
        QTRY_VERIFY_WITH_TIMEOUT(simulator.isAnswered(), kWaitMs);
        QCOMPARE(simulator.announcementsSent(), announced);
    }

    // Timing is only checked from below: the wire can make a reply late, never early.
    void wireModelDelaysReplies_data()
    {
        QTest::addColumn<int>("baudRate");
        QTest::addColumn<int>("turnaroundMs");
        QTest::addColumn<int>("latencyTimerMs");
        QTest::addColumn<int>("atLeastMs");

        // 64 bytes each way at 9600 baud: 2 × 66.7 ms.
        QTest::newRow("baud rate") << 9600 << 0 << 0 << 130;
        QTest::newRow("turnaround") << 0 << 200 << 0 << 200;
        QTest::newRow("latency timer holds the short packet") << 0 << 0 << 150 << 150;
    }
    void wireModelDelaysReplies()
    {
        QFETCH(int, baudRate);
        QFETCH(int, turnaroundMs);
        QFETCH(int, latencyTimerMs);
        QFETCH(int, atLeastMs);

        DeviceSimulator simulator(hostend::fastProfile());
        Collector host;
        host.attachTo(simulator);
        QVERIFY(hostend::completeHandshake(simulator, host, false));
        simulator.setWireModel({baudRate, turnaroundMs, 0});
        simulator.setLatencyTimerMs(latencyTimerMs);

        QElapsedTimer elapsed;
        elapsed.start();
        simulator.writeFromHost(hostend::fskRequest(0x0A));
        QTRY_VERIFY_WITH_TIMEOUT(hasType(host.replies(), 0x8A), kWaitMs);
        QVERIFY2(elapsed.elapsed() >= atLeastMs, QByteArray::number(elapsed.elapsed()));
    }
};

ZX_REGISTER_TEST(SimulatorLinksTest);
#include "test_simulatorlinks.moc"
