// The application commands against the device simulator: the real protocol on both ends.
#include "app/log.h"
#include "commandtesthelpers.h"
#include "device/deviceconnection.h"
#include "devsim/devicesimulator.h"
#include "devsim/simulateddevicestream.h"
#include "testregistry.h"

#include <QTest>

class CommandSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    // Identification, then a write over several frames read back the same, in both orders of
    // piece sizes (read pieces and write pieces differ).
    void identifiesAndRoundTripsMemory()
    {
        Log log;
        Log::install(&log);
        auto simulator = std::make_shared<devsim::DeviceSimulator>();
        auto connection = std::make_unique<DeviceConnection>();
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
        QVERIFY(QTest::qWaitFor([&] { return connection->mode() == DeviceMode::FSK; }, 3000));

        const auto id = finish(connection->fskIdRequestAsync());
        QVERIFY(id.has_value());
        QVERIFY((*id)->productCode != 0);

        QByteArray data;
        for (int i = 0; i < 150; ++i)
            data.append(char(i * 7));
        auto written = std::make_shared<QList<DeviceConnectionError>>();
        connection->fskWrite(0x20, data, nullptr,
                             [written](DeviceConnectionError code) { written->append(code); });
        QVERIFY(QTest::qWaitFor([&] { return !written->isEmpty(); }, 5000));
        QCOMPARE(*written, QList{DeviceConnectionError::NoError});

        auto read = std::make_shared<QList<QByteArray>>();
        connection->fskRead(
            0x20, 150, nullptr, [read](DeviceConnectionError code, const QByteArray &bytes) {
                read->append(code == DeviceConnectionError::NoError ? bytes : QByteArray("failed"));
            });
        QVERIFY(QTest::qWaitFor([&] { return !read->isEmpty(); }, 5000));
        QCOMPARE(read->first().toHex(), data.toHex());

        connection.reset();
        Log::install(nullptr);
    }
};

ZX_REGISTER_TEST(CommandSimulatorTest);
#include "test_commandsimulator.moc"
