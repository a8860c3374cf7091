#include "app/log.h"
#include "device/checksum.h"
#include "device/framefinder.h"
#include "device/frames.h"
#include "testregistry.h"

#include <QRandomGenerator>
#include <QTest>

#include <optional>

namespace {

struct Found
{
    QList<DeviceMode> announcements;
    QList<std::uint8_t> levels;
    QList<DeviceConnectionError> codes;
    QList<QByteArray> payloads;
};

// A finder whose callbacks record what they are handed; `awaited` plays the command in flight.
struct Harness
{
    explicit Harness(std::optional<FrameFinder::AwaitedReply> awaitedReply = std::nullopt)
        : awaited(awaitedReply)
        , finder(
              FrameFinder::Callbacks{[this] { return awaited; },
                                     [this](DeviceMode mode, std::optional<std::uint8_t> level) {
                                         found.announcements.append(mode);
                                         if (level)
                                             found.levels.append(*level);
                                     },
                                     [this](DeviceConnectionError code, const QByteArray &payload) {
                                         found.codes.append(code);
                                         found.payloads.append(payload);
                                         awaited.reset(); // the command is done
                                     }})
    {}

    std::optional<FrameFinder::AwaitedReply> awaited;
    Found found;
    FrameFinder finder;
};

QByteArray junk(int size, char value = 'j')
{
    return QByteArray(size, value);
}

// An FSK frame with the given length byte and a checksum that matches whatever it claims.
QByteArray fskFrameClaiming(std::uint8_t type, int length)
{
    QByteArray frame;
    frame.append(char(type));
    frame.append(char(length));
    frame.append(QByteArray(length, 'p'));
    appendChecksum(frame);
    frame.append(qMax(0, 64 - int(frame.size())), '\0');
    return frame;
}

QByteArray bootloaderReply(std::uint8_t type, int device, int code)
{
    return frames::buildBootloaderReply(type, std::uint8_t((device << 5) | code),
                                        QByteArray("payload"));
}

using Reply = std::optional<FrameFinder::AwaitedReply>;

} // namespace

Q_DECLARE_METATYPE(DeviceMode)
Q_DECLARE_METATYPE(DeviceConnectionError)
Q_DECLARE_METATYPE(Reply)

class FrameFinderTest : public QObject
{
    Q_OBJECT

private slots:
    // One arrival in a given mode, with a given command in flight: which frame comes out,
    // and how many bytes are left in the buffer.
    void findsFrames_data()
    {
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<Reply>("awaited");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("replies");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<int>("payloadSize");
        QTest::addColumn<int>("announcements");
        QTest::addColumn<int>("left");

        const Reply keepAlive = FrameFinder::AwaitedReply{0x8A, 0};
        const Reply idOfDevice0 = FrameFinder::AwaitedReply{0x86, 0};
        const auto ok = DeviceConnectionError::NoError;
        const QByteArray fskReply = frames::buildFskFrame(0x8A, "abc");

        QTest::newRow("fsk reply at the front")
            << DeviceMode::FSK << keepAlive << fskReply << 1 << ok << 3 << 0 << 0;
        QTest::newRow("junk goes with the reply behind it")
            << DeviceMode::FSK << keepAlive << junk(10) + fskReply << 1 << ok << 3 << 0 << 0;
        QTest::newRow("bytes after the reply stay")
            << DeviceMode::FSK << keepAlive << fskReply + junk(5) << 1 << ok << 3 << 0 << 5;
        QTest::newRow("reply of another type is consumed unmatched")
            << DeviceMode::FSK << keepAlive << frames::buildFskFrame(0x8B) << 0 << ok << 0 << 0
            << 0;
        QTest::newRow("reply with nothing in flight is consumed")
            << DeviceMode::FSK << Reply{} << fskReply << 0 << ok << 0 << 0 << 0;
        QTest::newRow("length 61 is never a frame")
            << DeviceMode::FSK << keepAlive << fskFrameClaiming(0x8A, 61) << 0 << ok << 0 << 0
            << 65;
        QTest::newRow("length 60 is the largest frame")
            << DeviceMode::FSK << keepAlive << fskFrameClaiming(0x8A, 60) << 1 << ok << 60 << 0
            << 0;
        QTest::newRow("63 bytes are not examined")
            << DeviceMode::FSK << keepAlive << fskReply.left(63) << 0 << ok << 0 << 0 << 63;
        QTest::newRow("fsk reply ignored while the mode is unknown")
            << DeviceMode::Unknown << keepAlive << fskReply << 0 << ok << 0 << 0 << 64;
        QTest::newRow("bad fsk checksum")
            << DeviceMode::FSK << keepAlive << QByteArray(fskReply).replace(2, 1, "x") << 0 << ok
            << 0 << 0 << 64;
        QTest::newRow("fsk announcement while in bootloader mode")
            << DeviceMode::Bootloader << idOfDevice0 << frames::buildFskFrame(0x05) << 0 << ok << 0
            << 1 << 0;
        QTest::newRow("bootloader announcement while in fsk mode")
            << DeviceMode::FSK << keepAlive << bootloaderReply(0x02, 0, 0) << 0 << ok << 0 << 1
            << 0;
        QTest::newRow("announcement in unknown mode after junk")
            << DeviceMode::Unknown << Reply{} << junk(7) + frames::buildFskFrame(0x05) << 0 << ok
            << 0 << 1 << 0;
        QTest::newRow("bootloader reply from the addressed device")
            << DeviceMode::Bootloader << idOfDevice0 << bootloaderReply(0x86, 0, 0) << 1 << ok << 71
            << 0 << 0;
        QTest::newRow("bootloader reply from another device")
            << DeviceMode::Bootloader << idOfDevice0 << bootloaderReply(0x86, 1, 0) << 1
            << DeviceConnectionError::InvalidDeviceId << 71 << 0 << 0;
        QTest::newRow("bootloader reply carrying a device error")
            << DeviceMode::Bootloader << idOfDevice0 << bootloaderReply(0x86, 0, 3) << 1
            << DeviceConnectionError::EraseError << 71 << 0 << 0;
        QTest::newRow("bootloader reply carrying a code we do not know")
            << DeviceMode::Bootloader << idOfDevice0 << bootloaderReply(0x86, 0, 25) << 1
            << DeviceConnectionError::InvalidReply << 71 << 0 << 0;
        QTest::newRow("bad bootloader checksum")
            << DeviceMode::Bootloader << idOfDevice0
            << QByteArray(bootloaderReply(0x86, 0, 0)).replace(10, 1, "x") << 0 << ok << 0 << 0
            << 77;
    }
    void findsFrames()
    {
        QFETCH(DeviceMode, mode);
        QFETCH(Reply, awaited);
        QFETCH(QByteArray, input);
        QFETCH(int, replies);
        QFETCH(DeviceConnectionError, code);
        QFETCH(int, payloadSize);
        QFETCH(int, announcements);
        QFETCH(int, left);

        Harness harness(awaited);
        harness.finder.feed(input, mode);
        QCOMPARE(harness.found.codes.size(), replies);
        if (replies > 0) {
            QCOMPARE(harness.found.codes.first(), code);
            QCOMPARE(harness.found.payloads.first().size(), payloadSize);
        }
        QCOMPARE(harness.found.announcements.size(), announcements);
        QCOMPARE(harness.finder.size(), left);
    }

    void payloadAndLevelAreHandedOver()
    {
        Harness harness(FrameFinder::AwaitedReply{0x8A, 0});
        harness.finder.feed(frames::buildFskFrame(0x8A, "abc"), DeviceMode::FSK);
        QCOMPARE(harness.found.payloads.value(0), QByteArray("abc"));

        harness.finder.feed(frames::buildBootloaderReply(0x02, 0, QByteArray(1, 7)),
                            DeviceMode::FSK);
        QCOMPARE(harness.found.announcements.value(0), DeviceMode::Bootloader);
        QCOMPARE(harness.found.levels.value(0), std::uint8_t(7));
    }

    // The 64th byte completes a frame whose first 63 bytes came earlier.
    void frameSplitOverArrivals()
    {
        Harness harness(FrameFinder::AwaitedReply{0x8A, 0});
        const QByteArray reply = frames::buildFskFrame(0x8A, "abc");
        harness.finder.feed(reply.left(63), DeviceMode::FSK);
        QCOMPARE(harness.found.codes.size(), 0);
        harness.finder.feed(reply.mid(63), DeviceMode::FSK);
        QCOMPARE(harness.found.codes.size(), 1);
        QCOMPARE(harness.finder.size(), 0);
    }

    // A frame answers the command in flight only when all of it was read after the command's
    // write; bytes from before a later write can no longer complete any frame.
    void inputFromBeforeTheCommandsWrite_data()
    {
        QTest::addColumn<int>("firstReadAfter");
        QTest::addColumn<int>("secondReadAfter");
        QTest::addColumn<int>("replies");
        QTest::addColumn<int>("leftInBuffer");
        // The command was sent by write 3; its reply arrives in two parts.
        QTest::newRow("read after the write") << 3 << 3 << 1 << 0;
        QTest::newRow("read after a later write") << 4 << 4 << 1 << 0;
        QTest::newRow("read before the write") << 2 << 2 << 0 << 0;
        QTest::newRow("split around the write") << 2 << 3 << 0 << 24;
        QTest::newRow("second part read before the first") << 4 << 3 << 0 << 40;
    }
    void inputFromBeforeTheCommandsWrite()
    {
        QFETCH(int, firstReadAfter);
        QFETCH(int, secondReadAfter);
        QFETCH(int, replies);
        QFETCH(int, leftInBuffer);
        Harness harness(FrameFinder::AwaitedReply{0x8A, 0, 3});
        const QByteArray reply = frames::buildFskFrame(0x8A, "ok");
        harness.finder.feed(reply.left(40), DeviceMode::FSK, std::uint64_t(firstReadAfter));
        harness.finder.feed(reply.mid(40), DeviceMode::FSK, std::uint64_t(secondReadAfter));
        QCOMPARE(harness.found.codes.size(), replies);
        QCOMPARE(harness.finder.size(), leftInBuffer);
    }

    // On arrival the buffer is trimmed from the front so that it holds at most 512 bytes;
    // an arrival larger than that replaces the buffer and is kept whole.
    void bufferCap_data()
    {
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("arriving");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("oldestKept"); // index into the held bytes, -1: none kept
        QTest::newRow("fits") << 400 << 100 << 500 << 0;
        QTest::newRow("exactly full") << 412 << 100 << 512 << 0;
        QTest::newRow("450 plus 100 drops 38") << 450 << 100 << 512 << 38;
        QTest::newRow("512 new bytes replace all") << 300 << 512 << 512 << -1;
        QTest::newRow("huge arrival kept whole") << 300 << 5000 << 5000 << -1;
    }
    void bufferCap()
    {
        QFETCH(int, held);
        QFETCH(int, arriving);
        QFETCH(int, size);
        QFETCH(int, oldestKept);
        Harness harness;
        QByteArray heldBytes;
        for (int i = 0; i < held; ++i)
            heldBytes.append(char('a' + i % 20)); // 'a'..'t', no frame can form
        harness.finder.feed(heldBytes, DeviceMode::FSK);
        harness.finder.feed(junk(arriving, 'z'), DeviceMode::FSK);
        QCOMPARE(harness.finder.size(), size);
        const QByteArray buffered = harness.finder.buffered();
        if (oldestKept >= 0)
            QCOMPARE(buffered.left(held - oldestKept), heldBytes.mid(oldestKept));
        else
            QCOMPARE(buffered, junk(arriving, 'z'));
    }

    // The log shows each pass, so that a field report can be followed byte by byte.
    void logsEachStep()
    {
        Log log;
        Log::install(&log);
        Harness harness(FrameFinder::AwaitedReply{0x86, 0});
        harness.finder.feed(junk(3) + bootloaderReply(0x86, 0, 0), DeviceMode::Bootloader);
        harness.finder.feed(bootloaderReply(0x8E, 0, 0), DeviceMode::Bootloader);
        Log::install(nullptr);

        QStringList messages;
        for (int i = 0; i < log.count(); ++i) {
            QCOMPARE(log.entry(i).category, QString("DeviceConnection"));
            messages.append(log.entry(i).message);
        }
        const QStringList expected = {
            "Appended data to inputBuffer. count now: 80, mode: Bootloader",
            "inputBuffer count now: 80, mode: Bootloader",
            // the announcement pass sees the reply but leaves it
            "Found likely bootloader packet at 3",
            "    and checksum matched",
            "inputBuffer count now: 80, mode: Bootloader",
            "Found likely bootloader packet at 3",
            "    and checksum matched",
            "    packet type: 0x86",
            "Appended data to inputBuffer. count now: 77, mode: Bootloader",
            "Found likely bootloader packet at 0",
            "    and checksum matched",
            "    packet type: 0x8e",
            "    which was unexpected (expected: 0x0)",
            "inputBuffer count now: 0, mode: Bootloader",
            "inputBuffer count now: 0, mode: Bootloader",
        };
        QCOMPARE(messages, expected);
    }

    void logsChecksumMismatch()
    {
        Log log;
        Log::install(&log);
        Harness harness;
        QByteArray reply = bootloaderReply(0x86, 0, 0);
        const std::uint16_t good = frameChecksum(reply.left(75));
        reply[76] = char(reply[76] + 1);
        const int received = std::uint8_t(reply[75]) | (std::uint8_t(reply[76]) << 8);
        harness.finder.feed(reply, DeviceMode::Unknown);
        Log::install(nullptr);
        QCOMPARE(log.entry(2).message, QString("Found likely bootloader packet at 0"));
        QCOMPARE(log.entry(3).message,
                 QString("    but checksum didn't match: %1 vs %2").arg(good).arg(received));
    }

    // Whatever arrives, the finder neither crashes nor stalls, and its buffer stays bounded
    // after the arrival.
    void survivesHostileInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("chunk");

        QByteArray noise(1 << 20, '\0');
        QRandomGenerator random(1234);
        random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("1 MB of noise at once") << noise << int(noise.size());
        QTest::newRow("1 MB of noise in pieces") << noise << 97;
        QTest::newRow("1 MB of HH") << QByteArray(1 << 20, 'H') << (1 << 20);

        QByteArray announcements;
        for (int i = 0; i < 100'000; ++i)
            announcements.append(frames::buildFskFrame(0x05));
        QTest::newRow("100000 announcements at once") << announcements << int(announcements.size());
        QTest::newRow("100000 announcements in pieces") << announcements << 64;

        QByteArray absurd;
        for (int length = 61; length < 256; ++length)
            absurd.append(fskFrameClaiming(0x8A, length).left(64));
        QTest::newRow("frames claiming absurd lengths") << absurd << 64;
    }
    void survivesHostileInput()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, chunk);
        Harness harness(FrameFinder::AwaitedReply{0x8A, 0});
        for (int offset = 0; offset < input.size(); offset += chunk)
            harness.finder.feed(input.mid(offset, chunk), DeviceMode::FSK);
        QVERIFY(harness.finder.size() <= qMax(chunk, int(FrameFinder::kBufferCapBytes)));
        QCOMPARE(harness.found.codes.size(), 0);
    }
};

ZX_REGISTER_TEST(FrameFinderTest);
#include "test_framefinder.moc"
