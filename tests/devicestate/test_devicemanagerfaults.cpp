// The device manager when identification goes wrong: every failure exit of both runs, devices
// no model class serves, restarts that fail, a link lost mid-run, and the manager or the
// connection destroyed while a run waits.
#include "devicemanagerrig.h"
#include "testregistry.h"

#include <QtTest>

using namespace devicemanagertest;

Q_DECLARE_METATYPE(devsim::DeviceProfile)
Q_DECLARE_METATYPE(DeviceMode)

namespace {

devsim::DeviceProfile named(const char *name)
{
    return *devsim::profiles::profileByName(QString::fromLatin1(name));
}

devsim::DeviceProfile inBootloader(devsim::DeviceProfile profile, int productCode = 0)
{
    profile.startMode = DeviceMode::Bootloader;
    if (productCode != 0)
        profile.productCode = productCode; // one no model class lists: the run stays there
    return profile;
}

constexpr int kUnlistedProduct = 0x55;

devsim::Fault drop(int atReply)
{
    return {devsim::FaultKind::Drop, atReply, -1};
}

QString box(DeviceManagerError error)
{
    return errorBox(deviceManagerErrorMessage(error));
}

QStringList failedRun(DeviceManagerError error, const QString &boxText)
{
    return {busyEvent(true), errorEvent(error), boxText, busyEvent(false)};
}

} // namespace

class DeviceManagerFaultTest : public QObject
{
    Q_OBJECT

private slots:
    // Each failing read ends its run: the error first, then its box, then the manager is idle;
    // no state change is announced. Reads after the serial number reset the state; a failed
    // identification and a failed look behind the base device leave it as it was.
    void failedReadEndsTheRun_data()
    {
        QTest::addColumn<devsim::DeviceProfile>("profile");
        QTest::addColumn<bool>("afterSuccessfulRun"); // the fault hits a second run
        QTest::addColumn<int>("droppedReply");
        QTest::addColumn<DeviceManagerError>("error");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<bool>("stateKept");

        using E = DeviceManagerError;
        // Replies of a run for the newer three-axis receiver: identification, serial, FAA
        // serial, two pages of the section table, CRCs.
        const devsim::DeviceProfile trivor = named("trivor-newer");
        QTest::newRow("identification")
            << trivor << true << 1 << E::IdReadFailed << box(E::IdReadFailed) << true;
        QTest::newRow("serial number")
            << trivor << true << 2 << E::SerialReadFailed << box(E::SerialReadFailed) << false;
        QTest::newRow("FAA serial number") << trivor << true << 3 << E::FaaSerialReadFailed
                                           << box(E::FaaSerialReadFailed) << false;
        QTest::newRow("section table, first page")
            << trivor << true << 4 << E::SectionsReadFailed << box(E::SectionsReadFailed) << false;
        QTest::newRow("section table, end")
            << trivor << true << 5 << E::SectionsReadFailed << box(E::SectionsReadFailed) << false;
        QTest::newRow("section CRCs") << trivor << true << 6 << E::SectionCrcsReadFailed
                                      << box(E::SectionCrcsReadFailed) << false;
        QTest::newRow("calibration state")
            << named("level-calibration-receiver") << true << 3 << E::CalibrationReadFailed
            << box(E::CalibrationReadFailed) << false;
        QTest::newRow("bootloader identification")
            << inBootloader(named("airplane-receiver"), kUnlistedProduct) << false << 1
            << E::SerialAndIdReadFailed << box(E::SerialAndIdReadFailed) << false;
        QTest::newRow("devices behind the base")
            << inBootloader(named("base-with-auxiliaries"), kUnlistedProduct) << false << 3
            << E::SerialAndIdReadFailed << errorBox(connectedDevicesReadFailedMessage()) << true;
    }
    void failedReadEndsTheRun()
    {
        QFETCH(devsim::DeviceProfile, profile);
        QFETCH(bool, afterSuccessfulRun);
        QFETCH(int, droppedReply);
        QFETCH(DeviceManagerError, error);
        QFETCH(QString, boxText);
        QFETCH(bool, stateKept);
        Rig rig(profile, Link::InProcess);
        if (afterSuccessfulRun) {
            QVERIFY(rig.open());
            QVERIFY(rig.waitForStateChanges());
            rig.events.clear();
            rig.simulator->addFault(drop(droppedReply));
            rig.manager->deviceModeChanged();
        } else {
            rig.simulator->addFault(drop(droppedReply));
            QVERIFY(rig.open());
        }
        QVERIFY(QTest::qWaitFor([&] { return rig.events.size() >= 4; }, kWaitMs));

        QCOMPARE(rig.events, failedRun(error, boxText));
        QCOMPARE(rig.manager->serialNumber().isEmpty(), !stateKept);
        if (!stateKept)
            QVERIFY(rig.manager->targetSections().isEmpty());
        QVERIFY(!rig.manager->knowsConnectedDevices());
        QVERIFY(!rig.manager->isBusy());
    }

    // A device no model class serves is still announced, then restarted into its bootloader
    // where it can be updated; the bootloader run keeps it there. These errors show no box.
    void deviceWithoutModelClassGoesToItsBootloader_data()
    {
        QTest::addColumn<devsim::DeviceProfile>("profile");
        QTest::addColumn<DeviceManagerError>("error");

        devsim::DeviceProfile protocolZero = named("airplane-receiver");
        protocolZero.fskProtocolVersion = 0;
        QTest::newRow("protocol version 0")
            << protocolZero << DeviceManagerError::NoModelClassProtocolZero;
        devsim::DeviceProfile protocolFour = named("trivor-newer");
        protocolFour.fskProtocolVersion = 4;
        QTest::newRow("protocol version 4") << protocolFour << DeviceManagerError::NoModelClass;
        devsim::DeviceProfile unlisted = named("airplane-receiver");
        unlisted.productCode = kUnlistedProduct;
        QTest::newRow("product no class lists") << unlisted << DeviceManagerError::NoModelClass;
        devsim::DeviceProfile otherVersion = named("trivor-newer");
        otherVersion.parameterVersion = 6;
        QTest::newRow("parameter version no class lists")
            << otherVersion << DeviceManagerError::NoModelClass;
    }
    void deviceWithoutModelClassGoesToItsBootloader()
    {
        QFETCH(devsim::DeviceProfile, profile);
        QFETCH(DeviceManagerError, error);
        Rig rig(profile, Link::InProcess);
        QVERIFY(rig.open());
        QVERIFY(rig.waitForStateChanges(2));

        QCOMPARE(rig.events,
                 (QStringList{busyEvent(true), errorEvent(error), busyEvent(false), kStateEvent,
                              busyEvent(true), busyEvent(false), kStateEvent}));
        QCOMPARE(rig.connection->mode(), DeviceMode::Bootloader);
        QVERIFY(!rig.manager->hasModelClass());
        QVERIFY(rig.manager->targetSections().isEmpty());
        // The application's identification survives the bootloader run of the same device.
        QCOMPARE(rig.manager->fskProtocolVersion(), std::optional<int>(profile.fskProtocolVersion));
    }

    // A restart the device refuses only reaches listeners: no box, and the link stays where
    // it was.
    void failedRestartOnlyReachesListeners_data()
    {
        QTest::addColumn<devsim::DeviceProfile>("profile");
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<QStringList>("events");

        using E = DeviceManagerError;
        devsim::DeviceProfile protocolZero = named("airplane-receiver");
        protocolZero.fskProtocolVersion = 0;
        QTest::newRow("into the bootloader")
            << protocolZero << DeviceMode::FSK
            << QStringList{busyEvent(true), errorEvent(E::NoModelClassProtocolZero),
                           busyEvent(false), kStateEvent, errorEvent(E::FskGoFailed)};
        // A new device the program knows is sent on into its application, so its bootloader
        // run announces nothing itself.
        QTest::newRow("into the application")
            << inBootloader(named("airplane-receiver")) << DeviceMode::Bootloader
            << QStringList{busyEvent(true), busyEvent(false), errorEvent(E::BootloaderGoFailed)};
    }
    void failedRestartOnlyReachesListeners()
    {
        QFETCH(devsim::DeviceProfile, profile);
        QFETCH(DeviceMode, mode);
        QFETCH(QStringList, events);
        devsim::CommandTable commands = devsim::standardCommandTable();
        commands.remove(devsim::Protocol::Fsk, devsim::fskcmd::kBootloadMode);
        commands.remove(devsim::Protocol::Bootloader, devsim::blcmd::kGo);
        Rig rig(profile, Link::InProcess, std::move(commands));
        QVERIFY(rig.open());
        QVERIFY(QTest::qWaitFor([&] { return rig.events.size() >= events.size(); }, kWaitMs));
        QCOMPARE(rig.events, events);
        QCOMPARE(rig.connection->mode(), mode);
    }

    // The device vanishes while a run waits for its reply, and the device-watch tick closes
    // the link. The state is cleared at once and the manager is idle again, each announced
    // once; the run, failing later, announces neither again.
    void linkLostWhileARunWaits_data()
    {
        QTest::addColumn<devsim::DeviceProfile>("profile");
        QTest::addColumn<int>("vanishesAtReply");
        QTest::addColumn<DeviceManagerError>("error");
        QTest::addColumn<QString>("boxText");

        QTest::newRow("application run, section table")
            << named("trivor-newer") << 4 << DeviceManagerError::SectionsReadFailed
            << box(DeviceManagerError::SectionsReadFailed);
        QTest::newRow("bootloader run, devices behind the base")
            << inBootloader(named("base-with-auxiliaries"), kUnlistedProduct) << 2
            << DeviceManagerError::SerialAndIdReadFailed
            << errorBox(connectedDevicesReadFailedMessage());
    }
    void linkLostWhileARunWaits()
    {
        QFETCH(devsim::DeviceProfile, profile);
        QFETCH(int, vanishesAtReply);
        QFETCH(DeviceManagerError, error);
        QFETCH(QString, boxText);
        // Long enough that only the closing link ends the command in flight.
        ConnectionTimings timings = quickTimings();
        timings.ackTimeoutMs = 20'000;
        Rig rig(profile, Link::InProcess, devsim::standardCommandTable(), timings);
        rig.simulator->addFault({devsim::FaultKind::Disconnect, vanishesAtReply, -1});
        QVERIFY(rig.open());
        QVERIFY(QTest::qWaitFor([&] { return !rig.simulator->isPresent(); }, kWaitMs));
        QVERIFY(!rig.manager->serialNumber().isEmpty());

        rig.connection->closeIfDeviceGone();
        QCOMPARE(rig.connection->mode(), DeviceMode::Unknown);
        QCOMPARE(rig.events, (QStringList{busyEvent(true), busyEvent(false), kStateEvent}));
        QVERIFY(rig.manager->serialNumber().isEmpty());
        QVERIFY(!rig.manager->knowsConnectedDevices());

        QVERIFY(rig.waitForEvent(errorEvent(error)));
        QCOMPARE(rig.events, (QStringList{busyEvent(true), busyEvent(false), kStateEvent,
                                          errorEvent(error), boxText}));
        QVERIFY(!rig.manager->isBusy());
        QVERIFY(rig.manager->serialNumber().isEmpty());
    }

    // A step can succeed after the link is gone: asking for no devices behind the base only
    // yields to the event loop. The run then stores nothing and announces nothing more about a
    // device that is no longer there.
    void runResumedAfterTheLinkWentStoresNothing()
    {
        Rig rig(inBootloader(named("airplane-receiver"), kUnlistedProduct), Link::InProcess);
        // Logged as the base device's identification arrives, before the run goes on: a
        // zero-delay close queued now runs before the run's own zero-delay step.
        QObject::connect(
            &rig.log, &Log::entryAdded, rig.connection.get(), [&](const LogEntry &entry) {
                if (entry.message.startsWith(QStringLiteral("  Num devices connected")))
                    QTimer::singleShot(0, rig.connection.get(), [&] { rig.connection->close(); });
            });
        QVERIFY(rig.open());
        QVERIFY(QTest::qWaitFor([&] { return !rig.connection->isOpen(); }, kWaitMs));
        QTest::qWait(100);

        QCOMPARE(rig.events, (QStringList{busyEvent(true), busyEvent(false), kStateEvent}));
        QVERIFY(!rig.manager->knowsConnectedDevices());
        QVERIFY(rig.manager->serialNumber().isEmpty());
    }

    // Whatever goes away while a run waits, the run ends without touching it: no error, no
    // box, no crash. A manager that outlives its connection is left idle.
    void runOutlivesWhatItWorksOn_data()
    {
        QTest::addColumn<bool>("managerGoes");
        QTest::newRow("manager destroyed") << true;
        QTest::newRow("connection destroyed") << false;
    }
    void runOutlivesWhatItWorksOn()
    {
        QFETCH(bool, managerGoes);
        Rig rig(named("trivor-newer"), Link::InProcess);
        // The identification reply comes late, so the run is surely waiting for it.
        rig.simulator->addFault({devsim::FaultKind::Delay, 1, 100});
        QVERIFY(rig.open());
        QVERIFY(rig.waitForEvent(busyEvent(true)));
        if (managerGoes)
            rig.manager.reset();
        else
            rig.connection.reset();
        QVERIFY(QTest::qWaitFor([&] { return rig.simulator->repliesSent() >= 1; }, kWaitMs));
        // Let the late reply, or the command's cancellation, reach the run.
        QTest::qWait(200);

        if (managerGoes) {
            QCOMPARE(rig.events, QStringList{busyEvent(true)});
        } else {
            QCOMPARE(rig.events, (QStringList{busyEvent(true), busyEvent(false)}));
            QVERIFY(rig.manager->serialNumber().isEmpty());
        }
    }

    // One flag, not a count: the first token to go ends the busy spell, and a state change
    // owed meanwhile is announced then, once. A lost link ends it too.
    void busyIsOneFlag()
    {
        Log log;
        Log::install(&log);
        ListModelClassRegistry registry;
        QStringList events;
        DeviceManager manager(nullptr, registry);
        QObject::connect(&manager, &DeviceManager::deviceBusyChanged, &manager,
                         [&] { events.append(busyEvent(manager.isBusy())); });
        QObject::connect(&manager, &DeviceManager::deviceStateChanged, &manager,
                         [&] { events.append(kStateEvent); });
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.entry(0).category, QStringLiteral("DeviceManager"));
        QCOMPARE(log.entry(0).message, QStringLiteral("Resetting state"));

        std::shared_ptr<DeviceBusy> first = DeviceBusy::take(&manager);
        std::shared_ptr<DeviceBusy> second = DeviceBusy::take(&manager);
        QCOMPARE(events, QStringList{busyEvent(true)});
        first.reset();
        QVERIFY(!manager.isBusy());
        second.reset();
        QCOMPARE(events, (QStringList{busyEvent(true), busyEvent(false)}));

        // Without a link the mode is Unknown: the state is cleared and announced once the
        // busy spell it ends is over.
        events.clear();
        std::shared_ptr<DeviceBusy> token = DeviceBusy::take(&manager);
        manager.deviceModeChanged();
        QCOMPARE(events, (QStringList{busyEvent(true), busyEvent(false), kStateEvent}));
        QVERIFY(!manager.stateChangePending());
        token.reset();
        QCOMPARE(events.size(), 3);
        Log::install(nullptr);
    }
};

ZX_REGISTER_TEST(DeviceManagerFaultTest);
#include "test_devicemanagerfaults.moc"
