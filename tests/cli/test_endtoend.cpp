// zanprog against a simulated device on a pseudo-terminal: finding, identifying, failing.
#include "device/deviceconnection.h"
#include "devicestate/devicemanagererror.h"
#include "devsimprocess.h"
#include "testregistry.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSerialPort>
#include <QTest>

#include <unistd.h>

class EndToEndIdentifyTest : public QObject
{
    Q_OBJECT

private slots:
    // Every kind of device is identified the way the device manager does it, whether it
    // starts in its application or in its bootloader. A bootloader whose product some model
    // class lists is sent on into its application, where the parameters are read.
    void identifiesEachProfile_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<QString>("linkMode");
        // Sections, reported in the application when a model class serves the device.
        QTest::addColumn<int>("sections");
        QTest::addColumn<int>("connected"); // devices behind the base one

        QTest::newRow("airplane receiver, app") << "airplane-receiver"
                                                << "app" << 0xD9 << "FSK" << 1 << 0;
        QTest::newRow("airplane receiver, bootloader") << "airplane-receiver"
                                                       << "bootloader" << 0xD9 << "FSK" << 1 << 0;
        QTest::newRow("trivor newer, app") << "trivor-newer"
                                           << "app" << 0x83 << "FSK" << 13 << 0;
        QTest::newRow("transmitter, app") << "transmitter"
                                          << "app" << 0xEF << "FSK" << 1 << 0;
        QTest::newRow("stabiliser box, bootloader") << "stabiliser-box"
                                                    << "bootloader" << 0x3A << "FSK" << 1 << 0;
        QTest::newRow("level-calibration receiver, app") << "level-calibration-receiver"
                                                         << "app" << 0xD9 << "FSK" << 1 << 0;
        QTest::newRow("base with auxiliaries, app") << "base-with-auxiliaries"
                                                    << "app" << 0x6A << "FSK" << 0 << 2;
        QTest::newRow("base with auxiliaries, bootloader")
            << "base-with-auxiliaries"
            << "bootloader" << 0x6A << "FSK" << 0 << 2;
    }
    void identifiesEachProfile()
    {
        QFETCH(QString, profile);
        QFETCH(QString, mode);
        QFETCH(int, productCode);
        QFETCH(QString, linkMode);
        QFETCH(int, sections);
        QFETCH(int, connected);

        DevsimProcess device({"--profile", profile, "--mode", mode});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(onPort(device, {"identify"}));
        QVERIFY2(run.exitCode == 0, run.err.constData());

        const QJsonObject state = run.json().object();
        QCOMPARE(state.value("productCode").toInt(), productCode);
        QCOMPARE(state.value("mode").toString(), linkMode);
        QVERIFY(state.value("serialNumber").toString().startsWith("ZX-"));
        QCOMPARE(state.value("connectedDevices").toArray().size(), connected);
        // Only the application reports its parameters; the bootloader reports the release.
        const bool application = linkMode == QLatin1String("FSK");
        QCOMPARE(state.value("parameterVersion").isNull(), !application);
        QCOMPARE(state.value("fskProtocolVersion").isNull(), !application);
        QVERIFY(!state.value("appVersionRelease").isNull());
        // Calibration is asked for only where the device says it can tell.
        QCOMPARE(state.value("isCalibrated").isBool(), state.value("canReadCalibration").toBool());
        if (application && !state.value("modelClass").isNull()) {
            const QJsonArray list = state.value("targetSections").toArray();
            QCOMPARE(list.size(), sections);
            // Only the sectioned receivers report section CRCs.
            for (const QJsonValue &section : list)
                QCOMPARE(section.toObject().value("crc").isDouble(), sections > 1);
        }
        for (const char *key : {"faaSerialNumber", "canReadCalibration", "isCalibrated",
                                "parameterCrc", "appState", "catalogName", "modelClass"})
            QVERIFY2(state.contains(QLatin1String(key)), key);
    }

    // A serial number of the family's form names its catalog product. --verbose shows the
    // application log on standard error, leaving standard output to the result.
    void namesTheCatalogProduct()
    {
        DevsimProcess device({"--serial", "ZXSIM-WkFORE9SRVgMU0lNVUxBVEUh"});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(QStringList{"--verbose"} + onPort(device, {"identify"}));
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(run.json().object().value("catalogName").toString(), "ZR-217 Receiver");
        QVERIFY(run.err.contains("[UsbStream] Opening port " + device.portPath().toUtf8()));
    }

    // The plain form prints what the JSON holds, one value a line.
    void printsPlainLines()
    {
        DevsimProcess device({"--profile", "trivor-older"});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(device.portArguments() + QStringList{"identify"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(run.out.contains("productCode: 131\n"));
        QVERIFY(run.out.contains("parameterVersion: 4\n"));
        QVERIFY(run.out.contains("serialNumber: ZX-TV4-0001"));
    }

    void listsTheNamedPort_data()
    {
        QTest::addColumn<QString>("portMode");
        QTest::addColumn<QString>("listed");
        QTest::newRow("default") << QString() << "announced";
        QTest::newRow("app") << "app"
                             << "application";
        QTest::newRow("bootloader") << "bootloader"
                                    << "bootloader";
    }
    void listsTheNamedPort()
    {
        QFETCH(QString, portMode);
        QFETCH(QString, listed);
        DevsimProcess device;
        QVERIFY(device.start());
        QStringList arguments{"--json", "--port", device.portPath()};
        if (!portMode.isEmpty())
            arguments << "--port-mode" << portMode;
        const ZanprogRun run = runZanprog(arguments << "ports");
        QCOMPARE(run.exitCode, 0);
        const QJsonArray ports = run.json().array();
        QCOMPARE(ports.size(), 1);
        QCOMPARE(ports.at(0).toObject().value("identity").toString(),
                 "Type: UsbCdc, portName = " + device.portPath());
        QCOMPARE(ports.at(0).toObject().value("supportedModes").toString(), listed);
    }

    // No device where zanprog looks: exit 3 once the wait is over. A missing named port lists
    // no stream.
    void reportsNoDevice()
    {
        const ZanprogRun identify =
            runZanprog({"--ftdi", "ZXNOSUCHCABLE", "--wait-ms", "300", "identify"});
        QCOMPARE(identify.exitCode, 3);
        QVERIFY(identify.err.contains("no device found"));
        QVERIFY(identify.out.isEmpty());

        const ZanprogRun ports =
            runZanprog({"--json", "--port", "/nonexistent/zanprog-port", "ports"});
        QCOMPARE(ports.exitCode, 0);
        QVERIFY(ports.json().array().isEmpty());
    }

    // A named port that is missing or cannot be opened fails at once (long before the wait
    // would end) with the reason and what to do about it.
    void namedPortThatCannotBeUsedFailsAtOnce_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("fix");
        QTest::newRow("missing") << "missing"
                                 << "zanprog: there is no port "
                                 << "leave out --port";
        QTest::newRow("in use") << "in use"
                                << "in use by another program"
                                << "Close the program that has it open";
        QTest::newRow("no permission") << "no permission"
                                       << "could not be opened"
                                       << "udev";
    }
    void namedPortThatCannotBeUsedFailsAtOnce()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, reason);
        QFETCH(QString, fix);
        if (obstacle == "no permission" && ::geteuid() == 0)
            QSKIP("the superuser may open any port");
        DevsimProcess device;
        QVERIFY(device.start());
        QString port = device.portPath();
        QSerialPort holder(port);
        if (obstacle == "missing")
            port = QStringLiteral("/nonexistent/zanprog-port");
        else if (obstacle == "in use")
            QVERIFY(holder.open(QIODevice::ReadWrite));
        else
            QVERIFY(QFile::setPermissions(port, QFileDevice::Permissions()));

        // A run that waited for the device would outlast runZanprog's bound and be killed.
        const ZanprogRun run = runZanprog({"--port", port, "--wait-ms", "600000", "identify"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        const QStringList lines = QString::fromUtf8(run.err).trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.first().contains(reason), run.err.constData());
        QVERIFY2(lines.last().contains(fix), run.err.constData());
    }

    // A device that stops answering, or vanishes, ends the command with the program's own
    // message and exit 1, never a hang or a success.
    void failsWhenTheDeviceStopsAnswering_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("dropped reply") << "drop:1";
        QTest::newRow("disconnect") << "disconnect:1";
        QTest::newRow("disconnect later") << "disconnect:3";
    }
    void failsWhenTheDeviceStopsAnswering()
    {
        QFETCH(QString, fault);
        DevsimProcess device({"--fault", fault});
        QVERIFY(device.start());
        const ZanprogRun run = runZanprog(onPort(device, {"identify"}));
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        const QString message = QString::fromUtf8(run.err).trimmed();
        QStringList known;
        for (int error = 0; error < kDeviceManagerErrorCount; ++error)
            known << deviceManagerErrorMessage(DeviceManagerError(error));
        known << connectedDevicesReadFailedMessage()
              << DeviceConnection::errorString(DeviceConnectionError::NoReply);
        QVERIFY2(known.contains(message.section('\n', 0, 0)), qPrintable(message));
    }

    // Usage errors are refused before any device is looked for.
    void refusesBadUsage()
    {
        QCOMPARE(runZanprog({"--wait-ms", "x", "identify"}).exitCode, 2);
        QCOMPARE(runZanprog({"--port", "/dev/null", "identify", "extra"}).exitCode, 2);
        QCOMPARE(runZanprog({"ports", "extra"}).exitCode, 2);
    }
};

ZX_REGISTER_TEST(EndToEndIdentifyTest);
#include "test_endtoend.moc"
