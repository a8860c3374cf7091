#include "device/frames.h"
#include "devsim/requestparser.h"
#include "testregistry.h"

#include <QTest>

using devsim::HostRequest;
using devsim::Protocol;
using devsim::RequestParser;

Q_DECLARE_METATYPE(Protocol)

namespace {

QByteArray fsk(std::uint8_t type, const QByteArray &payload = {})
{
    return frames::buildFskFrame(type, payload);
}

QByteArray bootloader(std::uint8_t command, std::uint8_t argument = 0)
{
    return frames::buildBootloaderFrame(command, argument, QByteArray(520, '\x5A'));
}

QByteArray withBadChecksum(QByteArray frame, int checksumAt)
{
    frame[checksumAt] = char(frame[checksumAt] ^ 0x01);
    return frame;
}

} // namespace

// The device finds the host's requests of the protocol it listens for, whatever junk, torn
// frames or frames of the other protocol surround them, and however the bytes are split.
class RequestParserTest : public QObject
{
    Q_OBJECT

private slots:
    void findsRequests_data()
    {
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("chunkSize");
        QTest::addColumn<QByteArray>("expectedCodes");

        const QByteArray keepAlive = fsk(0x0A);
        const QByteArray read = fsk(0x0E, QByteArray::fromHex("0001000000"));
        QByteArray length61 = keepAlive;
        length61[1] = char(61);

        QTest::newRow("fsk whole") << Protocol::Fsk << keepAlive << 0 << QByteArray("\x0A");
        QTest::newRow("fsk byte by byte")
            << Protocol::Fsk << keepAlive + read << 1 << QByteArray("\x0A\x0E");
        QTest::newRow("junk before fsk")
            << Protocol::Fsk << QByteArray::fromHex("00000a05ff3c") + read << 7
            << QByteArray("\x0E");
        QTest::newRow("torn fsk then whole")
            << Protocol::Fsk << read.left(5) + keepAlive << 0 << QByteArray("\x0A");
        QTest::newRow("fsk bad checksum")
            << Protocol::Fsk << withBadChecksum(keepAlive, 2) + read << 0 << QByteArray("\x0E");
        QTest::newRow("fsk length 61") << Protocol::Fsk << length61 << 0 << QByteArray();
        QTest::newRow("bootloader frame while on fsk")
            << Protocol::Fsk << bootloader(0x01) + keepAlive << 0 << QByteArray("\x0A");
        QTest::newRow("bootloader whole")
            << Protocol::Bootloader << bootloader(0x09) << 0 << QByteArray("\x09");
        QTest::newRow("bootloader split, junk with markers before")
            << Protocol::Bootloader << QByteArray("HH\x01H") + bootloader(0x01, 2) << 100
            << QByteArray("\x01");
        QTest::newRow("bootloader bad checksum")
            << Protocol::Bootloader << withBadChecksum(bootloader(0x01), 524) + bootloader(0x09)
            << 0 << QByteArray("\x09");
        QTest::newRow("fsk frame while on bootloader")
            << Protocol::Bootloader << keepAlive + bootloader(0x87) << 0 << QByteArray("\x87");
    }

    void findsRequests()
    {
        QFETCH(Protocol, protocol);
        QFETCH(QByteArray, input);
        QFETCH(int, chunkSize);
        QFETCH(QByteArray, expectedCodes);

        RequestParser parser(protocol);
        QByteArray codes;
        const int step = chunkSize > 0 ? chunkSize : int(input.size());
        for (int at = 0; at < input.size(); at += step) {
            for (const HostRequest &request : parser.feed(input.mid(at, step))) {
                QCOMPARE(request.protocol, protocol);
                codes.append(char(request.code));
            }
        }
        QCOMPARE(codes, expectedCodes);
    }

    void requestCarriesArgumentAndPayload()
    {
        RequestParser fskParser(Protocol::Fsk);
        const auto read = fskParser.feed(fsk(0x0E, QByteArray::fromHex("00010000")));
        QCOMPARE(read.size(), size_t(1));
        QCOMPARE(read[0].payload, QByteArray::fromHex("00010000"));

        RequestParser blParser(Protocol::Bootloader);
        const auto id = blParser.feed(bootloader(0x01, 3));
        QCOMPARE(id.size(), size_t(1));
        QCOMPARE(int(id[0].argument), 3);
        QCOMPARE(id[0].payload, QByteArray(520, '\x5A'));
    }

    // Endless junk (every byte a plausible length) must not pile up, and a frame after it
    // is still found.
    void junkIsBoundedAndFrameStillFound()
    {
        RequestParser parser(Protocol::Fsk);
        const QByteArray junk(100'000, '\x01');
        QVERIFY(parser.feed(junk).empty());
        QVERIFY(parser.bufferedBytes() <= RequestParser::kMaxBufferedBytes);
        const auto found = parser.feed(fsk(0x0A));
        QCOMPARE(found.size(), size_t(1));
    }
};

ZX_REGISTER_TEST(RequestParserTest);
#include "test_requestparser.moc"
