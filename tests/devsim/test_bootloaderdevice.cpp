#include "device/deviceconnectionerror.h"
#include "device/sectioncrc.h"
#include "devicebench.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
#include "testregistry.h"

#include <QTest>

using devsim::DeviceProfile;
using Code = DeviceConnectionError;
namespace profiles = devsim::profiles;
namespace sax = devsim::sax;

namespace {

constexpr int kHeaderV2Bytes = 11 + 1 + 30; // one product in the list

DeviceProfile inBootloader(DeviceProfile profile)
{
    profile.startMode = DeviceMode::Bootloader;
    profile.eraseDurationMs = 40;
    return profile;
}

sax::Options imageOptions(int imageBytes, sax::Damage damage = sax::Damage::None)
{
    sax::Options options;
    options.imageBytes = imageBytes;
    options.damage = damage;
    return options;
}

struct Sent
{
    int records = 0;   // records answered
    int failedAt = -1; // 0-based record that failed
    int code = 0;      // its result code
};

// Sends the records of `file` from `headerBytes` on as the host would, letting the device take
// its time; stops at the first failure.
Sent sendRecords(DeviceBench &bench, const QByteArray &file, int headerBytes, int device = 0)
{
    Sent sent;
    for (int at = headerBytes; at + sax::kRecordBytes <= file.size(); at += sax::kRecordBytes) {
        const auto command = std::uint8_t(file[at]);
        auto replies = bench.send(
            frames::buildBootloaderFrame(command, std::uint8_t(device), file.mid(at + 1, 520)));
        if (replies.empty())
            replies = bench.advance(1000);
        if (replies.size() != 1 || replies[0].type != command + 0x85)
            return sent;
        const int code = frames::bootloaderStatusResult(replies[0].status);
        if (code != 0) {
            sent.failedAt = sent.records;
            sent.code = code;
            return sent;
        }
        ++sent.records;
    }
    return sent;
}

} // namespace

class BootloaderDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    // A whole file: begin, erase, writes, version, finish. The application is valid again and
    // reports the new version; GO starts it.
    void firmwareFileIsApplied()
    {
        DeviceBench bench(inBootloader(profiles::airplaneReceiver()));
        sax::Options options;
        options.image = profiles::patternBytes(9, 1300); // three writes, the last one partial
        const QByteArray file = sax::writeFile(bench.device.state().profile, options);
        QCOMPARE(sax::recordCount(file, kHeaderV2Bytes), 7);

        const Sent sent = sendRecords(bench, file, kHeaderV2Bytes);
        QCOMPARE(sent.failedAt, -1);
        QCOMPARE(sent.records, 7);
        const auto &state = bench.device.state();
        QVERIFY(state.profile.applicationValid);
        QCOMPARE(state.profile.appVersionMajor, 9);
        QCOMPARE(state.firmware.flash[0].left(1300), options.image);
        const auto id = bench.bootloader(0x01, 0);
        QCOMPARE(int(std::uint8_t(id.payload[34]) & 1), 1); // application valid
        QCOMPARE(int(id.payload[43]), 9);
        QCOMPARE(int(bench.bootloader(0x09).status), 0);
        QCOMPARE(bench.device.mode(), DeviceMode::FSK);
    }

    // Erasing keeps the device busy: its reply comes only after the erase time.
    void eraseTakesItsTime()
    {
        DeviceBench bench(inBootloader(profiles::airplaneReceiver()));
        QVERIFY(bench.send(frames::buildBootloaderFrame(0x04, 0, QByteArray(520, '\0'))).empty());
        QVERIFY(bench.advance(39).empty());
        const auto replies = bench.advance(1);
        QCOMPARE(int(replies.size()), 1);
        QCOMPARE(int(replies[0].type), 0x89);
        QVERIFY(!bench.device.state().profile.applicationValid);
    }

    // Failures the device reports, by the record they hit. After a failure the application is
    // not valid (when the erase happened) and GO is refused; a new transfer succeeds.
    void failuresAreReported_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<int>("injectAt");
        QTest::addColumn<int>("injectCode");
        QTest::addColumn<int>("failedAt");
        QTest::addColumn<int>("code");
        QTest::newRow("injected write error")
            << int(sax::Damage::None) << 3 << int(Code::WriteError) << 2 << int(Code::WriteError);
        QTest::newRow("injected erase error")
            << int(sax::Damage::None) << 2 << int(Code::EraseError) << 1 << int(Code::EraseError);
        QTest::newRow("wrong product in file")
            << int(sax::Damage::WrongProductInFile) << 0 << 0 << 0 << int(Code::SaxWrongProduct);
        QTest::newRow("image CRC mismatch")
            << int(sax::Damage::BadImageCrc) << 0 << 0 << 5 << int(Code::CodeCorrupted);
    }
    void failuresAreReported()
    {
        QFETCH(int, damage);
        QFETCH(int, injectAt);
        QFETCH(int, injectCode);
        QFETCH(int, failedAt);
        QFETCH(int, code);
        DeviceProfile profile = inBootloader(profiles::airplaneReceiver());
        if (injectAt > 0)
            profile.firmwareFailure = devsim::FirmwareFailure{injectAt, Code(injectCode)};
        DeviceBench bench(profile);
        sax::Options options;
        options.imageBytes = 1024;
        options.damage = sax::Damage(damage);
        const Sent sent =
            sendRecords(bench, sax::writeFile(profile, options),
                        kHeaderV2Bytes - (damage == int(sax::Damage::WrongProductInFile) ? 1 : 0));
        QCOMPARE(sent.failedAt, failedAt);
        QCOMPARE(sent.code, code);
        if (failedAt >= 2) {
            QVERIFY(!bench.device.state().profile.applicationValid);
            QCOMPARE(frames::bootloaderStatusResult(bench.bootloader(0x09).status),
                     int(Code::CodeCorrupted));
        }
        // The failure was one-shot: the whole file again goes through.
        const Sent again =
            sendRecords(bench, sax::writeFile(profile, imageOptions(1024)), kHeaderV2Bytes);
        QCOMPARE(again.failedAt, -1);
        QVERIFY(bench.device.state().profile.applicationValid);
    }

    // Flash is written only where erased; a write out of range is refused.
    void flashWriteRules()
    {
        DeviceBench bench(inBootloader(profiles::airplaneReceiver()));
        const auto write = [&](std::uint32_t address, const QByteArray &bytes) {
            QByteArray data(520, '\0');
            for (int i = 0; i < 4; ++i)
                data[i] = char((address >> (8 * i)) & 0xFF);
            data[4] = char(bytes.size());
            data.replace(8, int(bytes.size()), bytes);
            return frames::bootloaderStatusResult(bench.bootloader(0x05, 0, data).status);
        };
        QCOMPARE(write(0, "abc"), 0);
        QCOMPARE(write(0, "abc"), 0); // the same bytes again
        QCOMPARE(write(0, "xyz"), int(Code::WriteError));
        QCOMPARE(write(512 * 1024 - 2, "abc"), int(Code::WriteBadAddress));
    }

    // Device 0 reports how many devices stand behind it; each of those answers with its own
    // identification and index; indexes beyond them get no reply.
    void auxiliaryIdentification()
    {
        DeviceBench bench(inBootloader(profiles::baseWithAuxiliaries()));
        const auto base = bench.bootloader(0x01, 0);
        QCOMPARE((std::uint8_t(base.payload[34]) >> 1) & 7, 2);
        QVERIFY(base.payload.startsWith("ZX-BASE-0001"));

        const auto first = bench.bootloader(0x01, 1);
        QCOMPARE(frames::bootloaderStatusDevice(first.status), 1);
        QVERIFY(first.payload.startsWith("ZX-AUX-0101"));
        QCOMPARE(int(std::uint8_t(first.payload[54])), 0x89);
        QCOMPARE(first.payload.mid(43, 3), QByteArray::fromHex("010402"));
        QCOMPARE((std::uint8_t(first.payload[34]) >> 1) & 7, 0);

        const auto second = bench.bootloader(0x01, 2);
        QCOMPARE(frames::bootloaderStatusDevice(second.status), 2);
        QCOMPARE(int(std::uint8_t(second.payload[54])), 0x8D);
        QVERIFY(bench.send(frames::buildBootloaderFrame(0x01, 3)).empty());
    }

    // Firmware for a device behind the base goes to that device only.
    void auxiliaryFirmware()
    {
        const DeviceProfile profile = inBootloader(profiles::baseWithAuxiliaries());
        DeviceBench bench(profile);
        const QByteArray file = sax::writeFile(0x8D, "ZX-AUX-0102", imageOptions(600));
        QCOMPARE(sendRecords(bench, file, kHeaderV2Bytes, 2).failedAt, -1);
        QCOMPARE(bench.device.state().auxiliaries[1].appVersionMajor, 9);
        QCOMPARE(bench.device.state().profile.appVersionMajor, profile.appVersionMajor);
        // The same file addressed to the base names the wrong product.
        QCOMPARE(sendRecords(bench, file, kHeaderV2Bytes, 0).code, int(Code::SaxWrongProduct));
    }

    // The writer's header and damage, as the host reads them.
    void writerDamage_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("size");
        QTest::newRow("whole") << int(sax::Damage::None)
                               << QByteArray("\x89SAX\r\n\x1a\n\x02\x00\x01\xd9", 12)
                               << kHeaderV2Bytes + 7 * 523;
        QTest::newRow("bad signature")
            << int(sax::Damage::BadSignature) << QByteArray("XSAX") << kHeaderV2Bytes + 7 * 523;
        QTest::newRow("not sax") << int(sax::Damage::NotSax) << QByteArray("\x89ZAX")
                                 << kHeaderV2Bytes + 7 * 523;
        QTest::newRow("version 3") << int(sax::Damage::BadVersion)
                                   << QByteArray("\x89SAX\r\n\x1a\n\x03", 9) << 12 + 7 * 523;
        QTest::newRow("truncated header")
            << int(sax::Damage::TruncatedHeader) << QByteArray("\x89SAX") << 11;
        QTest::newRow("truncated record") << int(sax::Damage::TruncatedRecord)
                                          << QByteArray("\x89SAX") << kHeaderV2Bytes + 7 * 523 - 1;
        QTest::newRow("wrong product")
            << int(sax::Damage::WrongProduct) << QByteArray("\x89SAX\r\n\x1a\n\x02\x00\x01\xda", 12)
            << kHeaderV2Bytes + 7 * 523;
    }
    void writerDamage()
    {
        QFETCH(int, damage);
        QFETCH(QByteArray, start);
        QFETCH(int, size);
        const QByteArray file =
            sax::writeFile(profiles::airplaneReceiver(), imageOptions(1300, sax::Damage(damage)));
        QVERIFY2(file.startsWith(start), file.left(12).toHex());
        QCOMPARE(int(file.size()), size);
    }

    // Version 1 has no serial field; a version 2 file may name its device.
    void writerHeaders()
    {
        const QByteArray v1 = sax::header(1, 1, QByteArray::fromHex("1213"));
        QCOMPARE(v1.mid(8), QByteArray::fromHex("01010212"
                                                "13"));
        const QByteArray v2 = sax::header(2, 0, {}, "SN1");
        QCOMPARE(int(v2.size()), 11 + 30);
        QCOMPARE(v2.mid(11, 4), QByteArray("SN1\0", 4));
        const QByteArray record = sax::record(0x05, "ab");
        QCOMPARE(int(record.size()), 523);
        // Checksum 0x0170 + 0x05 + 'a' + 'b', little-endian.
        QCOMPARE(record.right(2), QByteArray::fromHex("38 02"));
    }
};

ZX_REGISTER_TEST(BootloaderDeviceTest);
#include "test_bootloaderdevice.moc"
