#include "commandtesthelpers.h"
#include "connectionfixture.h"
#include "saxtestfile.h"
#include "testregistry.h"

#include <QTest>

#include <atomic>

namespace {

constexpr std::uint8_t kDevice = 2; // not 0, so that the argument and reply index show
constexpr std::uint16_t kProduct = 0x12;
const QString kSerial = QStringLiteral("ZX0012345");

// How the device answers one firmware record.
enum class Answer {
    Ack,         // done, result 0
    EraseFailed, // result 3 from the device
    OtherDevice, // result 0, but from device 0
    Silent,      // no reply at all
};

struct Transfer
{
    QList<DeviceConnectionError> codes;
    QList<float> progress;
};

// Sends `file` to kDevice and waits until `done` has come; then a little longer, so that a
// second `done` would be seen.
std::shared_ptr<Transfer> send(ConnectionFixture &fixture, const QByteArray &file,
                               std::uint16_t product = kProduct)
{
    auto transfer = std::make_shared<Transfer>();
    fixture.connection->sendSaxFile(
        kDevice, file, product, kSerial, [transfer](float p) { transfer->progress.append(p); },
        [transfer](DeviceConnectionError code) { transfer->codes.append(code); });
    if (!transfer->codes.isEmpty())
        return transfer; // delivered inside the call: the caller checks for this
    (void)QTest::qWaitFor([&] { return !transfer->codes.isEmpty(); }, 5000);
    QTest::qWait(30);
    return transfer;
}

// A bootloader answering records as `answers` says, in order, and every later one with Ack.
std::function<QByteArray(const QByteArray &)> recordAnswers(QList<Answer> answers)
{
    auto next = std::make_shared<std::atomic<int>>(0);
    return [answers, next](const QByteArray &written) -> QByteArray {
        if (written.size() != frames::kBootloaderRequestSize)
            return {};
        const auto command = std::uint8_t(written.at(2));
        if (command == frames::kBootloaderAnnouncementAnswer)
            return {};
        const int index = (*next)++;
        const Answer answer = index < answers.size() ? answers.at(index) : Answer::Ack;
        const auto device = std::uint8_t(written.at(3));
        const std::uint8_t type = command + frames::kBootloaderReplyOffset;
        switch (answer) {
        case Answer::Ack:
            return frames::buildBootloaderReply(type, std::uint8_t(device << 5));
        case Answer::EraseFailed:
            return frames::buildBootloaderReply(type, std::uint8_t(device << 5 | 3));
        case Answer::OtherDevice:
            return frames::buildBootloaderReply(type, 0);
        case Answer::Silent:
            return {};
        }
        return {};
    };
}

// The records' first data bytes as the device received them, one letter per record.
QByteArray receivedRecords(const ConnectionFixture &fixture)
{
    QByteArray fills;
    for (const QByteArray &frame : bootloaderRequests(fixture.device->writes()))
        fills.append(frame.at(4));
    return fills;
}

// An identification payload naming the device by its serial number.
QByteArray idPayload(const QByteArray &serial)
{
    QByteArray payload = serial.leftJustified(30, '\0', true);
    payload.append(QByteArray(41, '\0'));
    return payload;
}

} // namespace

Q_DECLARE_METATYPE(DeviceConnectionError)
Q_DECLARE_METATYPE(QList<Answer>)
Q_DECLARE_METATYPE(DeviceMode)

class SaxTransferTest : public QObject
{
    Q_OBJECT

private slots:
    // Each record goes out as one frame to the addressed device, its command and data as in
    // the file, and the next only once the device has confirmed the last.
    void sendsRecords()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        fixture.device->setResponder(recordAnswers({}));
        const QByteArray head = saxtest::header(2, 0, "\x12", kSerial.toLatin1());
        const QByteArray file =
            saxtest::file(head, {saxtest::record(0x04, 'a'), saxtest::record(0x05, 'b'),
                                 saxtest::record(0x0B, 'c')});
        const auto transfer = send(fixture, file);
        QCOMPARE(transfer->codes, QList{DeviceConnectionError::NoError});

        const QList<QByteArray> frames = bootloaderRequests(fixture.device->writes());
        QCOMPARE(frames.size(), 3);
        QByteArray commands;
        for (const QByteArray &frame : frames) {
            commands.append(frame.at(2));
            QCOMPARE(int(frame.at(3)), int(kDevice));
            QCOMPARE(frame.mid(4, 520), QByteArray(520, frame.at(4)));
        }
        QCOMPARE(commands.toHex(), QByteArray("04050b"));
        QCOMPARE(receivedRecords(fixture), QByteArray("abc"));

        const float size = float(file.size());
        const QList<float> expected{float(head.size()) / size, float(head.size() + 523) / size,
                                    float(head.size() + 1046) / size, 1.0f};
        QCOMPARE(transfer->progress, expected);
    }

    // Whatever stops the transfer, `done` comes once with its code, and no record after the
    // failing one is sent.
    void endsOnFirstFailure_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<DeviceConnectionError>("code");
        QTest::addColumn<QByteArray>("received");
        // One report per record started, and one for a record refused before sending.
        QTest::addColumn<int>("progressReports");

        const QByteArray head = saxtest::header();
        const QByteArray a = saxtest::record(0x05, 'a');
        const QByteArray b = saxtest::record(0x06, 'b');
        QByteArray damaged = saxtest::record(0x06, 'x');
        damaged[300] = 'y';

        QTest::newRow("zero records")
            << head << QList<Answer>{} << DeviceConnectionError::NoError << QByteArray() << 1;
        QTest::newRow("last record one byte short")
            << saxtest::file(head, {a, b, b.chopped(1)}) << QList<Answer>{}
            << DeviceConnectionError::SaxTruncated << QByteArray("ab") << 3;
        QTest::newRow("bad checksum, nothing of it sent")
            << saxtest::file(head, {a, damaged, b}) << QList<Answer>{}
            << DeviceConnectionError::SaxCorrupt << QByteArray("a") << 2;
        QTest::newRow("device reports an erase error")
            << saxtest::file(head, {a, b, a}) << QList{Answer::Ack, Answer::EraseFailed}
            << DeviceConnectionError::EraseError << QByteArray("ab") << 2;
        QTest::newRow("reply from another device")
            << saxtest::file(head, {a, b}) << QList{Answer::OtherDevice}
            << DeviceConnectionError::InvalidDeviceId << QByteArray("a") << 1;
        QTest::newRow("no reply") << saxtest::file(head, {a, b}) << QList{Answer::Silent}
                                  << DeviceConnectionError::NoReply << QByteArray("a") << 1;
        QTest::newRow("record command the bootloader does not take from files")
            << saxtest::file(head, {a, saxtest::record(0x09, 'g')}) << QList<Answer>{}
            << DeviceConnectionError::SaxCorrupt << QByteArray("a") << 2;
    }
    void endsOnFirstFailure()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<Answer>, answers);
        QFETCH(DeviceConnectionError, code);
        QFETCH(QByteArray, received);
        QFETCH(int, progressReports);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        fixture.device->setResponder(recordAnswers(answers));
        const auto transfer = send(fixture, file);
        QCOMPARE(transfer->codes, QList{code});
        QCOMPARE(receivedRecords(fixture), received);
        QCOMPARE(transfer->progress.size(), progressReports);
        if (code == DeviceConnectionError::NoError)
            QCOMPARE(transfer->progress.last(), 1.0f);
    }

    // After a failure a new transfer starts again from the first record.
    void restartsFromFirstRecord()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        fixture.device->setResponder(recordAnswers({Answer::Ack, Answer::EraseFailed}));
        const QByteArray file = saxtest::file(
            saxtest::header(), {saxtest::record(0x04, 'a'), saxtest::record(0x05, 'b')});
        QCOMPARE(send(fixture, file)->codes, QList{DeviceConnectionError::EraseError});
        QCOMPARE(send(fixture, file)->codes, QList{DeviceConnectionError::NoError});
        QCOMPARE(receivedRecords(fixture), QByteArray("abab"));
    }

    // Erase-like records (0x04, 0x07, 0x0A) get far longer than the acknowledgement timeout.
    void waitsLongerForEraseRecords()
    {
        ConnectionFixture fixture; // acknowledgement timeout 150 ms
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        const QByteArray file = saxtest::file(saxtest::header(), {saxtest::record(0x04)});
        auto transfer = std::make_shared<Transfer>();
        fixture.connection->sendSaxFile(
            kDevice, file, kProduct, kSerial, [](float) {},
            [transfer](DeviceConnectionError code) { transfer->codes.append(code); });
        QVERIFY(QTest::qWaitFor(
            [&] { return !bootloaderRequests(fixture.device->writes()).isEmpty(); }));
        QTest::qWait(400);
        QVERIFY(transfer->codes.isEmpty());
        fixture.device->deliver(frames::buildBootloaderReply(0x89, kDevice << 5));
        QVERIFY(QTest::qWaitFor([&] { return !transfer->codes.isEmpty(); }));
        QCOMPARE(transfer->codes, QList{DeviceConnectionError::NoError});
    }

    // The checks before the first record: mode first, then the file; each ends the transfer
    // from the event loop with nothing sent.
    void checksBeforeSending_data()
    {
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("product");
        QTest::addColumn<DeviceConnectionError>("code");
        const QByteArray records = saxtest::record(0x05);
        QTest::newRow("application mode, even for a bad file")
            << DeviceMode::FSK << QByteArray("junk") << int(kProduct)
            << DeviceConnectionError::InvalidState;
        QTest::newRow("not a SAX file") << DeviceMode::Bootloader << QByteArray("junk")
                                        << int(kProduct) << DeviceConnectionError::NotSaxFile;
        QTest::newRow("wrong product")
            << DeviceMode::Bootloader << saxtest::header(1, 0, "\x13") + records << int(kProduct)
            << DeviceConnectionError::SaxWrongProduct;
        QTest::newRow("wrong device")
            << DeviceMode::Bootloader << saxtest::header(2, 0, "", "ZX999") + records
            << int(kProduct) << DeviceConnectionError::SaxWrongDevice;
    }
    void checksBeforeSending()
    {
        QFETCH(DeviceMode, mode);
        QFETCH(QByteArray, file);
        QFETCH(int, product);
        QFETCH(DeviceConnectionError, code);
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(mode));
        fixture.device->setResponder(recordAnswers({}));
        const auto transfer = send(fixture, file, std::uint16_t(product));
        QCOMPARE(transfer->codes, QList{code});
        QVERIFY(transfer->progress.isEmpty());
        QVERIFY(bootloaderRequests(fixture.device->writes()).isEmpty());
    }

    // A transfer whose connection goes away still ends, once.
    void endsWhenConnectionGone()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        auto transfer = std::make_shared<Transfer>();
        fixture.connection->sendSaxFile(
            kDevice, saxtest::file(saxtest::header(), {saxtest::record(0x05)}), kProduct, kSerial,
            [](float) {}, [transfer](DeviceConnectionError code) { transfer->codes.append(code); });
        fixture.connection.reset();
        QVERIFY(QTest::qWaitFor([&] { return !transfer->codes.isEmpty(); }));
        QTest::qWait(30);
        QCOMPARE(transfer->codes, QList{DeviceConnectionError::NoReply});
    }

    // Devices behind the base device are identified one after the other, in device order.
    void identifiesConnectedDevices()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::Bootloader));
        fixture.device->setResponder([](const QByteArray &written) -> QByteArray {
            if (!isBootloaderRequest(written, 0x01))
                return {};
            const auto device = std::uint8_t(written.at(3));
            const QByteArray serial = "AUX" + QByteArray::number(device);
            // Device 3 answers for device 0: it is not the one asked.
            const std::uint8_t replying = device == 3 ? 0 : device;
            return frames::buildBootloaderReply(0x86, std::uint8_t(replying << 5),
                                                idPayload(serial));
        });
        const auto two = finish(fixture.connection->connectedDevicesIdAsync(2));
        QVERIFY(two.has_value());
        QCOMPARE(two->size(), 2);
        QVERIFY(two->at(0)->serialNumber.startsWith(QLatin1String("AUX1")));
        QVERIFY(two->at(1)->serialNumber.startsWith(QLatin1String("AUX2")));
        QVERIFY(fixture.logged(QStringLiteral("Bootloader ID Request (device 2):")));

        const auto none = finish(fixture.connection->connectedDevicesIdAsync(0));
        QVERIFY(none.has_value());
        QVERIFY(none->isEmpty());

        const int before = int(bootloaderRequests(fixture.device->writes()).size());
        const auto broken = finish(fixture.connection->connectedDevicesIdAsync(5));
        QCOMPARE(broken.error(), DeviceConnectionError::InvalidDeviceId);
        QCOMPARE(int(bootloaderRequests(fixture.device->writes()).size()) - before, 3);
    }

    void goOnlyFromBootloader()
    {
        ConnectionFixture fixture;
        QVERIFY(fixture.openIn(DeviceMode::FSK));
        auto outcomes = Outcomes::create();
        fixture.connection->go(recordTo(outcomes));
        QVERIFY(QTest::qWaitFor([&] { return !outcomes->codes.isEmpty(); }));
        QCOMPARE(outcomes->codes, QList{DeviceConnectionError::InvalidState});
        QVERIFY(bootloaderRequests(fixture.device->writes()).isEmpty());
    }
};

ZX_REGISTER_TEST(SaxTransferTest);
#include "test_saxtransfer.moc"
