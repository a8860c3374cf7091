// The program's own connection against the simulated device: both ends of the protocols as
// they will meet in use.
#include "app/log.h"
#include "device/deviceconnection.h"
#include "device/sectioncrc.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
#include "devsim/simulateddevicestream.h"
#include "testregistry.h"

#include <QTest>

#include <memory>

using Code = DeviceConnectionError;
namespace profiles = devsim::profiles;

namespace {

constexpr int kWaitMs = 10000;

template <typename T> Expected<T> finish(const Task<T> &task)
{
    if (!QTest::qWaitFor([&] { return task.isReady(); }, kWaitMs))
        return Unexpected(Code::NoReply);
    return task.result();
}

// A connection to a simulated device of `profile`, once the device has announced itself.
struct Link
{
    Log log;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::unique_ptr<DeviceConnection> connection;

    explicit Link(devsim::DeviceProfile profile)
    {
        Log::install(&log);
        const DeviceMode start = devsim::powerUpMode(profile);
        simulator = std::make_shared<devsim::DeviceSimulator>(std::move(profile));
        connection = std::make_unique<DeviceConnection>();
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
        ready = QTest::qWaitFor([&] { return connection->mode() == start; }, kWaitMs);
    }
    ~Link()
    {
        connection.reset();
        Log::install(nullptr);
    }
    bool ready = false;
};

} // namespace

class ConnectionAgainstDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    // What the device manager and the device memory do with a multi-section receiver: the
    // section table over one page, the CRCs, a whole section read, a write saved to flash.
    void sectionsOfMultiSectionReceiver()
    {
        const auto profile = profiles::trivorReceiver(profiles::Generation::Newer);
        Link link(profile);
        QVERIFY(link.ready);
        const auto &sections = profile.targets[0].sections;

        const auto table =
            finish(link.connection->fskGetTargetSections(FlashTarget::ParameterMemory));
        QVERIFY(table.has_value());
        QCOMPARE(int(table->size()), 13);
        QList<std::uint8_t> ids;
        for (int i = 0; i < 13; ++i) {
            QCOMPARE(int(table->at(i).section), i);
            QCOMPARE(int(table->at(i).size), int(sections[i].contents.size()));
            ids << std::uint8_t(i);
        }
        const auto crcs =
            finish(link.connection->fskGetSectionCrcs(FlashTarget::ParameterMemory, ids));
        QVERIFY(crcs.has_value());
        QCOMPARE(crcs->at(12), sectionCrc(sections[12].contents));

        auto read = std::make_shared<QByteArray>();
        auto code = std::make_shared<std::optional<Code>>();
        link.connection->fskAdvRead(FlashTarget::ParameterMemory, 3, 0, 2468, nullptr,
                                    [read, code](Code c, const QByteArray &bytes) {
                                        *code = c;
                                        *read = bytes;
                                    });
        QVERIFY(QTest::qWaitFor([&] { return code->has_value(); }, kWaitMs));
        QCOMPARE(**code, Code::NoError);
        QCOMPARE(*read, sections[3].contents);

        const QByteArray settings(200, char(0x5A));
        code->reset();
        link.connection->fskAdvWrite(FlashTarget::ParameterMemory, 4, 10, settings, nullptr,
                                     [code](Code c) { *code = c; });
        QVERIFY(QTest::qWaitFor([&] { return code->has_value(); }, kWaitMs));
        QCOMPARE(**code, Code::NoError);
        code->reset();
        link.connection->fskSave([code](Code c) { *code = c; });
        QVERIFY(QTest::qWaitFor([&] { return code->has_value(); }, kWaitMs));
        QCOMPARE(**code, Code::NoError);
        const QByteArray flash = link.simulator->withDevice([](devsim::SimulatedDevice &device) {
            return device.state().memory.section(0, 4)->flash;
        });
        QCOMPARE(flash.mid(10, 200), settings);
    }

    // A base device in its bootloader: it and the devices behind it are identified, a
    // writer-made file goes through; a failure the device reports ends the transfer with its
    // code, and the next transfer starts afresh and succeeds.
    void bootloaderIdentificationAndFirmware()
    {
        auto profile = profiles::baseWithAuxiliaries();
        profile.startMode = DeviceMode::Bootloader;
        profile.eraseDurationMs = 50;
        Link link(profile);
        QVERIFY(link.ready);

        const auto base = finish(link.connection->idRequestAsync(0));
        QVERIFY(base.has_value());
        QCOMPARE(int((*base)->numDevicesConnected), 2);
        QCOMPARE((*base)->appState, 1);
        const auto behind = finish(link.connection->connectedDevicesIdAsync(2));
        QVERIFY(behind.has_value());
        QCOMPARE(int(behind->size()), 2);
        QVERIFY(behind->at(0)->serialNumber.startsWith("ZX-AUX-0101"));
        QCOMPARE(behind->at(1)->appProductCode, 0x8D);

        devsim::sax::Options options;
        options.imageBytes = 20 * 1024;
        QByteArray file = devsim::sax::writeFile(profile, options);
        const auto send = [&] {
            auto code = std::make_shared<std::optional<Code>>();
            auto progress = std::make_shared<float>(0);
            link.connection->sendSaxFile(
                0, file, std::uint16_t(profile.productCode), (*base)->serialNumber,
                [progress](float p) { *progress = p; }, [code](Code c) { *code = c; });
            if (!QTest::qWaitFor([&] { return code->has_value(); }, kWaitMs * 3))
                return std::pair{Code::NoReply, *progress};
            return std::pair{**code, *progress};
        };

        link.simulator->withDevice([](devsim::SimulatedDevice &device) {
            device.state().armFirmwareFailure({10, Code::WriteError});
        });
        const auto [failed, failedProgress] = send();
        QCOMPARE(failed, Code::WriteError);
        QVERIFY(failedProgress < 1.0f);

        const auto [code, progress] = send();
        QCOMPARE(code, Code::NoError);
        QCOMPARE(progress, 1.0f);
        const auto after = finish(link.connection->idRequestAsync(0));
        QVERIFY(after.has_value());
        QCOMPARE((*after)->appVersionMajor, options.appVersionMajor);
        QCOMPARE((*after)->appState, 1);

        // A version 1 file (no serial field) that allows every product.
        options.version = 1;
        options.allowAnyProduct = true;
        options.appVersionMajor = 10;
        file = devsim::sax::writeFile(profile, options);
        QCOMPARE(send().first, Code::NoError);
        QCOMPARE((*finish(link.connection->idRequestAsync(0)))->appVersionMajor, 10);
    }
};

ZX_REGISTER_TEST(ConnectionAgainstDeviceTest);
#include "test_connectionagainstdevice.moc"
