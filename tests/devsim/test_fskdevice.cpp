#include "device/sectioncrc.h"
#include "devicebench.h"
#include "devsim/profiles.h"
#include "testregistry.h"

#include <QTest>

#include <utility>

using devsim::DeviceProfile;
namespace profiles = devsim::profiles;

namespace {

std::uint32_t u32At(const QByteArray &bytes, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(bytes[at + i]);
    return value;
}

QByteArray advRequest(std::uint8_t index, std::uint8_t target, int address, int count)
{
    QByteArray payload;
    payload.append(char(index)).append(char(target));
    payload.append(char(address & 0xFF)).append(char(address >> 8));
    payload.append(char(count & 0xFF)).append(char(count >> 8));
    return payload;
}

QByteArray advWrite(std::uint8_t index, std::uint8_t target, int address, const QByteArray &data)
{
    return advRequest(index, target, address, 0).left(4) + data;
}

// A parameter target with `count` small sections, for the table's paging.
DeviceProfile manySections(int count)
{
    DeviceProfile profile = profiles::airplaneReceiver();
    profile.targets = {{devsim::kParameterTarget, {}}};
    for (int id = 0; id < count; ++id)
        profile.targets[0].sections.push_back(
            {std::uint8_t(id), profiles::patternBytes(id, 10 + id)});
    return profile;
}

} // namespace

class FskDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    // The identification carries the parameter CRC, the product's low byte, versions, and the
    // capability byte and product high byte only where the device has them.
    void identification_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<bool>("sendsCapability");
        QTest::addColumn<int>("payloadBytes");
        QTest::addColumn<int>("capability");
        QTest::newRow("with capability byte") << 0xD9 << true << 10 << 0x0D;
        QTest::newRow("older firmware, none") << 0xD9 << false << 9 << -1;
        QTest::newRow("product above 255") << 0x1D9 << true << 11 << 0x0D;
        QTest::newRow("above 255 forces the byte") << 0x2D9 << false << 11 << 0;
    }
    void identification()
    {
        QFETCH(int, productCode);
        QFETCH(bool, sendsCapability);
        QFETCH(int, payloadBytes);
        QFETCH(int, capability);
        DeviceProfile profile = profiles::airplaneReceiver();
        profile.productCode = productCode;
        profile.sendsCapabilityByte = sendsCapability;
        profile.capabilityBits = 0x0D;
        profile.appVersionMajor = 3;
        profile.appVersionMinor = 7;
        DeviceBench bench(profile);

        const auto reply = bench.fsk(0x01);
        QCOMPARE(int(reply.type), 0x89);
        QCOMPARE(int(reply.payload.size()), payloadBytes);
        QCOMPARE(u32At(reply.payload, 0), sectionCrc(profile.targets[0].sections[0].contents));
        QCOMPARE(reply.payload.mid(4, 5), QByteArray::fromHex("d90307ff02"));
        if (capability >= 0)
            QCOMPARE(int(std::uint8_t(reply.payload[9])), capability);
        if (payloadBytes == 11)
            QCOMPARE(int(std::uint8_t(reply.payload[10])), productCode >> 8);
    }

    // A receiver updated to its second firmware generation reports its calibration progress,
    // as that generation does, whatever its profile started with.
    void laterFirmwareAddsCapabilities()
    {
        DeviceProfile profile = profiles::airplaneReceiver();
        profile.capabilityBits = 0x08;
        for (const auto &[major, expected] : {std::pair{1, 0x08}, std::pair{2, 0x09}}) {
            profile.appVersionMajor = major;
            DeviceBench bench(profile);
            const auto reply = bench.fsk(0x01);
            QCOMPARE(int(std::uint8_t(reply.payload[9])), expected);
        }
    }

    // Several sections: the identification's CRC covers them all, back to back and padded.
    void identificationCrcOfSeveralSections()
    {
        const DeviceProfile profile = profiles::trivorReceiver(profiles::Generation::Older);
        DeviceBench bench(profile);
        QByteArray all;
        for (const auto &section : profile.targets[0].sections)
            all += section.contents;
        QCOMPARE(u32At(bench.fsk(0x01).payload, 0), paddedSectionCrc(all));
    }

    void serialNumbers()
    {
        DeviceBench bench(profiles::trivorReceiver(profiles::Generation::Newer));
        const auto serial = bench.fsk(0x0B, QByteArray(32, '\0'));
        QCOMPARE(int(serial.type), 0x8B);
        QCOMPARE(int(serial.payload.size()), 32);
        QCOMPARE(serial.payload.mid(2), QByteArray("ZX-TV5-0001").leftJustified(30, '\0'));

        const auto faa = bench.fsk(0x1E, QByteArray(22, '\0'));
        QCOMPARE(int(faa.type), 0x9E);
        QCOMPARE(faa.payload.mid(2), QByteArray("FA3ZX0005551"));

        // Without an FAA number the reply is still long enough to be taken.
        DeviceBench plain(profiles::airplaneReceiver());
        QCOMPARE(plain.fsk(0x1E, QByteArray(22, '\0')).payload, QByteArray(8, '\0'));
    }

    // The index byte names section ((byte >> 1) & 0x1F) - 1; 0 addresses the target's
    // sections back to back in id order.
    void advancedReadBySection_data()
    {
        QTest::addColumn<int>("indexByte");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("expected");
        const DeviceProfile profile = profiles::trivorReceiver(profiles::Generation::Older);
        const auto &sections = profile.targets[0].sections;
        QTest::newRow("section 0")
            << 0x02 << 0 << 54 << sections[0].contents + QByteArray(22, char(0xFF));
        QTest::newRow("section 3 middle")
            << 0x08 << 1000 << 54 << sections[3].contents.mid(1000, 54);
        QTest::newRow("section 7 end")
            << 0x10 << 30 << 4 << sections[7].contents.mid(30, 2) + QByteArray(2, char(0xFF));
        QTest::newRow("no section: across 0 and 1")
            << 0x00 << 30 << 4 << sections[0].contents.mid(30, 2) + sections[1].contents.left(2);
        QTest::newRow("unknown section reads erased")
            << 0x14 << 0 << 3 << QByteArray(3, char(0xFF));
    }
    void advancedReadBySection()
    {
        QFETCH(int, indexByte);
        QFETCH(int, address);
        QFETCH(int, count);
        QFETCH(QByteArray, expected);
        DeviceBench bench(profiles::trivorReceiver(profiles::Generation::Older));
        const auto reply = bench.fsk(0x19, advRequest(std::uint8_t(indexByte), 0, address, count));
        QCOMPARE(int(reply.type), 0x99);
        QCOMPARE(reply.payload.left(2), QByteArray(1, char(address & 0xFF)) + char(address >> 8));
        QCOMPARE(reply.payload.mid(2), expected);
    }

    // Writes go to RAM, and only FLASH_SAVE makes them survive a power cycle.
    void flashSaveSurvivesPowerCycle()
    {
        const DeviceProfile profile = profiles::transmitter();
        DeviceBench bench(profile);
        const QByteArray patch = QByteArray::fromHex("a1a2a3");
        const auto readSystem = [&] {
            return bench.fsk(0x19, advRequest(0x02, 4, 10, 3)).payload.mid(2);
        };

        QCOMPARE(int(bench.fsk(0x18, advWrite(0x02, 4, 10, patch)).type), 0x98);
        QCOMPARE(readSystem(), patch);
        bench.powerCycle();
        QCOMPARE(readSystem(), profile.targets[1].sections[0].contents.mid(10, 3));

        bench.fsk(0x18, advWrite(0x02, 4, 10, patch));
        QCOMPARE(int(bench.fsk(0x07).type), 0x87);
        bench.powerCycle();
        QCOMPARE(readSystem(), patch);
        // The model memory on target 0 was not touched.
        QCOMPARE(bench.fsk(0x19, advRequest(0x02, 0, 10, 3)).payload.mid(2),
                 profile.targets[0].sections[0].contents.mid(10, 3));
    }

    // Plain read and write address the parameter target; what falls past its end is lost.
    void plainWriteThenRead()
    {
        DeviceBench bench(profiles::airplaneReceiver());
        const QByteArray memory = profiles::airplaneReceiver().targets[0].sections[0].contents;
        QCOMPARE(int(bench.fsk(0x03, QByteArray::fromHex("0007") + "xyz").type), 0x83);
        QCOMPARE(bench.fsk(0x0E, QByteArray::fromHex("ff06") + QByteArray(5, '\0')).payload,
                 QByteArray::fromHex("ff06") + memory.mid(0x6ff, 1) + "xyz" + memory.mid(0x703, 1));

        bench.fsk(0x03, QByteArray::fromHex("3f07") + "xyz");
        QCOMPARE(bench.fsk(0x0E, QByteArray::fromHex("3f07") + QByteArray(2, '\0')).payload,
                 QByteArray::fromHex("3f07") + "x" + QByteArray(1, char(0xFF)));
    }

    // The table is read page by page from a start index until a page lists nothing; each
    // entry is (target, id, size u16 LE).
    void sectionTablePaging_data()
    {
        QTest::addColumn<int>("sections");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("listed");
        QTest::newRow("first page full") << 20 << 0 << 14;
        QTest::newRow("rest") << 20 << 14 << 6;
        QTest::newRow("end") << 20 << 20 << 0;
        QTest::newRow("past the end") << 20 << 200 << 0;
        QTest::newRow("exactly one page") << 14 << 0 << 14;
    }
    void sectionTablePaging()
    {
        QFETCH(int, sections);
        QFETCH(int, start);
        QFETCH(int, listed);
        DeviceBench bench(manySections(sections));
        const auto reply = bench.fsk(0x1C, QByteArray(1, '\0') + char(start));
        QCOMPARE(int(reply.type), 0x9C);
        QCOMPARE(int(reply.payload.size()), 1 + 4 * listed);
        QCOMPARE(int(std::uint8_t(reply.payload[0])), listed);
        for (int i = 0; i < listed; ++i) {
            const int id = start + i;
            QCOMPARE(int(std::uint8_t(reply.payload[4 * i + 2])), id);
            QCOMPARE(std::uint8_t(reply.payload[4 * i + 3]) | std::uint8_t(reply.payload[4 * i + 4])
                                                                  << 8,
                     10 + id);
        }
    }

    // One CRC per requested id, in request order; CRCs follow what was written.
    void sectionCrcs()
    {
        const DeviceProfile profile = profiles::trivorReceiver(profiles::Generation::Newer);
        DeviceBench bench(profile);
        const auto &sections = profile.targets[0].sections;
        auto reply = bench.fsk(0x30, QByteArray::fromHex("00"
                                                         "0c"
                                                         "03"
                                                         "63"));
        QCOMPARE(int(reply.type), 0xB0);
        QCOMPARE(int(reply.payload.size()), 12);
        QCOMPARE(u32At(reply.payload, 0), sectionCrc(sections[12].contents));
        QCOMPARE(u32At(reply.payload, 4), sectionCrc(sections[3].contents));
        QCOMPARE(u32At(reply.payload, 8), kSectionCrcInitial); // no section 0x63

        bench.fsk(0x18, advWrite(0x1A, 0, 0, QByteArray(4, '\0')));
        QByteArray changed = sections[12].contents;
        changed.replace(0, 4, QByteArray(4, '\0'));
        reply = bench.fsk(0x30, QByteArray::fromHex("000c"));
        QCOMPARE(u32At(reply.payload, 0), sectionCrc(changed));
    }

    // Keep-alive, BOOTLOAD_MODE and the other one-byte exchanges; discovery gets no reply.
    void simpleCommands()
    {
        DeviceBench bench(profiles::airplaneReceiver());
        QCOMPARE(int(bench.fsk(0x0A).type), 0x8A);
        QCOMPARE(int(bench.fsk(0x12, QByteArray::fromHex("02")).payload.at(0)), 2);
        QCOMPARE(int(bench.fsk(0x12, QByteArray::fromHex("01")).payload.at(0)), 3);
        QCOMPARE(int(bench.fsk(0x12, QByteArray::fromHex("00")).payload.at(0)), 0);
        QVERIFY(bench.send(frames::buildFskFrame(0x21)).empty());
        QCOMPARE(int(bench.fsk(0x0C).type), 0x8C);
        QCOMPARE(bench.device.mode(), DeviceMode::Bootloader);
    }

    // The calibration read echoes (index, 0) and returns the six biases as i32 LE.
    void readCalibration()
    {
        DeviceBench bench(profiles::levelCalibrationReceiver());
        const auto reply = bench.fsk(0x11, QByteArray::fromHex("0004") + QByteArray(24, '\0'));
        QCOMPARE(int(reply.type), 0x91);
        QCOMPARE(reply.payload.left(2), QByteArray::fromHex("0400"));
        QCOMPARE(qint32(u32At(reply.payload, 2)), -7);         // accel Y
        QCOMPARE(qint32(u32At(reply.payload, 6)), 1003);       // accel Z
        QCOMPARE(reply.payload.right(4), QByteArray(4, '\0')); // past the six values
    }

    // TNC status data: outcome at byte 2 (1 passed, 255 failed), calibrated flag at byte 7,
    // progress at byte 8. A failed calibration needs a power cycle before it can run again.
    void calibrationFlow_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("passes") << false;
        QTest::newRow("fails") << true;
    }
    void calibrationFlow()
    {
        QFETCH(bool, fails);
        DeviceProfile profile = profiles::levelCalibrationReceiver();
        profile.calibration.durationMs = 1000;
        profile.calibration.fails = fails;
        DeviceBench bench(profile);
        const auto status = [&] { return bench.fsk(0x10).payload; };

        QByteArray s = status();
        QCOMPARE(int(s.size()), 11);
        QCOMPARE(int(s[1 + 2]), 0);
        QCOMPARE(int(s[1 + 7]), 0);
        QCOMPARE(int(bench.fsk(0x42).type), 0xC2);
        bench.advance(500);
        s = status();
        QCOMPARE(int(s[1 + 8]), 50);
        QCOMPARE(int(s[1 + 2]), 0);
        bench.advance(500);
        s = status();
        QCOMPARE(int(std::uint8_t(s[1 + 2])), fails ? 255 : 1);
        QCOMPARE(int(s[1 + 7]), fails ? 0 : 1);
        QCOMPARE(int(s[1 + 8]), fails ? 0 : 100);
        QCOMPARE(bool(std::uint8_t(s[0]) & devsim::kSensorTncStep), !fails);

        bench.fsk(0x42);
        bench.advance(1000);
        QCOMPARE(int(std::uint8_t(status()[1 + 2])), fails ? 255 : 1);
        bench.powerCycle();
        QCOMPARE(int(status()[1 + 2]), 0);
        QCOMPARE(int(status()[1 + 7]), fails ? 0 : 1); // the calibration is kept in flash
    }

    // Clearing the sensor TNC step (0x11 with a non-zero value) makes the device forget its
    // calibration.
    void clearingSensorStepForgetsCalibration()
    {
        DeviceBench bench(profiles::airplaneReceiver());
        QCOMPARE(int(bench.fsk(0x10).payload[1 + 7]), 1);
        QCOMPARE(int(bench.fsk(0x11, QByteArray::fromHex("0500")).type), 0x91);
        const QByteArray s = bench.fsk(0x10).payload;
        QCOMPARE(int(s[0]), 0x0A);
        QCOMPARE(int(s[1 + 7]), 0);
    }

    // A device without progress reporting calibrates by itself when it runs uncalibrated.
    void calibratesByItself()
    {
        DeviceProfile profile = profiles::levelCalibrationReceiver();
        profile.capabilityBits = 0;
        profile.calibration.startsByItself = true;
        profile.calibration.durationMs = 200;
        DeviceBench bench(profile);
        bench.advance(200);
        QCOMPARE(int(bench.fsk(0x10).payload[1 + 2]), 1);
    }
};

ZX_REGISTER_TEST(FskDeviceTest);
#include "test_fskdevice.moc"
