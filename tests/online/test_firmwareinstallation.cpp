// The installation sequence against a simulated receiver: bootloader, transfer, and back to
// the application, identified afresh.
#include "app/log.h"
#include "app/messagepresenter.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
#include "devsim/simulateddevicestream.h"
#include "online/firmwareinstallation.h"
#include "testregistry.h"

#include <QTest>

#include <memory>

using Code = DeviceConnectionError;

namespace {

constexpr int kWaitMs = 10000;
const QString kResettingState = QStringLiteral("Resetting state");

class SilentPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity, const QString &title, const QString &text) override
    {
        messages.append(title + QStringLiteral(": ") + text);
    }
    QStringList messages;
};

// One airplane receiver behind the real connection and device manager, identified in its
// application.
struct Rig
{
    Log log;
    SilentPresenter presenter;
    MessagePresenter *previousPresenter = nullptr;
    ListModelClassRegistry registry{
        {{QStringLiteral("AirplaneRxModel"), -1, true, {{0xD9, 0xFF}}}}};
    devsim::DeviceProfile profile = fastProfile();
    std::shared_ptr<devsim::DeviceSimulator> simulator =
        std::make_shared<devsim::DeviceSimulator>(profile);
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<DeviceManager> manager;

    static devsim::DeviceProfile fastProfile()
    {
        devsim::DeviceProfile profile = devsim::profiles::airplaneReceiver();
        profile.eraseDurationMs = 20;
        return profile;
    }

    Rig()
    {
        Log::install(&log);
        previousPresenter = installMessagePresenter(&presenter);
        DeviceConnection::Options options;
        options.timings.ackTimeoutMs = 600;
        options.timings.inputResetMs = 400;
        options.timings.modeSwitchTimeoutMs = 1500;
        options.timings.announcementSettleMs = 20;
        options.timings.bootloaderGoTimeoutMs = 1000;
        options.enumerator = [](bool) { return DeviceConnection::StreamList(); };
        connection = std::make_unique<DeviceConnection>(options);
        manager = std::make_unique<DeviceManager>(connection.get(), registry);
    }

    ~Rig()
    {
        manager.reset();
        connection.reset();
        installMessagePresenter(previousPresenter);
        Log::install(nullptr);
    }

    [[nodiscard]] bool identify()
    {
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
        return waitForApplication(profile.appVersionMajor);
    }

    // The device runs its application and the manager has identified it at `major`.
    [[nodiscard]] bool waitForApplication(int major)
    {
        return QTest::qWaitFor(
            [&] {
                return connection->mode() == DeviceMode::FSK && !manager->isBusy() &&
                       manager->parameterVersion().has_value() &&
                       manager->appVersionMajor() == major;
            },
            kWaitMs);
    }

    [[nodiscard]] FirmwareInstallation::Request request(const devsim::sax::Options &options = {})
    {
        return {0, std::uint16_t(manager->productCode()), manager->serialNumber(),
                devsim::sax::writeFile(profile, options)};
    }

    [[nodiscard]] int resets() const
    {
        int count = 0;
        for (int i = 0; i < log.count(); ++i)
            count += log.entry(i).message == kResettingState ? 1 : 0;
        return count;
    }
};

// What an installation reported, in order.
struct Outcome
{
    explicit Outcome(FirmwareInstallation &installation)
    {
        QObject::connect(&installation, &FirmwareInstallation::switchedToBootloader, &installation,
                         [this](Code code) { switched.append(code); });
        QObject::connect(&installation, &FirmwareInstallation::progress, &installation,
                         [this](float fraction) { progress.append(fraction); });
        QObject::connect(&installation, &FirmwareInstallation::finished, &installation,
                         [this](Code code) { finished.append(code); });
    }
    [[nodiscard]] bool waitForFinished() const
    {
        return QTest::qWaitFor([&] { return !finished.isEmpty(); }, kWaitMs * 2);
    }

    QList<Code> switched;
    QList<float> progress;
    QList<Code> finished;
};

} // namespace

class FirmwareInstallationTest : public QObject
{
    Q_OBJECT

private slots:
    // The whole sequence: the switch is reported, the progress climbs to the end, and once
    // finished the device runs the new firmware and the manager knows its new version.
    void installsAndComesBackWithTheNewVersion()
    {
        Rig rig;
        QVERIFY(rig.identify());
        devsim::sax::Options options;
        options.appVersionMajor = 7;
        options.appVersionMinor = 3;

        FirmwareInstallation installation(*rig.manager, *rig.connection);
        const Outcome outcome(installation);
        const int resetsBefore = rig.resets();

        installation.start(rig.request(options));
        QVERIFY(installation.isRunning());
        QVERIFY(outcome.waitForFinished());
        QCOMPARE(outcome.switched, QList<Code>{Code::NoError});
        QCOMPARE(outcome.finished, QList<Code>{Code::NoError});
        QVERIFY(!installation.isRunning());
        QVERIFY(outcome.progress.size() > 2);
        QVERIFY(std::is_sorted(outcome.progress.begin(), outcome.progress.end()));
        QCOMPARE(outcome.progress.last(), 1.0f);
        QVERIFY(rig.resets() > resetsBefore);

        QVERIFY(rig.waitForApplication(7));
        QCOMPARE(rig.manager->appVersionMinor(), 3);
        QCOMPARE(outcome.finished.size(), 1);
        QVERIFY(rig.presenter.messages.isEmpty());
    }

    // A file the device refuses ends the transfer with the device's verdict; the device is
    // still sent back to its application, where it runs the old firmware.
    void aRefusedFileStillSwitchesBack()
    {
        Rig rig;
        QVERIFY(rig.identify());
        devsim::sax::Options options;
        options.damage = devsim::sax::Damage::WrongProductInFile;
        options.appVersionMajor = 7;

        FirmwareInstallation installation(*rig.manager, *rig.connection);
        const Outcome outcome(installation);
        installation.start(rig.request(options));
        QVERIFY(outcome.waitForFinished());
        QCOMPARE(outcome.switched, QList<Code>{Code::NoError});
        QCOMPARE(outcome.finished, QList<Code>{Code::SaxWrongProduct});
        QVERIFY(rig.waitForApplication(rig.profile.appVersionMajor));
    }

    // A switch that cannot even start (another one is under way) is reported twice, and
    // nothing is reset or switched back: the device goes where the other switch takes it.
    void aFailedSwitchSwitchesNothingBack()
    {
        Rig rig;
        QVERIFY(rig.identify());
        rig.connection->switchToMode(DeviceMode::Bootloader, [](Code) {});
        QVERIFY(QTest::qWaitFor([&] { return rig.connection->mode() == DeviceMode::Switching; },
                                kWaitMs));
        const int resetsBefore = rig.resets();

        FirmwareInstallation installation(*rig.manager, *rig.connection);
        const Outcome outcome(installation);
        installation.start(rig.request());
        QVERIFY(outcome.waitForFinished());
        QCOMPARE(outcome.switched, QList<Code>{Code::InvalidState});
        QCOMPARE(outcome.finished, QList<Code>{Code::InvalidState});
        QVERIFY(!installation.isRunning());

        // The other switch ends in the bootloader, and the manager identifies the device
        // there; a switch back would have left the bootloader again.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return rig.connection->mode() == DeviceMode::Bootloader && !rig.manager->isBusy() &&
                       rig.manager->appVersionRelease().has_value();
            },
            kWaitMs));
        QCOMPARE(rig.connection->mode(), DeviceMode::Bootloader);
        QCOMPARE(rig.resets(), resetsBefore);
        QVERIFY(outcome.progress.isEmpty());
        QCOMPARE(outcome.finished.size(), 1);
    }

    // An installation deleted while the file is on its way leaves its completions nothing to
    // touch; the device still gets its firmware and is sent back to its application.
    void deletedDuringTheTransferStillSwitchesBack()
    {
        Rig rig;
        QVERIFY(rig.identify());
        devsim::sax::Options options;
        options.appVersionMajor = 6;

        auto *installation = new FirmwareInstallation(*rig.manager, *rig.connection);
        connect(installation, &FirmwareInstallation::progress, installation,
                [installation](float) { installation->deleteLater(); });
        const QPointer<FirmwareInstallation> watched(installation);
        installation->start(rig.request(options));
        QVERIFY(QTest::qWaitFor([&] { return watched.isNull(); }, kWaitMs));
        QVERIFY(rig.waitForApplication(6));
    }

    // Without a connection the outcome still comes, from the event loop.
    void aVanishedConnectionIsReported()
    {
        Rig rig;
        auto connection = std::make_unique<DeviceConnection>();
        FirmwareInstallation installation(*rig.manager, *connection);
        connection.reset();
        const Outcome outcome(installation);
        installation.start({});
        QVERIFY(outcome.finished.isEmpty());
        QVERIFY(outcome.waitForFinished());
        QCOMPARE(outcome.switched, QList<Code>{Code::InvalidState});
        QCOMPARE(outcome.finished, QList<Code>{Code::InvalidState});
        QVERIFY(!installation.isRunning());
    }
};

ZX_REGISTER_TEST(FirmwareInstallationTest);
#include "test_firmwareinstallation.moc"
