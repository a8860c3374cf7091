#include "device/fskpayloads.h"
#include "testregistry.h"

#include <QTest>

#include <optional>

namespace {

using Section = std::optional<std::uint8_t>;
using Crcs = QList<std::uint32_t>;
using Sections = QList<TargetSectionInfo>;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (const int value : values)
        result.append(char(value));
    return result;
}

// One section table entry: an unused byte, the id, the size little-endian.
QByteArray entry(int section, int size)
{
    return bytes({0xEE, section, size & 0xFF, size >> 8});
}

} // namespace

Q_DECLARE_METATYPE(DeviceConnectionError)
Q_DECLARE_METATYPE(Section)
Q_DECLARE_METATYPE(std::optional<bool>)

class FskPayloadsTest : public QObject
{
    Q_OBJECT

private slots:
    // Request payloads exactly as the device parses them: addresses and counts little-endian,
    // the advanced index byte before the target.
    void encodesRequests_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("expected");

        using namespace fskpayload;
        QTest::newRow("read: address, then room for the answer")
            << readRequest(0x0100, 4) << bytes({0x00, 0x01, 0, 0, 0, 0});
        QTest::newRow("write") << writeRequest(0x1234, "ab") << bytes({0x34, 0x12, 'a', 'b'});
        QTest::newRow("advanced read without section")
            << advReadRequest(FlashTarget::TxSystemSettings, std::nullopt, 0x0201, 0x0036)
            << bytes({0x00, 0x04, 0x01, 0x02, 0x36, 0x00});
        QTest::newRow("advanced read of section 0")
            << advReadRequest(FlashTarget::ParameterMemory, 0, 0, 1)
            << bytes({0x02, 0x00, 0, 0, 1, 0});
        QTest::newRow("advanced write of section 5")
            << advWriteRequest(FlashTarget::ParameterMemory, 5, 0x0010, "xyz")
            << bytes({0x0C, 0x00, 0x10, 0x00, 'x', 'y', 'z'});
        QTest::newRow("tnc start") << tncStartRequest(7) << bytes({7, 0});
        QTest::newRow("calibration read: zero, index, room")
            << readCalRequest(3, 2) << bytes({0, 3, 0, 0});
        QTest::newRow("set tested") << setTestedRequest(1) << bytes({1});
        QTest::newRow("section crcs: target, then ids")
            << sectionCrcsRequest(FlashTarget::TxSystemSettings, {1, 2, 9}) << bytes({4, 1, 2, 9});
        QTest::newRow("section table page")
            << targetSectionsRequest(FlashTarget::ParameterMemory, 12) << bytes({0, 12});
    }
    void encodesRequests()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, expected);
        QCOMPARE(payload.toHex(' '), expected.toHex(' '));
    }

    // The index byte carries section + 1 in five bits, shifted by one; no section is 0.
    void advIndexByte_data()
    {
        QTest::addColumn<Section>("section");
        QTest::addColumn<int>("expected");
        QTest::newRow("absent") << Section{} << 0x00;
        QTest::newRow("0") << Section{0} << 0x02;
        QTest::newRow("1") << Section{1} << 0x04;
        QTest::newRow("30") << Section{30} << 0x3E;
        QTest::newRow("31 wraps to 0") << Section{31} << 0x00;
        QTest::newRow("32 wraps to 1") << Section{32} << 0x02;
        QTest::newRow("255") << Section{255} << 0x00;
    }
    void advIndexByte()
    {
        QFETCH(Section, section);
        QFETCH(int, expected);
        QCOMPARE(int(fskpayload::advIndexByte(section)), expected);
    }

    // Nine bytes are the oldest identification; a tenth adds capabilities, an eleventh the
    // high byte of the product code.
    void decodesIdReply_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<std::optional<bool>>("calibration");
        QTest::addColumn<std::optional<bool>>("bit3");

        const QByteArray nine = bytes({0x78, 0x56, 0x34, 0x12, 0xD9, 2, 7, 5, 3});
        QTest::newRow("8 bytes") << nine.left(8) << false << 0 << std::optional<bool>{}
                                 << std::optional<bool>{};
        QTest::newRow("9 bytes: no capabilities, 8-bit product")
            << nine << true << 0xD9 << std::optional<bool>{} << std::optional<bool>{};
        QTest::newRow("10 bytes: capabilities")
            << nine + bytes({0x09}) << true << 0xD9 << std::optional<bool>{true}
            << std::optional<bool>{true};
        QTest::newRow("11 bytes: product high byte")
            << nine + bytes({0x04, 0x01}) << true << 0x01D9 << std::optional<bool>{false}
            << std::optional<bool>{false};
        QTest::newRow("longer replies keep the first fields")
            << nine + bytes({0x1F, 0x02, 0xAA, 0xBB}) << true << 0x02D9 << std::optional<bool>{true}
            << std::optional<bool>{true};
    }
    void decodesIdReply()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, valid);
        const auto data = fskpayload::decodeIdReply(payload);
        QCOMPARE(bool(data), valid);
        if (!valid)
            return;
        QFETCH(int, productCode);
        QFETCH(std::optional<bool>, calibration);
        QFETCH(std::optional<bool>, bit3);
        QCOMPARE(data->parameterCrc, 0x12345678u);
        QCOMPARE(data->appVersionMajor, 2);
        QCOMPARE(data->appVersionMinor, 7);
        QCOMPARE(data->parameterVersion, 5);
        QCOMPARE(data->fskProtocolVersion, 3);
        QCOMPARE(data->productCode, productCode);
        QCOMPARE(data->canReadCalibration, calibration);
        QCOMPARE(data->capabilityBit3, bit3);
        QCOMPARE(data->hasFaaSerialNumber.has_value(), calibration.has_value());
        QCOMPARE(data->capabilityBit4.has_value(), calibration.has_value());
    }

    void decodesCapabilityBits()
    {
        const QByteArray nine(9, '\0');
        const auto faaOnly = fskpayload::decodeIdReply(nine + bytes({0x04}));
        QCOMPARE(faaOnly->hasFaaSerialNumber, std::optional<bool>(true));
        QCOMPARE(faaOnly->canReadCalibration, std::optional<bool>(false));
        const auto bit4Only = fskpayload::decodeIdReply(nine + bytes({0x10}));
        QCOMPARE(bit4Only->capabilityBit4, std::optional<bool>(true));
        QCOMPARE(bit4Only->capabilityBit3, std::optional<bool>(false));
        QCOMPARE(bit4Only->hasFaaSerialNumber, std::optional<bool>(false));
    }

    // Serial numbers: exactly 32 bytes, 30 characters from byte 2 with their NUL padding (as
    // the bootloader reports them); the FAA serial needs 8 bytes and takes at most 20.
    void decodesSerials()
    {
        const QByteArray serial = bytes({0, 0}) + QByteArray("SN-000123").leftJustified(30, '\0');
        QCOMPARE(*fskpayload::decodeSerialReply(serial),
                 QStringLiteral("SN-000123") + QString(21, QChar(0)));
        QVERIFY(!fskpayload::decodeSerialReply(serial.left(31)));
        QVERIFY(!fskpayload::decodeSerialReply(serial + 'x'));

        QVERIFY(!fskpayload::decodeFaaSerialReply("ab12345"));
        QCOMPARE(*fskpayload::decodeFaaSerialReply("ab123456"), QStringLiteral("123456"));
        QCOMPARE(*fskpayload::decodeFaaSerialReply("ab" + QByteArray(30, 'F')),
                 QString(20, QLatin1Char('F')));
    }

    void decodesSmallReplies()
    {
        QVERIFY(!fskpayload::decodeTncStatusReply({}));
        const auto status = fskpayload::decodeTncStatusReply(bytes({3, 1, 2}));
        QCOMPARE(int(status->status), 3);
        QCOMPARE(status->data, bytes({1, 2}));
        QCOMPARE(fskpayload::decodeTncStatusReply(bytes({9}))->data, QByteArray());
        QVERIFY(!fskpayload::decodeSetTestedReply({}));
        QCOMPARE(int(*fskpayload::decodeSetTestedReply(bytes({0x5A, 1}))), 0x5A);
    }

    // A read reply is the address echo and exactly the bytes asked for. A wrong echo of the
    // right length keeps the bytes, so a caller could still look at them.
    void decodesReadReplies_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("count");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<QByteArray>("read");

        const auto ok = DeviceConnectionError::NoError;
        const auto invalid = DeviceConnectionError::InvalidReply;
        QTest::newRow("exact") << bytes({0x34, 0x12, 1, 2, 3}) << 3 << ok << bytes({1, 2, 3});
        QTest::newRow("zero bytes") << bytes({0x34, 0x12}) << 0 << ok << QByteArray();
        QTest::newRow("one short") << bytes({0x34, 0x12, 1, 2}) << 3 << invalid << QByteArray();
        QTest::newRow("one long") << bytes({0x34, 0x12, 1, 2, 3, 4}) << 3 << invalid
                                  << QByteArray();
        QTest::newRow("empty") << QByteArray() << 3 << invalid << QByteArray();
        QTest::newRow("address bytes swapped")
            << bytes({0x12, 0x34, 1, 2, 3}) << 3 << invalid << bytes({1, 2, 3});
    }
    void decodesReadReplies()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, count);
        QFETCH(DeviceConnectionError, code);
        QFETCH(QByteArray, read);
        const fskpayload::ReadReply reply =
            fskpayload::decodeAddressedReply(payload, 0x1234, count);
        QCOMPARE(reply.code, code);
        QCOMPARE(reply.bytes, read);
    }

    void decodesCalibrationReplies()
    {
        using fskpayload::decodeCalReply;
        QCOMPARE(decodeCalReply(bytes({3, 0, 9, 8}), 3, 2).bytes, bytes({9, 8}));
        QCOMPARE(decodeCalReply(bytes({3, 0, 9, 8}), 3, 2).code, DeviceConnectionError::NoError);
        QCOMPARE(decodeCalReply(bytes({4, 0, 9, 8}), 3, 2).code,
                 DeviceConnectionError::InvalidReply);
        QCOMPARE(decodeCalReply(bytes({3, 1, 9, 8}), 3, 2).code,
                 DeviceConnectionError::InvalidReply);
        QCOMPARE(decodeCalReply(bytes({3, 0, 9}), 3, 2).code, DeviceConnectionError::InvalidReply);
        QCOMPARE(decodeCalReply(bytes({3}), 3, 0).code, DeviceConnectionError::InvalidReply);
    }

    // Little-endian CRCs paired with the requested sections in order: a reply may stop short,
    // but a CRC beyond the last requested section belongs to none.
    void decodesSectionCrcs_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("requested");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Crcs>("crcs");

        const QByteArray two = bytes({0x78, 0x56, 0x34, 0x12, 0x01, 0, 0, 0x80});
        QTest::newRow("two for two") << two << 2 << true << Crcs{0x12345678u, 0x80000001u};
        QTest::newRow("none for none") << QByteArray() << 0 << true << Crcs{};
        QTest::newRow("6 bytes") << two.left(6) << 1 << false << Crcs{};
        QTest::newRow("more crcs than sections") << two << 1 << false << Crcs{};
        QTest::newRow("fewer crcs than sections")
            << two << 3 << true << Crcs{0x12345678u, 0x80000001u};
    }
    void decodesSectionCrcs()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, requested);
        QFETCH(bool, valid);
        QFETCH(Crcs, crcs);
        const Expected<Crcs> result = fskpayload::decodeSectionCrcsReply(payload, requested);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(*result, crcs);
        else
            QCOMPARE(result.error(), DeviceConnectionError::InvalidReply);
    }

    // A table page: a count, four bytes per entry, and at most one trailing byte.
    void decodesSectionTable_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("count");

        const QByteArray three = bytes({3}) + entry(1, 1856) + entry(2, 0x0203) + entry(7, 64);
        QTest::newRow("3 entries in 13 bytes") << three << 3;
        QTest::newRow("3 entries in 14 bytes") << three + bytes({0}) << 3;
        QTest::newRow("3 entries in 12 bytes") << three.left(12) << -1;
        QTest::newRow("3 entries in 15 bytes") << three + bytes({0, 0}) << -1;
        QTest::newRow("end of table") << bytes({0}) << 0;
        QTest::newRow("end of table with trailing byte") << bytes({0, 0}) << 0;
        QTest::newRow("empty payload") << QByteArray() << -1;
        QTest::newRow("count larger than the payload") << bytes({255}) + entry(1, 1) << -1;
    }
    void decodesSectionTable()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, count);
        const Expected<Sections> result = fskpayload::decodeTargetSectionsReply(payload);
        if (count < 0) {
            QCOMPARE(result.error(), DeviceConnectionError::InvalidReply);
            return;
        }
        QCOMPARE(result->size(), count);
        if (count == 3) {
            QCOMPARE(int(result->at(0).section), 1);
            QCOMPARE(int(result->at(0).size), 1856);
            QCOMPARE(int(result->at(1).section), 2);
            QCOMPARE(int(result->at(1).size), 0x0203);
            QCOMPARE(int(result->at(2).section), 7);
            QCOMPARE(int(result->at(2).size), 64);
        }
    }
};

ZX_REGISTER_TEST(FskPayloadsTest);
#include "test_fskpayloads.moc"
