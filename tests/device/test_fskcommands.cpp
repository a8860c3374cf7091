#include "commandtesthelpers.h"
#include "connectionfixture.h"
#include "testregistry.h"

#include <QTest>

namespace {

using Report = std::function<void(DeviceConnectionError, QString)>;
// Runs one operation and reports its code and its result as text.
using Operation = std::function<void(DeviceConnection &, Report)>;

Report ignoreReport()
{
    return [](DeviceConnectionError, const QString &) {};
}

template <typename T>
void reportTask(Task<T> task, Report report, std::function<QString(const T &)> text)
{
    whenDone<T>(std::move(task), [report, text](Expected<T> result) {
        if (result)
            report(DeviceConnectionError::NoError, text(*result));
        else
            report(result.error(), {});
    });
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

DeviceConnection::ReplyDone reportBytes(Report report)
{
    return
        [report](DeviceConnectionError code, const QByteArray &bytes) { report(code, hex(bytes)); };
}

DeviceConnection::Done reportCode(Report report)
{
    return [report](DeviceConnectionError code) { report(code, {}); };
}

QString crcText(const QList<std::uint32_t> &crcs)
{
    QStringList parts;
    for (const std::uint32_t crc : crcs)
        parts.append(QString::number(crc, 16));
    return parts.join(',');
}

QString sectionsText(const QList<TargetSectionInfo> &sections)
{
    QStringList parts;
    for (const TargetSectionInfo &info : sections)
        parts.append(QStringLiteral("%1:%2").arg(info.section).arg(info.size));
    return parts.join(',');
}

struct OperationCase
{
    const char *name;
    Operation run;
    int type;
    QByteArray payload; // hexadecimal
};

// Every single-frame operation with the request it must send.
QList<OperationCase> operations()
{
    using C = DeviceConnection;
    return {
        {"fskIdRequestAsync",
         [](C &c, Report r) {
             reportTask<std::shared_ptr<FskIdRequestData>>(
                 c.fskIdRequestAsync(), r, [](const std::shared_ptr<FskIdRequestData> &d) {
                     return QStringLiteral("%1 %2")
                         .arg(d->productCode, 0, 16)
                         .arg(d->parameterCrc, 0, 16);
                 });
         },
         0x01, ""},
        {"fskReadSerialAsync",
         [](C &c, Report r) {
             reportTask<QString>(c.fskReadSerialAsync(), r, [](const QString &s) { return s; });
         },
         0x0B, QByteArray(32, '\0').toHex()},
        {"fskReadFaaSerialNumber",
         [](C &c, Report r) {
             reportTask<QString>(c.fskReadFaaSerialNumber(), r, [](const QString &s) { return s; });
         },
         0x1E, QByteArray(22, '\0').toHex()},
        {"fskTncStatusAsync",
         [](C &c, Report r) {
             reportTask<C::TncStatus>(c.fskTncStatusAsync(), r, [](const C::TncStatus &s) {
                 return QStringLiteral("%1/%2").arg(s.status).arg(hex(s.data));
             });
         },
         0x10, ""},
        {"fskTncStatus",
         [](C &c, Report r) {
             c.fskTncStatus(
                 [r](DeviceConnectionError e, std::uint8_t status, const QByteArray &data) {
                     r(e, e == DeviceConnectionError::NoError
                              ? QStringLiteral("%1/%2").arg(status).arg(hex(data))
                              : QString());
                 });
         },
         0x10, ""},
        {"fskReadLimited", [](C &c, Report r) { c.fskReadLimited(0x0100, 4, reportBytes(r)); },
         0x0E, "000100000000"},
        {"fskWriteLimited", [](C &c, Report r) { c.fskWriteLimited(0x0010, "ab", reportCode(r)); },
         0x03, "10006162"},
        {"fskAdvReadLimited",
         [](C &c, Report r) {
             c.fskAdvReadLimited(FlashTarget::ParameterMemory, 3, 0x0120, 4, reportBytes(r));
         },
         0x19, "080020010400"},
        {"fskAdvWriteLimited",
         [](C &c, Report r) {
             c.fskAdvWriteLimited(FlashTarget::TxSystemSettings, std::nullopt, 0, "xyz",
                                  reportCode(r));
         },
         0x18, "0004000078797a"},
        {"fskSave", [](C &c, Report r) { c.fskSave(reportCode(r)); }, 0x07, ""},
        {"fskKeepAlive", [](C &c, Report r) { c.fskKeepAlive(reportCode(r)); }, 0x0A, ""},
        {"fskGo", [](C &c, Report r) { c.fskGo(reportCode(r)); }, 0x0C, ""},
        {"fskTncStart", [](C &c, Report r) { c.fskTncStart(5, reportCode(r)); }, 0x11, "0500"},
        {"fskReadCal", [](C &c, Report r) { c.fskReadCal(2, 3, reportBytes(r)); }, 0x11,
         "0002000000"},
        {"fskSetTested",
         [](C &c, Report r) {
             c.fskSetTested(1, [r](DeviceConnectionError e, std::uint8_t answer) {
                 r(e, QString::number(answer));
             });
         },
         0x12, "01"},
        {"fskStartSensorTnc", [](C &c, Report r) { c.fskStartSensorTnc(reportCode(r)); }, 0x42, ""},
        {"fskDiscoveryRequest", [](C &c, Report) { c.fskDiscoveryRequest(); }, 0x21, ""},
        {"fskGetSectionCrcsLimited",
         [](C &c, Report r) {
             reportTask<QList<std::uint32_t>>(
                 c.fskGetSectionCrcsLimited(FlashTarget::ParameterMemory, {1, 2}), r, crcText);
         },
         0x30, "000102"},
        {"fskGetTargetSectionsLimited",
         [](C &c, Report r) {
             reportTask<QList<TargetSectionInfo>>(
                 c.fskGetTargetSectionsLimited(FlashTarget::TxSystemSettings, 3), r, sectionsText);
         },
         0x1C, "0403"},
    };
}

// What a test saw of one operation.
struct Outcome
{
    QList<DeviceConnectionError> codes;
    QStringList results;
};

Report recordInto(const std::shared_ptr<Outcome> &outcome)
{
    return [outcome](DeviceConnectionError code, const QString &result) {
        outcome->codes.append(code);
        outcome->results.append(result);
    };
}

// Plays the device's memory for range transfers: every byte holds the low byte of its address.
std::optional<QByteArray> memoryDevice(std::uint8_t type, const QByteArray &payload)
{
    int address = 0;
    int count = 0;
    if (type == 0x0E) {
        address = std::uint8_t(payload.at(0)) | std::uint8_t(payload.at(1)) << 8;
        count = int(payload.size()) - 2;
    } else if (type == 0x19) {
        address = std::uint8_t(payload.at(2)) | std::uint8_t(payload.at(3)) << 8;
        count = std::uint8_t(payload.at(4)) | std::uint8_t(payload.at(5)) << 8;
    } else {
        return QByteArray(); // writes are acknowledged
    }
    QByteArray reply;
    reply.append(char(address & 0xFF));
    reply.append(char(address >> 8));
    for (int i = 0; i < count; ++i)
        reply.append(char((address + i) & 0xFF));
    return reply;
}

QByteArray addressedMemory(int address, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char((address + i) & 0xFF));
    return bytes;
}

// The address and length of each piece the program requested, from the written frames.
QList<QPair<int, int>> pieces(const QList<QByteArray> &requests)
{
    QList<QPair<int, int>> result;
    for (const QByteArray &frame : requests) {
        const QByteArray payload = fskPayloadOf(frame);
        switch (std::uint8_t(frame.at(0))) {
        case 0x0E:
            result.append({std::uint8_t(payload.at(0)) | std::uint8_t(payload.at(1)) << 8,
                           int(payload.size()) - 2});
            break;
        case 0x03:
            result.append({std::uint8_t(payload.at(0)) | std::uint8_t(payload.at(1)) << 8,
                           int(payload.size()) - 2});
            break;
        case 0x19:
            result.append({std::uint8_t(payload.at(2)) | std::uint8_t(payload.at(3)) << 8,
                           std::uint8_t(payload.at(4)) | std::uint8_t(payload.at(5)) << 8});
            break;
        case 0x18:
            result.append({std::uint8_t(payload.at(2)) | std::uint8_t(payload.at(3)) << 8,
                           int(payload.size()) - 4});
            break;
        }
    }
    return result;
}

using Pieces = QList<QPair<int, int>>;
using Floats = QList<float>;
using RangeOperation = std::function<void(DeviceConnection &, DeviceConnection::Progress, Report)>;

// The data of the write pieces put back in address order (pieces go out from the end).
QByteArray writtenData(const QList<QByteArray> &requests)
{
    QByteArray data;
    for (const QByteArray &frame : requests) {
        const int header = std::uint8_t(frame.at(0)) == 0x18 ? 4 : 2;
        data.prepend(fskPayloadOf(frame).mid(header));
    }
    return data;
}

} // namespace

Q_DECLARE_METATYPE(DeviceConnectionError)
Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Pieces)
Q_DECLARE_METATYPE(RangeOperation)
Q_DECLARE_METATYPE(Floats)
Q_DECLARE_METATYPE(FskScript)

class FskCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    // Each operation sends one frame of its type with exactly its payload.
    void sendsRequests_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("payload");
        for (const OperationCase &c : operations())
            QTest::newRow(c.name) << c.run << c.type << QByteArray::fromHex(c.payload);
    }
    void sendsRequests()
    {
        QFETCH(Operation, operation);
        QFETCH(int, type);
        QFETCH(QByteArray, payload);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        operation(*fixture.connection, ignoreReport());
        QVERIFY(QTest::qWaitFor([&] { return !fskRequests(fixture.device->writes()).isEmpty(); }));
        const QByteArray frame = fskRequests(fixture.device->writes()).first();
        QCOMPARE(int(std::uint8_t(frame.at(0))), type);
        QCOMPARE(fskPayloadOf(frame).toHex(' '), payload.toHex(' '));
    }

    // Outside the application every operation fails with InvalidState, later, and sends
    // nothing.
    void refusesOutsideApplication_data() { sendsRequests_data(); }
    void refusesOutsideApplication()
    {
        QFETCH(Operation, operation);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        const int writesBefore = fixture.device->writeCount();
        auto outcome = std::make_shared<Outcome>();
        operation(*fixture.connection, recordInto(outcome));
        QVERIFY(outcome->codes.isEmpty());
        if (QByteArray(QTest::currentDataTag()) != "fskDiscoveryRequest") {
            QVERIFY(QTest::qWaitFor([&] { return !outcome->codes.isEmpty(); }));
            QCOMPARE(outcome->codes, QList{DeviceConnectionError::InvalidState});
        }
        QTest::qWait(20);
        QCOMPARE(fixture.device->writeCount(), writesBefore);
    }

    // Replies as the device gives them, and what the caller gets.
    void checksReplies_data()
    {
        QTest::addColumn<QString>("operationName");
        QTest::addColumn<FskScript>("device");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<QString>("result");

        const auto ok = DeviceConnectionError::NoError;
        const auto invalid = DeviceConnectionError::InvalidReply;
        auto reply = [](const QByteArray &hexPayload) -> FskScript {
            const QByteArray payload = QByteArray::fromHex(hexPayload);
            return [payload](std::uint8_t, const QByteArray &) { return payload; };
        };
        const FskScript silent = [](std::uint8_t, const QByteArray &) {
            return std::optional<QByteArray>();
        };

        QTest::newRow("id of 9 bytes")
            << "fskIdRequestAsync" << reply("78563412d9020705 03") << ok << "d9 12345678";
        QTest::newRow("id of 11 bytes")
            << "fskIdRequestAsync" << reply("78563412d9020705030401") << ok << "1d9 12345678";
        QTest::newRow("id of 8 bytes")
            << "fskIdRequestAsync" << reply("78563412d9020705") << invalid << "";
        QTest::newRow("no reply passes through")
            << "fskIdRequestAsync" << silent << DeviceConnectionError::NoReply << "";
        QTest::newRow("serial") << "fskReadSerialAsync"
                                << reply("0000" +
                                         QByteArray("SERIAL-0123456789ABCDEFGHIJKLM").toHex())
                                << ok << "SERIAL-0123456789ABCDEFGHIJKLM";
        QTest::newRow("serial of 31 bytes")
            << "fskReadSerialAsync" << reply(QByteArray(31, 'a').toHex()) << invalid << "";
        QTest::newRow("faa serial")
            << "fskReadFaaSerialNumber" << reply("0000464141313233") << ok << "FAA123";
        QTest::newRow("faa serial of 7 bytes")
            << "fskReadFaaSerialNumber" << reply("00004641413132") << invalid << "";
        QTest::newRow("tnc status") << "fskTncStatusAsync" << reply("030102") << ok << "3/01 02";
        QTest::newRow("tnc status callback") << "fskTncStatus" << reply("07") << ok << "7/";
        QTest::newRow("tnc status empty") << "fskTncStatus" << reply("") << invalid << "";
        QTest::newRow("read") << "fskReadLimited" << reply("0001a1a2a3a4") << ok << "a1 a2 a3 a4";
        QTest::newRow("read, wrong echo keeps the bytes")
            << "fskReadLimited" << reply("0002a1a2a3a4") << invalid << "a1 a2 a3 a4";
        QTest::newRow("read, one byte short")
            << "fskReadLimited" << reply("0001a1a2a3") << invalid << "";
        QTest::newRow("advanced read")
            << "fskAdvReadLimited" << reply("2001b1b2b3b4") << ok << "b1 b2 b3 b4";
        QTest::newRow("advanced read, one byte long")
            << "fskAdvReadLimited" << reply("2001b1b2b3b4b5") << invalid << "";
        QTest::newRow("write ignores the reply payload")
            << "fskWriteLimited" << reply("ffff") << ok << "";
        QTest::newRow("calibration") << "fskReadCal" << reply("0200c1c2c3") << ok << "c1 c2 c3";
        QTest::newRow("calibration, wrong index")
            << "fskReadCal" << reply("0300c1c2c3") << invalid << "";
        QTest::newRow("set tested") << "fskSetTested" << reply("2a") << ok << "42";
        QTest::newRow("set tested, empty reply") << "fskSetTested" << reply("") << invalid << "0";
        QTest::newRow("crcs") << "fskGetSectionCrcsLimited" << reply("7856341201000000") << ok
                              << "12345678,1";
        QTest::newRow("crc reply of 6 bytes")
            << "fskGetSectionCrcsLimited" << reply("785634120100") << invalid << "";
        QTest::newRow("more crcs than sections")
            << "fskGetSectionCrcsLimited" << reply("785634120100000002000000") << invalid << "";
        QTest::newRow("section table, 13 bytes")
            << "fskGetTargetSectionsLimited" << reply("03 00034000 00044000 00054000") << ok
            << "3:64,4:64,5:64";
        QTest::newRow("section table, 14 bytes")
            << "fskGetTargetSectionsLimited" << reply("03 00034000 00044000 00054000 00") << ok
            << "3:64,4:64,5:64";
        QTest::newRow("section table, 12 bytes")
            << "fskGetTargetSectionsLimited" << reply("03 00034000 00044000 000540") << invalid
            << "";
    }
    void checksReplies()
    {
        QFETCH(QString, operationName);
        QFETCH(FskScript, device);
        QFETCH(DeviceConnectionError, code);
        QFETCH(QString, result);
        Operation operation;
        for (const OperationCase &c : operations()) {
            if (operationName == QLatin1String(c.name))
                operation = c.run;
        }
        QVERIFY(operation);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk(device));
        auto outcome = std::make_shared<Outcome>();
        operation(*fixture.connection, recordInto(outcome));
        QVERIFY(QTest::qWaitFor([&] { return !outcome->codes.isEmpty(); }));
        QCOMPARE(outcome->codes.first(), code);
        QCOMPARE(outcome->results.first(), result);
        QTest::qWait(10);
        QCOMPARE(outcome->codes.size(), 1);
    }

    void logsIdentification()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk([](std::uint8_t, const QByteArray &) {
            return QByteArray::fromHex("0d0c0b0ad90207050301");
        }));
        QVERIFY(finish(fixture.connection->fskIdRequestAsync()).has_value());
        for (const char *line :
             {"FSK ID Request:", "  Parameter CRC: 0x0a0b0c0d", "  App product code: 0xd9",
              "  App major.minor: 2.7", "  Parameter version: 5", "  FSK protocol version: 3",
              "  Supports Hexavor cal progress: 1"})
            QVERIFY2(fixture.logged(QString::fromLatin1(line)), line);
    }

    // Without a capability byte the calibration line is left out.
    void logsNoCapabilityLine()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk([](std::uint8_t, const QByteArray &) {
            return QByteArray::fromHex("0d0c0b0a05020705 03");
        }));
        QVERIFY(finish(fixture.connection->fskIdRequestAsync()).has_value());
        QVERIFY(fixture.logged(QStringLiteral("  App product code: 0x05")));
        for (int i = 0; i < fixture.log.count(); ++i)
            QVERIFY(!fixture.log.entry(i).message.contains(QLatin1String("cal progress")));
    }

    // Ranges go from their end towards their start, one frame at a time, with progress as the
    // share done so far; reads come back in address order, writes send every byte once.
    void transfersRanges_data()
    {
        QTest::addColumn<RangeOperation>("operation");
        QTest::addColumn<Pieces>("expectedPieces");
        QTest::addColumn<Floats>("expectedProgress");
        QTest::addColumn<QByteArray>("bytes");

        using C = DeviceConnection;
        auto read = [](int address, int count) -> RangeOperation {
            return [address, count](C &c, C::Progress p, Report r) {
                c.fskRead(std::uint16_t(address), std::uint16_t(count), p, reportBytes(r));
            };
        };
        QTest::newRow("fskRead(0, 100)") << read(0, 100) << Pieces{{42, 58}, {0, 42}}
                                         << Floats{0.58f, 1.0f} << addressedMemory(0, 100);
        QTest::newRow("fskRead of one piece")
            << read(0x200, 58) << Pieces{{0x200, 58}} << Floats{1.0f} << addressedMemory(0x200, 58);
        QTest::newRow("fskRead up to the last address")
            << read(0xFFC6, 58) << Pieces{{0xFFC6, 58}} << Floats{1.0f}
            << addressedMemory(0xFFC6, 58);
        QTest::newRow("fskAdvRead(10, 120)") << RangeOperation([](C &c, C::Progress p, Report r) {
            c.fskAdvRead(FlashTarget::ParameterMemory, 1, 10, 120, p, reportBytes(r));
        }) << Pieces{{76, 54}, {22, 54}, {10, 12}}
                                             << Floats{0.45f, 0.45f + 0.55f * (54.0f / 66.0f), 1.0f}
                                             << addressedMemory(10, 120);
        QTest::newRow("fskWrite of two full pieces")
            << RangeOperation([](C &c, C::Progress p, Report r) {
                   c.fskWrite(0x100, addressedMemory(0x100, 116), p, reportCode(r));
               })
            << Pieces{{0x13A, 58}, {0x100, 58}} << Floats{0.5f, 1.0f}
            << addressedMemory(0x100, 116);
        QTest::newRow("fskAdvWrite of 64 bytes")
            << RangeOperation([](C &c, C::Progress p, Report r) {
                   c.fskAdvWrite(FlashTarget::TxSystemSettings, std::nullopt, 0,
                                 addressedMemory(0, 64), p, reportCode(r));
               })
            << Pieces{{8, 56}, {0, 8}} << Floats{0.875f, 1.0f} << addressedMemory(0, 64);
    }
    void transfersRanges()
    {
        QFETCH(RangeOperation, operation);
        QFETCH(Pieces, expectedPieces);
        QFETCH(Floats, expectedProgress);
        QFETCH(QByteArray, bytes);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk(memoryDevice));

        auto progress = std::make_shared<Floats>();
        auto outcome = std::make_shared<Outcome>();
        operation(
            *fixture.connection, [progress](float p) { progress->append(p); }, recordInto(outcome));
        QVERIFY(QTest::qWaitFor([&] { return !outcome->codes.isEmpty(); }));
        QCOMPARE(outcome->codes, QList{DeviceConnectionError::NoError});
        const QList<QByteArray> requests = fskRequests(fixture.device->writes());
        QCOMPARE(pieces(requests), expectedPieces);
        QCOMPARE(progress->size(), expectedProgress.size());
        for (int i = 0; i < progress->size(); ++i)
            QVERIFY2(qFuzzyCompare(progress->at(i), expectedProgress.at(i)),
                     qPrintable(QString::number(progress->at(i))));
        if (outcome->results.first().isEmpty())
            QCOMPARE(writtenData(requests), bytes);
        else
            QCOMPARE(outcome->results.first(), hex(bytes));
    }

    // A failing piece ends the transfer with its code; nothing further is asked.
    void rangeStopsAtFirstError()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        auto requests = std::make_shared<std::atomic<int>>(0);
        fixture.device->setResponder(
            answerFsk([requests](std::uint8_t type, const QByteArray &payload) {
                if (++*requests == 2)
                    return std::optional<QByteArray>(QByteArray::fromHex("0000")); // wrong echo
                return memoryDevice(type, payload);
            }));
        auto outcome = std::make_shared<Outcome>();
        auto progress = std::make_shared<Floats>();
        fixture.connection->fskAdvRead(
            FlashTarget::ParameterMemory, 0, 0, 200, [progress](float p) { progress->append(p); },
            reportBytes(recordInto(outcome)));
        QVERIFY(QTest::qWaitFor([&] { return !outcome->codes.isEmpty(); }));
        QCOMPARE(outcome->codes, QList{DeviceConnectionError::InvalidReply});
        QCOMPARE(outcome->results.first(), QString());
        QCOMPARE(progress->size(), 1);
        QTest::qWait(20);
        QCOMPARE(fskRequests(fixture.device->writes()).size(), 2);
    }

    // Requests the program cannot send as asked fail without reaching the device: a range
    // running past address 0xFFFF would wrap to 0, and a write too long for one frame would be
    // cut short.
    void refusesImpossibleRequests_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<DeviceConnectionError>("code");
        using C = DeviceConnection;
        QTest::newRow("fskRead past 0xFFFF")
            << Operation([](C &c, Report r) { c.fskRead(0xFFC7, 58, nullptr, reportBytes(r)); })
            << DeviceConnectionError::ReadError;
        QTest::newRow("fskAdvRead past 0xFFFF") << Operation([](C &c, Report r) {
            c.fskAdvRead(FlashTarget::ParameterMemory, 0, 0xFF00, 0x200, nullptr, reportBytes(r));
        }) << DeviceConnectionError::ReadError;
        QTest::newRow("fskWrite past 0xFFFF")
            << Operation([](C &c, Report r) { c.fskWrite(0xFFFF, "ab", nullptr, reportCode(r)); })
            << DeviceConnectionError::WriteError;
        QTest::newRow("fskAdvWrite of more than 64 KiB") << Operation([](C &c, Report r) {
            c.fskAdvWrite(FlashTarget::ParameterMemory, 0, 0, QByteArray(0x10001, 'x'), nullptr,
                          reportCode(r));
        }) << DeviceConnectionError::WriteError;
        QTest::newRow("fskWriteLimited of 59 bytes") << Operation([](C &c, Report r) {
            c.fskWriteLimited(0, QByteArray(59, 'x'), reportCode(r));
        }) << DeviceConnectionError::WriteError;
        QTest::newRow("fskAdvWriteLimited of 57 bytes") << Operation([](C &c, Report r) {
            c.fskAdvWriteLimited(FlashTarget::ParameterMemory, 0, 0, QByteArray(57, 'x'),
                                 reportCode(r));
        }) << DeviceConnectionError::WriteError;
    }
    void refusesImpossibleRequests()
    {
        QFETCH(Operation, operation);
        QFETCH(DeviceConnectionError, code);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk(memoryDevice));
        auto outcome = std::make_shared<Outcome>();
        operation(*fixture.connection, recordInto(outcome));
        QVERIFY(outcome->codes.isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return !outcome->codes.isEmpty(); }));
        QCOMPARE(outcome->codes, QList{code});
        QTest::qWait(20);
        QVERIFY(fskRequests(fixture.device->writes()).isEmpty());
    }

    // A connection destroyed mid-transfer still completes the transfer, once.
    void rangeSurvivesConnectionGone()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        auto outcome = std::make_shared<Outcome>();
        fixture.connection->fskRead(0, 200, nullptr, reportBytes(recordInto(outcome)));
        fixture.connection.reset();
        QVERIFY(QTest::qWaitFor([&] { return !outcome->codes.isEmpty(); }));
        QTest::qWait(20);
        QCOMPARE(outcome->codes, QList{DeviceConnectionError::NoReply});
    }

    // Section CRCs are asked 15 at a time and joined in order.
    void readsSectionCrcsInParts()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk([](std::uint8_t, const QByteArray &payload) {
            QByteArray reply; // each section's CRC is its id times 0x01010101
            for (const char id : payload.mid(1))
                reply.append(QByteArray(4, id));
            return std::optional<QByteArray>(reply);
        }));
        QList<std::uint8_t> sections;
        QList<std::uint32_t> expected;
        for (int id = 1; id <= 20; ++id) {
            sections.append(std::uint8_t(id));
            expected.append(std::uint32_t(id) * 0x01010101u);
        }
        const auto crcs =
            finish(fixture.connection->fskGetSectionCrcs(FlashTarget::ParameterMemory, sections));
        QVERIFY(crcs.has_value());
        QCOMPARE(*crcs, expected);
        const QList<QByteArray> requests = fskRequests(fixture.device->writes());
        QCOMPARE(requests.size(), 2);
        QCOMPARE(fskPayloadOf(requests.at(0)).size(), 16);
        QCOMPARE(fskPayloadOf(requests.at(1)).toHex(' '), QByteArray("00 10 11 12 13 14"));
        QVERIFY(fixture.logged(QStringLiteral("SectionCrcReqAck:")));
        QVERIFY(fixture.logged(QStringLiteral("  section 20, crc: %1").arg(20u * 0x01010101u)));
    }

    void sectionCrcsStopAtFirstError()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk([](std::uint8_t, const QByteArray &payload) {
            return std::optional<QByteArray>(QByteArray(4 * int(payload.size() - 1) - 2, 'c'));
        }));
        QList<std::uint8_t> sections;
        for (int id = 0; id < 40; ++id)
            sections.append(std::uint8_t(id));
        const auto crcs =
            finish(fixture.connection->fskGetSectionCrcs(FlashTarget::ParameterMemory, sections));
        QCOMPARE(crcs.error(), DeviceConnectionError::InvalidReply);
        QCOMPARE(fskRequests(fixture.device->writes()).size(), 1);
    }

    // The table is asked from the count received so far until a page lists nothing.
    void readsSectionTable()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk([](std::uint8_t, const QByteArray &payload) {
            const int start = std::uint8_t(payload.at(1));
            const int count = qBound(0, 5 - start, 3); // five sections, three per page
            QByteArray reply(1, char(count));
            for (int id = start; id < start + count; ++id)
                reply.append(QByteArray::fromHex("00") + char(id) + QByteArray::fromHex("4000"));
            return std::optional<QByteArray>(reply);
        }));
        const auto sections =
            finish(fixture.connection->fskGetTargetSections(FlashTarget::ParameterMemory));
        QVERIFY(sections.has_value());
        QCOMPARE(sectionsText(*sections), QStringLiteral("0:64,1:64,2:64,3:64,4:64"));
        QStringList starts;
        for (const QByteArray &request : fskRequests(fixture.device->writes()))
            starts.append(QString::fromLatin1(fskPayloadOf(request).toHex(' ')));
        QCOMPARE(starts, QStringList({"00 00", "00 03", "00 05"}));
        QVERIFY(fixture.logged(QStringLiteral("FlashHeadersAck:")));
        QVERIFY(fixture.logged(QStringLiteral("  Read section 4, size: 64")));
    }

    // A device that never ends its table is not asked forever.
    void sectionTableEndsAfter256Sections()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.device->setResponder(answerFsk([](std::uint8_t, const QByteArray &) {
            return std::optional<QByteArray>(QByteArray::fromHex("02 00014000 00024000"));
        }));
        const auto sections =
            finish(fixture.connection->fskGetTargetSections(FlashTarget::ParameterMemory), 20000);
        QCOMPARE(sections.error(), DeviceConnectionError::InvalidReply);
        QCOMPARE(fskRequests(fixture.device->writes()).size(), 128);
    }

    // The discovery request holds the link for one acknowledgement timeout; what remote
    // receivers send meanwhile is only logged.
    void discoveryHoldsTheLinkForItsTimeout()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        fixture.connection->fskDiscoveryRequest();
        auto outcome = std::make_shared<Outcome>();
        fixture.connection->fskSave(reportCode(recordInto(outcome)));
        fixture.device->deliver(frames::buildFskFrame(0xA1, "remote"));
        QTest::qWait(50);
        QCOMPARE(fskRequests(fixture.device->writes()).size(), 1);
        QVERIFY(QTest::qWaitFor([&] { return !outcome->codes.isEmpty(); }));
        // The timeout fails everything queued behind it, as for any lost reply.
        QCOMPARE(outcome->codes, QList{DeviceConnectionError::NoReply});
        bool loggedUnexpected = false;
        for (int i = 0; i < fixture.log.count(); ++i)
            loggedUnexpected |=
                fixture.log.entry(i).message.startsWith(QLatin1String("    which was unexpected"));
        QVERIFY(loggedUnexpected);
    }
};

ZX_REGISTER_TEST(FskCommandsTest);
#include "test_fskcommands.moc"
