// The device manager identifying simulated devices through the real connection: the
// application first, the bootloader first, and a USB CDC device that must be restarted into
// its bootloader once to learn what stands behind it.
#include "device/sectioncrc.h"
#include "devicemanagerrig.h"
#include "testregistry.h"

#include <QtTest>

using namespace devicemanagertest;

Q_DECLARE_METATYPE(devsim::DeviceProfile)

namespace {

constexpr std::uint8_t kCalibrationProgressBit = 0x01;
constexpr std::uint8_t kFaaSerialBit = 0x04;
constexpr std::uint8_t kSectionCrcsBit = 0x08;
constexpr int kAbsent = -1;

int fromOptional(std::optional<bool> value)
{
    return value ? int(*value) : kAbsent;
}

// Serial numbers keep their whole 30-character field, NUL padding included.
QString serialField(const QByteArray &serial)
{
    const QByteArray field = serial.leftJustified(30, '\0');
    return QString::fromLatin1(field.constData(), int(field.size()));
}

devsim::DeviceProfile named(const char *name)
{
    return *devsim::profiles::profileByName(QString::fromLatin1(name));
}

// What the device's parameter target holds: its sections in table order, with the CRC the
// device computes over each.
QList<SectionMetadata> sectionsOf(const devsim::DeviceProfile &profile, bool withCrcs)
{
    QList<SectionMetadata> sections;
    for (const devsim::ProfileTarget &target : devsim::effectiveTargets(profile)) {
        if (target.target != devsim::kParameterTarget)
            continue;
        for (const devsim::ProfileSection &section : target.sections) {
            SectionMetadata entry{section.id, std::uint16_t(section.contents.size()), {}};
            if (withCrcs)
                entry.crc = sectionCrc(section.contents);
            sections.append(entry);
        }
    }
    return sections;
}

QList<ConnectedDevice> devicesBehind(const devsim::DeviceProfile &profile)
{
    QList<ConnectedDevice> devices;
    for (int index = 1; index <= devsim::auxiliaryCount(profile); ++index) {
        const devsim::AuxiliaryDevice device = devsim::auxiliaryDevice(profile, index);
        devices.append({device.appVersionMajor, device.appVersionMinor, device.appVersionRelease,
                        device.productCode, serialField(device.serialNumber), QString()});
    }
    return devices;
}

std::uint32_t parameterCrcOf(devsim::DeviceSimulator &simulator)
{
    return simulator.withDevice(
        [](devsim::SimulatedDevice &device) { return device.state().memory.parameterCrc(); });
}

devsim::DeviceProfile startingInBootloader(devsim::DeviceProfile profile)
{
    profile.startMode = DeviceMode::Bootloader;
    return profile;
}

} // namespace

class DeviceManagerIdentificationTest : public QObject
{
    Q_OBJECT

private slots:
    // A device met in its application over the cable is identified in one run: everything its
    // identification announces is read, nothing it does not announce is asked for, and the
    // listeners see busy, idle and one state change.
    void identifiesADeviceInItsApplication_data()
    {
        QTest::addColumn<devsim::DeviceProfile>("profile");
        QTest::addColumn<bool>("readsSections");
        QTest::addColumn<int>("canReadCalibration");
        QTest::addColumn<int>("isCalibrated");

        QTest::newRow("airplane receiver") << named("airplane-receiver") << true << 0 << kAbsent;
        QTest::newRow("sections with CRCs") << named("trivor-older") << true << 0 << kAbsent;
        QTest::newRow("FAA serial, sections with CRCs")
            << named("trivor-newer") << true << 0 << kAbsent;
        QTest::newRow("transmitter") << named("transmitter") << true << 0 << kAbsent;
        QTest::newRow("class without device sections")
            << named("base-with-auxiliaries") << false << 0 << kAbsent;
        QTest::newRow("needs calibration") << named("level-calibration-receiver") << true << 1 << 0;
        devsim::DeviceProfile calibrated = named("level-calibration-receiver");
        calibrated.calibration.calibrated = true;
        QTest::newRow("calibrated") << calibrated << true << 1 << 1;
        // Older firmware sends no capability byte: whatever the device could do, nothing of it
        // is asked for.
        devsim::DeviceProfile older = named("trivor-newer");
        older.capabilityBits = kCalibrationProgressBit | kFaaSerialBit | kSectionCrcsBit;
        older.sendsCapabilityByte = false;
        QTest::newRow("no capability byte") << older << true << kAbsent << kAbsent;
    }
    void identifiesADeviceInItsApplication()
    {
        QFETCH(devsim::DeviceProfile, profile);
        QFETCH(bool, readsSections);
        QFETCH(int, canReadCalibration);
        QFETCH(int, isCalibrated);
        Rig rig(profile);
        QVERIFY(rig.open());
        QVERIFY(rig.waitForStateChanges());

        const DeviceManager &manager = *rig.manager;
        const bool announced = profile.sendsCapabilityByte;
        const bool hasFaa = announced && (profile.capabilityBits & kFaaSerialBit);
        const bool withCrcs = announced && (profile.capabilityBits & kSectionCrcsBit);
        QCOMPARE(rig.events, (QStringList{busyEvent(true), busyEvent(false), kStateEvent}));
        QCOMPARE(manager.serialNumber(), serialField(profile.serialNumber));
        QCOMPARE(manager.faaSerialNumber(),
                 hasFaa ? QString::fromLatin1(profile.faaSerialNumber) : QString());
        QCOMPARE(manager.productCode(), profile.productCode);
        QCOMPARE(manager.appVersionMajor(), profile.appVersionMajor);
        QCOMPARE(manager.appVersionMinor(), profile.appVersionMinor);
        QCOMPARE(manager.appVersionRelease(), std::nullopt);
        QCOMPARE(manager.parameterVersion(), std::optional<int>(profile.parameterVersion));
        QCOMPARE(manager.fskProtocolVersion(), std::optional<int>(profile.fskProtocolVersion));
        QCOMPARE(manager.parameterCrc(), parameterCrcOf(*rig.simulator));
        QCOMPARE(fromOptional(manager.canReadCalibration()), canReadCalibration);
        QCOMPARE(fromOptional(manager.isCalibrated()), isCalibrated);
        QCOMPARE(manager.appState(), 1);
        QVERIFY(manager.hasModelClass());
        QCOMPARE(manager.targetSections(),
                 readsSections ? sectionsOf(profile, withCrcs) : QList<SectionMetadata>());
        // Over the cable the devices behind are never asked for, so no restart either.
        QVERIFY(!manager.knowsConnectedDevices());
        QVERIFY(!manager.goSent());
        QCOMPARE(rig.modes, QList<DeviceMode>{DeviceMode::FSK});
    }

    // A device met in its bootloader is identified there together with the devices behind it.
    // It is sent on into its application only when it is new, some model class lists its
    // product and its application is valid; then the application run completes the state.
    void identifiesADeviceInItsBootloader_data()
    {
        QTest::addColumn<devsim::DeviceProfile>("profile");
        QTest::addColumn<bool>("startsApplication");
        QTest::addColumn<int>("appState");

        devsim::DeviceProfile receiver = startingInBootloader(named("airplane-receiver"));
        receiver.appVersionRelease = 7;
        QTest::newRow("listed, valid application") << receiver << true << 1;
        QTest::newRow("with devices behind it")
            << startingInBootloader(named("base-with-auxiliaries")) << true << 1;
        devsim::DeviceProfile unlisted = receiver;
        unlisted.productCode = 0x55;
        QTest::newRow("product no class lists") << unlisted << false << 1;
        devsim::DeviceProfile invalid = receiver;
        invalid.applicationValid = false;
        QTest::newRow("no valid application") << invalid << false << 2;
        // An old bootloader cannot tell whether the application is valid.
        devsim::DeviceProfile old = receiver;
        old.bootloaderLevel = 1;
        QTest::newRow("application state unknown") << old << false << 0;
    }
    void identifiesADeviceInItsBootloader()
    {
        QFETCH(devsim::DeviceProfile, profile);
        QFETCH(bool, startsApplication);
        QFETCH(int, appState);
        Rig rig(profile);
        QVERIFY(rig.open());
        QVERIFY(rig.waitForStateChanges());

        const DeviceManager &manager = *rig.manager;
        QCOMPARE(manager.serialNumber(), serialField(profile.serialNumber));
        QCOMPARE(manager.productCode(), profile.productCode);
        QCOMPARE(manager.appVersionMajor(), profile.appVersionMajor);
        QCOMPARE(manager.appVersionMinor(), profile.appVersionMinor);
        // The application run keeps the release while the major and minor versions agree.
        QCOMPARE(manager.appVersionRelease(), std::optional<int>(profile.appVersionRelease));
        QVERIFY(manager.knowsConnectedDevices());
        QCOMPARE(manager.connectedDevices(), devicesBehind(profile));
        QVERIFY(!manager.goSent());
        if (startsApplication) {
            // The bootloader run owes no state change of its own: only the application's.
            QCOMPARE(rig.events, (QStringList{busyEvent(true), busyEvent(false), busyEvent(true),
                                              busyEvent(false), kStateEvent}));
            QCOMPARE(rig.modes, (QList<DeviceMode>{DeviceMode::Bootloader, DeviceMode::Switching,
                                                   DeviceMode::FSK}));
            QCOMPARE(manager.parameterVersion(), std::optional<int>(profile.parameterVersion));
            QVERIFY(manager.hasModelClass());
        } else {
            QCOMPARE(rig.events, (QStringList{busyEvent(true), busyEvent(false), kStateEvent}));
            QCOMPARE(rig.modes, QList<DeviceMode>{DeviceMode::Bootloader});
            QCOMPARE(manager.parameterVersion(), std::nullopt);
            QCOMPARE(manager.fskProtocolVersion(), std::nullopt);
            QVERIFY(!manager.hasModelClass());
        }
        QCOMPARE(manager.appState(), appState);
    }

    // Over USB CDC only the bootloader tells what stands behind a device. Met in its
    // application, the device is restarted into its bootloader once, sent back, and only the
    // second application run reads the sections; listeners see a single state change.
    void usbCdcDeviceLearnsItsDevicesThroughOneRestart()
    {
        devsim::DeviceProfile profile = named("trivor-newer");
        profile.auxiliaryDeviceCount = 1;
        Rig rig(profile, Link::UsbCdc);
        QVERIFY(rig.open());
        QVERIFY(rig.waitForStateChanges());

        QCOMPARE(rig.modes,
                 (QList<DeviceMode>{DeviceMode::FSK, DeviceMode::Switching, DeviceMode::Bootloader,
                                    DeviceMode::Switching, DeviceMode::FSK}));
        QCOMPARE(rig.events,
                 (QStringList{busyEvent(true), busyEvent(false), busyEvent(true), busyEvent(false),
                              busyEvent(true), busyEvent(false), kStateEvent}));
        const DeviceManager &manager = *rig.manager;
        QCOMPARE(manager.connectedDevices(), devicesBehind(profile));
        QVERIFY(!manager.goSent());
        QCOMPARE(manager.faaSerialNumber(), QString::fromLatin1(profile.faaSerialNumber));
        QCOMPARE(manager.targetSections(), sectionsOf(profile, true));
        // Identified again in the same mode, the device needs no second restart.
        rig.manager->deviceModeChanged();
        QVERIFY(rig.waitForStateChanges(2));
        QCOMPARE(rig.modes.size(), 5);
        QCOMPARE(manager.targetSections(), sectionsOf(profile, true));
    }

    // Identified again, the same device keeps what the bootloader told (the release, the
    // devices behind it) only while its application version stays; another serial number
    // starts from nothing.
    void reidentificationKeepsOnlyWhatStillHolds()
    {
        devsim::DeviceProfile profile = startingInBootloader(named("airplane-receiver"));
        profile.appVersionRelease = 4;
        Rig rig(profile);
        QVERIFY(rig.open());
        QVERIFY(rig.waitForStateChanges());
        QCOMPARE(rig.manager->appVersionRelease(), std::optional<int>(4));

        rig.simulator->withDevice(
            [](devsim::SimulatedDevice &device) { device.state().profile.appVersionMinor += 1; });
        rig.manager->deviceModeChanged();
        QVERIFY(rig.waitForStateChanges(2));
        QCOMPARE(rig.manager->appVersionMinor(), profile.appVersionMinor + 1);
        QCOMPARE(rig.manager->appVersionRelease(), std::nullopt);
        QVERIFY(rig.manager->knowsConnectedDevices());

        rig.simulator->withDevice([](devsim::SimulatedDevice &device) {
            device.state().profile.serialNumber = QByteArrayLiteral("ZX-RX-0999");
        });
        rig.manager->deviceModeChanged();
        QVERIFY(rig.waitForStateChanges(3));
        QCOMPARE(rig.manager->serialNumber(), serialField("ZX-RX-0999"));
        QVERIFY(!rig.manager->knowsConnectedDevices());
        QCOMPARE(rig.manager->targetSections(), sectionsOf(profile, false));
    }
};

ZX_REGISTER_TEST(DeviceManagerIdentificationTest);
#include "test_devicemanager.moc"
