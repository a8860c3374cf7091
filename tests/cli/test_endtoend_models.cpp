// zanprog's model commands against a simulated device on a pseudo-terminal: a backup reads
// what the device holds, a restore writes a model back and the device's CRCs prove it.
#include "device/deviceconnection.h"
#include "devsimprocess.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "testregistry.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Real devices report 30 characters; shorter ones would arrive NUL-padded.
const QString kSerial = QStringLiteral("ZXTEST0123456789ABCDEFGHIJKLMN");

// A model file written through the model classes themselves, not through zanprog.
QString writeNewModel(const QTemporaryDir &dir, const QString &name, int productCode,
                      int parameterVersion)
{
    const ModelClassInfo *modelClass = findModelClass(productCode, parameterVersion);
    if (!modelClass)
        return {};
    const std::shared_ptr<Model> model = modelClass->create(productCode, parameterVersion);
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!model || !file.open(QIODevice::WriteOnly) || file.write(model->toFileData()) <= 0)
        return {};
    return path;
}

} // namespace

class EndToEndModelsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // A backup holds the device's settings under the class that serves it: the saved model
    // equals the device by its CRCs, and the file reads back with the same CRC and sections.
    void backsUpEachKindOfDevice_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("modelClass");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("sections");
        QTest::newRow("airplane receiver") << "airplane-receiver"
                                           << "AirplaneRxModel" << 0xD9 << 1;
        QTest::newRow("trivor older") << "trivor-older"
                                      << "TrivorModel" << 0x83 << 8;
        QTest::newRow("trivor newer") << "trivor-newer"
                                      << "TrivorModel" << 0x83 << 13;
        QTest::newRow("transmitter") << "transmitter"
                                     << "TransmitterModel" << 0xEF << 1;
        QTest::newRow("stabiliser box") << "stabiliser-box"
                                        << "GyroboxModel" << 0x3A << 1;
    }
    void backsUpEachKindOfDevice()
    {
        QFETCH(QString, profile);
        QFETCH(QString, modelClass);
        QFETCH(int, productCode);
        QFETCH(int, sections);
        const QString file = m_dir.filePath(profile + ".zrm");
        DevsimProcess device({"--profile", profile, "--serial", kSerial});
        QVERIFY(device.start());
        const ZanprogRun backup = runZanprog(onPort(device, {"backup", "-o", file}));
        QVERIFY2(backup.exitCode == 0, backup.err.constData());
        const QJsonObject report = backup.json().object();
        QVERIFY(report.value("matches").toBool());

        const ZanprogRun info = runZanprog({"--json", "info", file});
        QVERIFY2(info.exitCode == 0, info.err.constData());
        const QJsonObject summary = info.json().object();
        QCOMPARE(summary.value("class").toString(), modelClass);
        QCOMPARE(summary.value("productCode").toInt(), productCode);
        QCOMPARE(summary.value("serialNumber").toString(), kSerial);
        QCOMPARE(summary.value("modelCrc"), report.value("modelCrc"));
        QCOMPARE(summary.value("sections").toArray().size(), sections);
        QVERIFY(!summary.value("settings").toObject().isEmpty());
    }

    // A changed backup written back leaves the device equal to it; diff names the change.
    void restoresAChangedBackup_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("value");
        QTest::newRow("one section") << "airplane-receiver"
                                     << "servo.failsafe[2]"
                                     << "77";
        QTest::newRow("sections") << "trivor-newer"
                                  << "cpSettings.system.channel2slot[2]"
                                  << "5";
    }
    void restoresAChangedBackup()
    {
        QFETCH(QString, profile);
        QFETCH(QString, setting);
        QFETCH(QString, value);
        const QString original = m_dir.filePath(profile + "-original.zrm");
        const QString changed = m_dir.filePath(profile + "-changed.zrm");
        DevsimProcess device({"--profile", profile, "--serial", kSerial});
        QVERIFY(device.start());
        const ZanprogRun backup = runZanprog(onPort(device, {"backup", "-o", original}));
        QVERIFY2(backup.exitCode == 0, backup.err.constData());
        QVERIFY(QFile::copy(original, changed));
        const ZanprogRun set = runZanprog({"set", changed, setting, value});
        QVERIFY2(set.exitCode == 0, set.err.constData());

        QCOMPARE(runZanprog({"diff", original, original}).exitCode, 0);
        const ZanprogRun diff = runZanprog({"diff", original, changed});
        QCOMPARE(diff.exitCode, 1);
        QVERIFY2(diff.out.startsWith((setting + ": ").toUtf8()), diff.out.constData());
        QVERIFY(diff.out.trimmed().endsWith(("-> " + value).toUtf8()));
        QCOMPARE(diff.out.count('\n'), 1);

        const ZanprogRun restore = runZanprog(onPort(device, {"restore", changed}));
        QVERIFY2(restore.exitCode == 0, restore.err.constData());
        QVERIFY(restore.json().object().value("matches").toBool());
        const ZanprogRun identify = runZanprog(onPort(device, {"identify"}));
        const ZanprogRun info = runZanprog({"--json", "info", changed});
        QCOMPARE(identify.json().object().value("parameterCrc"),
                 info.json().object().value("modelCrc"));
        QVERIFY(identify.json().object().value("parameterCrc") !=
                backup.json().object().value("modelCrc"));
    }

    // A model for another product is refused before anything is written.
    void refusesAModelForAnotherProduct()
    {
        const QString transmitter = writeNewModel(m_dir, "tx.zrm", 0xEF, 1);
        QVERIFY(!transmitter.isEmpty());
        DevsimProcess device({"--serial", kSerial});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(onPort(device, {"restore", transmitter}));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("is a model for product 0xEF, parameter version 0x01; the "
                                  "device is product 0xD9, parameter version 0xFF"),
                 run.err.constData());
        QVERIFY(!run.err.contains("Writing settings"));
    }

    // A device that vanishes mid-write ends the restore with the link's message, not a hang.
    void failsWhenTheDeviceVanishesMidRestore()
    {
        const QString model = writeNewModel(m_dir, "rx.zrm", 0xD9, 0xFF);
        DevsimProcess device({"--serial", kSerial, "--fault", "disconnect:20"});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(onPort(device, {"restore", model}));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("Writing settings"), run.err.constData());
        QVERIFY(run.err.trimmed().endsWith(
            DeviceConnection::errorString(DeviceConnectionError::NoReply).toUtf8()));
    }

    // Ctrl-C during a backup ends zanprog at once and leaves no file behind.
    void ctrlCLeavesNoBackup()
    {
        const QString file = m_dir.filePath("interrupted.zrm");
        // At the wire's own pace the transfer takes a while.
        DevsimProcess device({"--serial", kSerial, "--wire-baud", "115200"});
        QVERIFY(device.start());
        const InterruptedRun run =
            interruptZanprog(onPort(device, {"backup", "-o", file}), "Reading settings: 10%");
        QVERIFY2(run.markerSeen, run.err.constData());
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("interrupted"), run.err.constData());
        QVERIFY(!QFile::exists(file));
    }

    // Ctrl-C ends a command that needs no device just as it ends the device commands: at once,
    // with status 1. Each command is held reading a pipe that has a writer but no data.
    void ctrlCEndsACommandWithoutDevice_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("layout") << "layout";
        QTest::newRow("info") << "info";
    }
    void ctrlCEndsACommandWithoutDevice()
    {
        QFETCH(QString, command);
        const QString pipe = m_dir.filePath(command + "-input.zrm");
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        QProcess zanprog;
        zanprog.start(QStringLiteral(ZX_ZANPROG_PATH), {command, pipe});
        QVERIFY(zanprog.waitForStarted(kWaitMs));
        // Opening the writing end succeeds once zanprog is opening the pipe for reading.
        int writer = -1;
        QVERIFY(QTest::qWaitFor(
            [&] {
                writer = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
                return writer >= 0;
            },
            kWaitMs));
        ::kill(pid_t(zanprog.processId()), SIGINT);
        const bool finished = zanprog.waitForFinished(kWaitMs);
        ::close(writer);
        QVERIFY(finished);
        QCOMPARE(zanprog.exitStatus(), QProcess::NormalExit);
        QCOMPARE(zanprog.exitCode(), 1);
        QCOMPARE(zanprog.readAllStandardError(), QByteArray("zanprog: interrupted\n"));
    }

private:
    static constexpr int kWaitMs = 30'000;
    QTemporaryDir m_dir;
};

ZX_REGISTER_TEST(EndToEndModelsTest);
#include "test_endtoend_models.moc"
