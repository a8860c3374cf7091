// zanprog flashing a simulated device on a pseudo-terminal, and the device keeping what it
// was given across runs of the simulator.
#include "device/deviceconnection.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
#include "devsimprocess.h"
#include "testregistry.h"

#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeSaxFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

devsim::DeviceProfile receiver()
{
    return *devsim::profiles::profileByName(QStringLiteral("airplane-receiver"));
}

} // namespace

class EndToEndFlashTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // The new firmware runs afterwards, and the simulator's state file keeps it for the next
    // run, as the device's flash would.
    void flashesAndTheDeviceKeepsIt()
    {
        const QString state = m_dir.filePath("state.json");
        const QString sax = receiverSaxFile("new.sax");
        {
            DevsimProcess device({"--state", state});
            QVERIFY(device.start());
            const ZanprogRun run = runZanprog(onPort(device, {"flash", sax}));
            QVERIFY2(run.exitCode == 0, run.err.constData());
            QCOMPARE(run.json().object().value("mode").toString(), "FSK");
            QVERIFY(run.err.contains("Sending firmware: 100%"));
            QCOMPARE(device.stop(), 0);
        }
        DevsimProcess device({"--state", state});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(onPort(device, {"identify"}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(run.json().object().value("appVersionMajor").toInt(), 9);
        QCOMPARE(run.json().object().value("appVersionMinor").toInt(), 1);
    }

    // A device behind the base one takes a file made for it; a device that is not there is
    // an error of its own.
    void flashesADeviceBehindTheBase()
    {
        const devsim::DeviceProfile base =
            *devsim::profiles::profileByName(QStringLiteral("base-with-auxiliaries"));
        const devsim::AuxiliaryDevice first = devsim::auxiliaryDevice(base, 1);
        const QString sax = writeSaxFile(
            m_dir, "aux.sax", devsim::sax::writeFile(first.productCode, first.serialNumber));
        DevsimProcess device({"--profile", "base-with-auxiliaries"});
        QVERIFY(device.start());
        const QStringList port = device.portArguments();
        const ZanprogRun run = runZanprog(port + QStringList{"flash", sax, "--target", "1"});
        QVERIFY2(run.exitCode == 0, run.err.constData());

        const ZanprogRun missing = runZanprog(port + QStringList{"flash", sax, "--target", "3"});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains("no device 3"));
    }

    // The simulator refuses a state file that belongs to another device.
    void refusesAnotherDevicesState()
    {
        const QString state = m_dir.filePath("state.json");
        {
            DevsimProcess device({"--state", state});
            QVERIFY(device.start());
            QCOMPARE(device.stop(), 0);
        }
        DevsimProcess other({"--profile", "transmitter", "--state", state});
        QVERIFY(!other.start());
        QCOMPARE(other.stop(), 2);
        QVERIFY(other.standardError().contains("another device"));
    }

    // A file that is no firmware file for this device fails with the program's message for
    // it; a file that is not there is a usage error.
    void refusesBadFiles_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<int>("error");
        QTest::newRow("not SAX") << int(devsim::sax::Damage::NotSax)
                                 << int(DeviceConnectionError::NotSaxFile);
        QTest::newRow("truncated") << int(devsim::sax::Damage::TruncatedRecord)
                                   << int(DeviceConnectionError::SaxTruncated);
        QTest::newRow("another device")
            << int(devsim::sax::Damage::WrongDevice) << int(DeviceConnectionError::SaxWrongDevice);
        QTest::newRow("image CRC")
            << int(devsim::sax::Damage::BadImageCrc) << int(DeviceConnectionError::CodeCorrupted);
    }
    void refusesBadFiles()
    {
        QFETCH(int, damage);
        QFETCH(int, error);
        devsim::sax::Options options;
        options.damage = devsim::sax::Damage(damage);
        const QString sax = receiverSaxFile("damaged.sax", options);
        DevsimProcess device;
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(device.portArguments() + QStringList{"flash", sax});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(QString::fromUtf8(run.err).trimmed().section(QLatin1Char('\n'), -1),
                 DeviceConnection::errorString(DeviceConnectionError(error)));
    }

    void refusesAMissingFile()
    {
        const ZanprogRun run =
            runZanprog({"--port", "/nonexistent/port", "flash", m_dir.filePath("missing.sax")});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("missing.sax"));
    }

    // A device that vanishes in the middle of the transfer ends it with exit 1.
    void failsWhenTheDeviceVanishesMidTransfer()
    {
        // Long enough that reply 40 falls into the transfer however many replies
        // identification takes.
        devsim::sax::Options options;
        options.imageBytes = 32 * 1024;
        const QString sax = receiverSaxFile("long.sax", options);
        DevsimProcess device({"--fault", "disconnect:40"});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(device.portArguments() + QStringList{"flash", sax});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("Sending firmware"));
        QVERIFY(run.err.trimmed().endsWith(
            DeviceConnection::errorString(DeviceConnectionError::NoReply).toUtf8()));
    }

    // Ctrl-C in the middle of a transfer ends zanprog with exit 1 and a message.
    void ctrlCEndsTheTransfer()
    {
        devsim::sax::Options options;
        options.imageBytes = 64 * 1024;
        const QString sax = receiverSaxFile("large.sax", options);
        DevsimProcess device({"--wire-baud", "115200"});
        QVERIFY(device.start());
        const InterruptedRun run = interruptZanprog(
            device.portArguments() + QStringList{"flash", sax}, "Sending firmware: 10%");
        QVERIFY2(run.markerSeen, run.err.constData());
        QVERIFY(run.finished);
        QVERIFY2(run.normalExit, run.err.constData());
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("interrupted"));
        QVERIFY(!run.err.contains("Sending firmware: 100%"));
    }

private:
    // A firmware file for the airplane receiver, in the test's folder.
    QString receiverSaxFile(const QString &name, const devsim::sax::Options &options = {})
    {
        return writeSaxFile(m_dir, name, devsim::sax::writeFile(receiver(), options));
    }

    QTemporaryDir m_dir;
};

ZX_REGISTER_TEST(EndToEndFlashTest);
#include "test_endtoend_flash.moc"
