#include "devsim/profilejson.h"
#include "devsim/profiles.h"
#include "testregistry.h"

#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using devsim::DeviceProfile;
namespace profiles = devsim::profiles;

namespace {

int totalBytes(const devsim::ProfileTarget &target)
{
    return std::accumulate(target.sections.begin(), target.sections.end(), 0,
                           [](int sum, const auto &s) { return sum + int(s.contents.size()); });
}

} // namespace

class ProfilesTest : public QObject
{
    Q_OBJECT

private slots:
    // Each named profile: its product, and per target the section count and total size.
    void namedProfiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QList<int>>("targetSectionsBytes"); // target, sections, bytes, ...
        QTest::newRow("airplane") << "airplane-receiver" << 0xD9 << 0xFF << QList<int>{0, 1, 1856};
        QTest::newRow("trivor older") << "trivor-older" << 0x83 << 4 << QList<int>{0, 8, 3062};
        QTest::newRow("trivor newer") << "trivor-newer" << 0x83 << 5 << QList<int>{0, 13, 4528};
        QTest::newRow("transmitter")
            << "transmitter" << 0xEF << 1 << QList<int>{0, 1, 1564, 4, 1, 64};
        QTest::newRow("stabiliser box") << "stabiliser-box" << 0x3A << 0 << QList<int>{0, 1, 1900};
        QTest::newRow("calibration")
            << "level-calibration-receiver" << 0xD9 << 0xFF << QList<int>{0, 1, 1856};
        QTest::newRow("base") << "base-with-auxiliaries" << 0x6A << 0 << QList<int>{0, 1, 256};
    }
    void namedProfiles()
    {
        QFETCH(QString, name);
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(QList<int>, targetSectionsBytes);
        const auto profile = profiles::profileByName(name);
        QVERIFY(profile);
        QCOMPARE(profile->productCode, productCode);
        QCOMPARE(profile->parameterVersion, parameterVersion);
        QCOMPARE(int(profile->targets.size()) * 3, int(targetSectionsBytes.size()));
        for (int i = 0; i < int(profile->targets.size()); ++i) {
            QCOMPARE(int(profile->targets[i].target), targetSectionsBytes[3 * i]);
            QCOMPARE(int(profile->targets[i].sections.size()), targetSectionsBytes[3 * i + 1]);
            QCOMPARE(totalBytes(profile->targets[i]), targetSectionsBytes[3 * i + 2]);
        }
    }

    // A file starts from a named profile and changes what it lists.
    void loadsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rx.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({
            "base": "transmitter", "name": "my tx", "productCode": "0x1EF",
            "appVersion": [4, 2, 1], "capabilityBits": 8, "sendsCapabilityByte": false,
            "startMode": "bootloader",
            "targets": [{"target": 0, "sections": [{"id": 3, "size": 4, "fill": 170},
                                                   {"id": 5, "hex": "0102"}]}],
            "auxiliaryDevices": [{"serialNumber": "AUX", "productCode": 137}],
            "calibration": {"calibrated": false, "durationMs": 10},
            "firmwareFailure": {"atRecord": 3, "code": 3}
        })");
        file.close();

        const auto loaded = devsim::loadProfileFile(path);
        QVERIFY2(loaded, qPrintable(loaded.error()));
        QCOMPARE(loaded->name, QString("my tx"));
        QCOMPARE(loaded->productCode, 0x1EF);
        QCOMPARE(loaded->appVersionMinor, 2);
        QCOMPARE(loaded->startMode, DeviceMode::Bootloader);
        QVERIFY(!loaded->sendsCapabilityByte);
        QCOMPARE(loaded->serialNumber, QByteArray("ZX-TX-0001")); // from the base
        QCOMPARE(int(loaded->targets.size()), 1);
        QCOMPARE(loaded->targets[0].sections[0].contents, QByteArray(4, char(0xAA)));
        QCOMPARE(loaded->targets[0].sections[1].contents, QByteArray::fromHex("0102"));
        QCOMPARE(loaded->auxiliaryDevices[0].productCode, 137);
        QVERIFY(!loaded->calibration.calibrated);
        QCOMPARE(loaded->firmwareFailure->atRecord, 3);
        QCOMPARE(loaded->firmwareFailure->code, DeviceConnectionError::EraseError);
    }

    // Every refusal names where the fault is.
    void badFilesAreRefusedClearly_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << QByteArray("{\"name\": ") << "not valid JSON at offset";
        QTest::newRow("array") << QByteArray("[]") << "expected a JSON object";
        QTest::newRow("unknown key")
            << QByteArray(R"({"productcode": 5})") << "profile: unknown key \"productcode\"";
        QTest::newRow("unknown base")
            << QByteArray(R"({"base": "toaster"})") << "profile.base: no profile named \"toaster\"";
        QTest::newRow("out of range") << QByteArray(R"({"parameterVersion": 300})")
                                      << "profile.parameterVersion: must be between 0 and 255";
        QTest::newRow("not a number") << QByteArray(R"({"productCode": "0xZZ"})")
                                      << "profile.productCode: expected an integer";
        QTest::newRow("section size")
            << QByteArray(R"({"targets": [{"target": 0, "sections": [{"id": 1, "size": 0}]}]})")
            << "profile.targets[0].sections[0].size: must be between 1 and 65535";
        QTest::newRow("bad mode") << QByteArray(R"({"startMode": "fsk"})")
                                  << "profile.startMode: expected";
    }
    void badFilesAreRefusedClearly()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        const auto loaded = devsim::profileFromJson(json);
        QVERIFY(!loaded);
        QVERIFY2(loaded.error().contains(message), qPrintable(loaded.error()));
    }

    void missingFileIsRefused()
    {
        const auto loaded = devsim::loadProfileFile("/nonexistent/profile.json");
        QVERIFY(!loaded);
        QVERIFY(loaded.error().startsWith("/nonexistent/profile.json: cannot read"));
    }
};

ZX_REGISTER_TEST(ProfilesTest);
#include "test_profiles.moc"
