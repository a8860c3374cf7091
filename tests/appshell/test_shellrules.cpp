#include "app/shell/devicerules.h"
#include "app/shell/modelchoice.h"
#include "app/shell/programoptions.h"
#include "online/credentials.h"
#include "testregistry.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(std::optional<bool>)
Q_DECLARE_METATYPE(std::optional<int>)

class ShellRulesTest : public QObject
{
    Q_OBJECT

private slots:
    // A device that reports its calibration state decides; one that does not needs
    // calibrating only when it is a second-generation receiver without settings yet.
    void calibrationRequired_data()
    {
        QTest::addColumn<std::optional<bool>>("isCalibrated");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("appMajor");
        QTest::addColumn<std::optional<int>>("parameterVersion");
        QTest::addColumn<bool>("required");
        const std::optional<bool> unknown;
        QTest::newRow("reports calibrated")
            << std::optional(true) << 217 << 2 << std::optional(255) << false;
        QTest::newRow("reports uncalibrated")
            << std::optional(false) << 58 << 1 << std::optional(0) << true;
        QTest::newRow("silent receiver v2 at 255")
            << unknown << 217 << 2 << std::optional(255) << true;
        QTest::newRow("silent receiver v1") << unknown << 217 << 1 << std::optional(255) << false;
        QTest::newRow("silent receiver at 254")
            << unknown << 217 << 2 << std::optional(254) << false;
        QTest::newRow("no parameter version")
            << unknown << 217 << 2 << std::optional<int>() << false;
        QTest::newRow("other product") << unknown << 218 << 2 << std::optional(255) << false;
    }
    void calibrationRequired()
    {
        QFETCH(std::optional<bool>, isCalibrated);
        QFETCH(int, productCode);
        QFETCH(int, appMajor);
        QFETCH(std::optional<int>, parameterVersion);
        QFETCH(bool, required);
        QCOMPARE(
            devicerules::calibrationRequired(isCalibrated, productCode, appMajor, parameterVersion),
            required);
    }

    void tncFlags_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("values");
        const QStringList receiver{"HIGAIN_ANT_RF_TEST", "NOGAIN_ANT_RF_TEST", "SENSOR_TNC",
                                   "DEFAULTS_WRITTEN"};
        for (int code : {217, 218, 219, 238})
            QTest::addRow("%d", code) << code << receiver << QList<int>{1, 2, 4, 8};
        QTest::newRow("239") << 239 << QStringList{"RF_POWER_TNC", "GIMBAL_CAL", "DEFAULTS_WRITTEN"}
                             << QList<int>{1, 2, 4};
        QTest::newRow("unsupported") << 58 << QStringList{} << QList<int>{};
    }
    void tncFlags()
    {
        QFETCH(int, productCode);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, values);
        const auto flags = devicerules::tncFlagsFor(productCode);
        QCOMPARE(flags.has_value(), !names.isEmpty());
        QStringList gotNames;
        QList<int> gotValues;
        for (const auto &flag : flags.value_or(QList<devicerules::TncFlag>{})) {
            gotNames << flag.name;
            gotValues << flag.value;
        }
        QCOMPARE(gotNames, names);
        QCOMPARE(gotValues, values);
    }

    // Six signed little-endian values from the start of the reply; a short reply is refused
    // rather than shown with made-up values.
    void calibrationText()
    {
        QByteArray reply(26, '\0');
        const qint32 values[] = {-1, 2, -300000, 4, 5, 2147483647};
        for (int i = 0; i < 6; ++i)
            qToLittleEndian(values[i], reply.data() + 4 * i);
        QCOMPARE(*devicerules::calibrationText(reply),
                 QStringLiteral("accelBias X: -1\naccelBias Y: 2\naccelBias Z: -300000\n"
                                "gyroBias X: 4\ngyroBias Y: 5\ngyroBias Z: 2147483647"));
        QVERIFY(!devicerules::calibrationText(reply.left(23)));
        QVERIFY(devicerules::canReadCalibration(245));
        QVERIFY(!devicerules::canReadCalibration(239));
    }

    void account()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath("s.ini"), QSettings::IniFormat);
        QCOMPARE(devicerules::accountText(settings), QString());
        settings.setValue("credentials/userGuid", "G");
        settings.setValue("credentials/username", "pilot7");
        QCOMPARE(devicerules::accountText(settings), QStringLiteral("Logged in as pilot7"));
        settings.setValue("credentials/firstName", "Ada");
        QCOMPARE(devicerules::accountText(settings), QStringLiteral("Logged in as Ada"));
        credentials::logOut(settings);
        QCOMPARE(devicerules::accountText(settings), QString());
    }

    void serialPortLines()
    {
        QList<SerialPortDescription> ports{{"ttyACM0", "/dev/ttyACM0", 0x0403, 0x7C48},
                                           {"ttyS0", "/dev/ttyS0", std::nullopt, std::nullopt}};
        QCOMPARE(devicerules::serialPortLines(ports),
                 (QStringList{"Available serial ports:",
                              "  Name: ttyACM0, VID: 0x0403, PID: 0x7C48", "  Name: ttyS0"}));
    }

    // The model last synced with the device is tried first, then the current model.
    void syncOrder_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("lastSynced");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("neither") << ""
                                 << "" << QStringList{"1", "2", "3"};
        QTest::newRow("current") << "3"
                                 << "" << QStringList{"3", "1", "2"};
        QTest::newRow("last synced before current") << "2"
                                                    << "3" << QStringList{"3", "2", "1"};
        QTest::newRow("same model") << "2"
                                    << "2" << QStringList{"2", "1", "3"};
        QTest::newRow("names not in library") << "9"
                                              << "8" << QStringList{"1", "2", "3"};
    }
    void syncOrder()
    {
        QFETCH(QString, current);
        QFETCH(QString, lastSynced);
        QFETCH(QStringList, order);
        QCOMPARE(modelchoice::syncOrder({"1", "2", "3"}, current, lastSynced), order);
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("demo");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("service"); // "URL|CA FILE"
        QTest::newRow("none") << QStringList{} << "" << QStringList{} << true << "";
        QTest::newRow("demo default")
            << QStringList{"--demo"} << "airplane-receiver" << QStringList{} << true << "";
        QTest::newRow("demo profile")
            << QStringList{"--demo", "transmitter"} << "transmitter" << QStringList{} << true << "";
        QTest::newRow("demo then option") << QStringList{"--demo", "--help"} << "airplane-receiver"
                                          << QStringList{} << true << "";
        QTest::newRow("unknown profile")
            << QStringList{"--demo", "toaster"} << "" << QStringList{} << false << "";
        QTest::newRow("ports") << QStringList{"--port", "/dev/pts/3,application", "--port=/dev/x"}
                               << "" << QStringList{"/dev/pts/3", "/dev/x"} << true << "";
        QTest::newRow("bad port mode")
            << QStringList{"--port", "/dev/x,sideways"} << "" << QStringList{} << false << "";
        QTest::newRow("port without path")
            << QStringList{"--port"} << "" << QStringList{} << false << "";
        QTest::newRow("service") << QStringList{"--service-url", "http://127.0.0.1:8080/",
                                                "--service-ca=/tmp/ca.pem"}
                                 << "" << QStringList{} << true
                                 << "http://127.0.0.1:8080/|/tmp/ca.pem";
        QTest::newRow("service without URL")
            << QStringList{"--service-url"} << "" << QStringList{} << false << "";
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate"} << "" << QStringList{} << false << "";
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, demo);
        QFETCH(QStringList, ports);
        QFETCH(bool, valid);
        QFETCH(QString, service);
        arguments.prepend("zandorex-programmer");
        const auto options = parseProgramOptions(arguments);
        QCOMPARE(options.has_value(), valid);
        if (!valid) {
            QVERIFY(!options.error().isEmpty());
            return;
        }
        QCOMPARE(options->demoProfile.value_or(QString()), demo);
        QStringList paths;
        for (const ExplicitPort &port : options->ports)
            paths << port.path;
        QCOMPARE(paths, ports);
        if (!service.isEmpty())
            QCOMPARE(options->serviceUrl + '|' + options->serviceCaFile, service);
        QVERIFY(programHelpText().contains("--port PATH[,MODE]"));
        QVERIFY(programHelpText().contains("--demo [PROFILE]"));
    }
};

ZX_REGISTER_TEST(ShellRulesTest);
#include "test_shellrules.moc"
