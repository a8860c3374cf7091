#include "device/saxfile.h"
#include "saxtestfile.h"
#include "testregistry.h"

#include <QTest>

namespace {

constexpr std::uint16_t kProduct = 0x0212;
const QString kSerial = QStringLiteral("ZX0012345");

} // namespace

Q_DECLARE_METATYPE(DeviceConnectionError)

class SaxFileTest : public QObject
{
    Q_OBJECT

private slots:
    // The header checks in their order: the first that fails decides the code.
    void checksHeader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<int>("recordsOffset");

        using saxtest::header;
        const auto ok = DeviceConnectionError::NoError;
        const QByteArray sig = saxtest::signature();
        QByteArray wrongFirst = sig;
        wrongFirst[0] = 'X';
        QByteArray wrongTail = header();
        wrongTail[6] = 0x0A; // a Unix text conversion would do this

        QTest::newRow("empty") << QByteArray() << int(kProduct) << DeviceConnectionError::NotSaxFile
                               << 0;
        QTest::newRow("7 bytes") << sig.left(7) << int(kProduct)
                                 << DeviceConnectionError::NotSaxFile << 0;
        QTest::newRow("not SAX at bytes 1 to 3")
            << QByteArray("\x89PNG\r\n\x1a\n\x01\x00\x00", 11) << int(kProduct)
            << DeviceConnectionError::NotSaxFile << 0;
        QTest::newRow("SAX but byte 0 wrong")
            << wrongFirst << int(kProduct) << DeviceConnectionError::SaxCorrupt << 0;
        QTest::newRow("SAX but a later signature byte wrong")
            << wrongTail << int(kProduct) << DeviceConnectionError::SaxCorrupt << 0;
        QTest::newRow("signature only")
            << sig << int(kProduct) << DeviceConnectionError::SaxTruncated << 0;
        QTest::newRow("version 0")
            << header(0) << int(kProduct) << DeviceConnectionError::SaxVersionUnsupported << 0;
        QTest::newRow("version 3")
            << header(3) << int(kProduct) << DeviceConnectionError::SaxVersionUnsupported << 0;
        QTest::newRow("version 3 before truncation")
            << sig + char(3) << int(kProduct) << DeviceConnectionError::SaxVersionUnsupported << 0;
        QTest::newRow("no list count")
            << header().left(10) << int(kProduct) << DeviceConnectionError::SaxTruncated << 0;
        QTest::newRow("list cut short") << header(1, 0, "\x12\x13\x14").left(13) << int(kProduct)
                                        << DeviceConnectionError::SaxTruncated << 0;
        QTest::newRow("list count 255, no list")
            << sig + QByteArray("\x01\x00\xff", 3) << int(kProduct)
            << DeviceConnectionError::SaxTruncated << 0;

        QTest::newRow("version 1, no list") << header() << int(kProduct) << ok << 11;
        QTest::newRow("mode 0, empty list: any product") << header(1, 0, "") << 0x0113 << ok << 11;
        QTest::newRow("mode 1, empty list: any product") << header(1, 1, "") << 0x0113 << ok << 11;
        QTest::newRow("mode 0, {0x12}: 0x0113 rejected")
            << header(1, 0, "\x12") << 0x0113 << DeviceConnectionError::SaxWrongProduct << 0;
        QTest::newRow("mode 0, {0x12}: 0x0212 by its low byte")
            << header(1, 0, "\x12") << 0x0212 << ok << 12;
        QTest::newRow("mode 1, {0x12}: 0x0212 forbidden")
            << header(1, 1, "\x12") << 0x0212 << DeviceConnectionError::SaxWrongProduct << 0;
        QTest::newRow("mode 7, {0x12, 0x14}: 0x13 allowed")
            << header(1, 7, "\x12\x14") << 0x13 << ok << 13;
        QTest::newRow("product checked before the serial field is needed")
            << header(2, 0, "\x12").left(12) << 0x13 << DeviceConnectionError::SaxWrongProduct << 0;

        QTest::newRow("version 2, serial field cut short")
            << header(2, 0, "", kSerial.toLatin1()).left(40) << int(kProduct)
            << DeviceConnectionError::SaxTruncated << 0;
        QTest::newRow("version 2, all-zero serial: any device")
            << header(2, 0, "", "") << int(kProduct) << ok << 41;
        QTest::newRow("version 2, this device")
            << header(2, 0, "\x12", kSerial.toLatin1()) << int(kProduct) << ok << 42;
        QTest::newRow("version 2, another device") << header(2, 0, "", "ZX0099999") << int(kProduct)
                                                   << DeviceConnectionError::SaxWrongDevice << 0;
        QTest::newRow("version 2, serial without padding")
            << header(2, 0, "", QByteArray(30, '7')) << int(kProduct)
            << DeviceConnectionError::SaxWrongDevice << 0;
        QTest::newRow("version 2, text after the NUL does not count")
            << header(2, 0, "", kSerial.toLatin1() + '\0' + "junk") << int(kProduct) << ok << 41;
    }
    void checksHeader()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, productCode);
        QFETCH(DeviceConnectionError, code);
        QFETCH(int, recordsOffset);
        const Expected<saxfile::Header> header =
            saxfile::checkHeader(file, std::uint16_t(productCode), kSerial);
        if (code != DeviceConnectionError::NoError) {
            QCOMPARE(header.error(), code);
            return;
        }
        QVERIFY(header.has_value());
        QCOMPARE(header->recordsOffset, recordsOffset);
    }

    // The device may report its serial number padded with NUL bytes to 30 characters.
    void matchesPaddedDeviceSerial()
    {
        const QByteArray file = saxtest::header(2, 0, "", kSerial.toLatin1());
        const QString padded = kSerial + QString(30 - kSerial.size(), QChar(0));
        QVERIFY(saxfile::checkHeader(file, kProduct, padded).has_value());
        QCOMPARE(saxfile::checkHeader(file, kProduct, QString()).error(),
                 DeviceConnectionError::SaxWrongDevice);
    }

    // Each record command has its reply type; the erase-like ones get the long timeout.
    void readsRecords_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("replyType");
        QTest::addColumn<int>("timeoutMs");
        QTest::newRow("0x04") << 0x04 << 0x89 << saxfile::kSaxEraseTimeoutMs;
        QTest::newRow("0x05") << 0x05 << 0x8A << 0;
        QTest::newRow("0x06") << 0x06 << 0x8B << 0;
        QTest::newRow("0x07") << 0x07 << 0x8C << saxfile::kSaxEraseTimeoutMs;
        QTest::newRow("0x08") << 0x08 << 0x8D << 0;
        QTest::newRow("0x0A") << 0x0A << 0x8F << saxfile::kSaxEraseTimeoutMs;
        QTest::newRow("0x0B") << 0x0B << 0x90 << 0;
    }
    void readsRecords()
    {
        QFETCH(int, command);
        QFETCH(int, replyType);
        QFETCH(int, timeoutMs);
        const QByteArray file = "pre" + saxtest::record(std::uint8_t(command), 'd');
        const Expected<saxfile::Record> record = saxfile::readRecord(file, 3);
        QVERIFY(record.has_value());
        QCOMPARE(int(record->command), command);
        QCOMPARE(int(record->replyType), replyType);
        QCOMPARE(record->timeoutMs, timeoutMs);
        QCOMPARE(record->data, QByteArray(saxfile::kRecordDataBytes, 'd'));
    }

    void refusesBadRecords_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("offset");
        QTest::addColumn<DeviceConnectionError>("code");

        const QByteArray good = saxtest::record(0x05);
        QByteArray badChecksum = good;
        badChecksum[100] = char(badChecksum.at(100) + 1);
        QTest::newRow("one byte short")
            << good.chopped(1) << 0 << DeviceConnectionError::SaxTruncated;
        QTest::newRow("offset past the end") << good << 600 << DeviceConnectionError::SaxTruncated;
        QTest::newRow("negative offset") << good << -1 << DeviceConnectionError::SaxTruncated;
        QTest::newRow("wrong checksum") << badChecksum << 0 << DeviceConnectionError::SaxCorrupt;
        // Well formed, but not a firmware record: identification, GO, our announcement answer.
        QTest::newRow("command 0x01")
            << saxtest::record(0x01) << 0 << DeviceConnectionError::SaxCorrupt;
        QTest::newRow("command 0x09")
            << saxtest::record(0x09) << 0 << DeviceConnectionError::SaxCorrupt;
        QTest::newRow("command 0x87")
            << saxtest::record(0x87) << 0 << DeviceConnectionError::SaxCorrupt;
    }
    void refusesBadRecords()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, offset);
        QFETCH(DeviceConnectionError, code);
        QCOMPARE(saxfile::readRecord(file, offset).error(), code);
    }
};

ZX_REGISTER_TEST(SaxFileTest);
#include "test_saxfile.moc"
