#include "cli/commandline.h"
#include "testregistry.h"

#include <QTest>

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void parsesGlobalOptionsBeforeTheCommand()
    {
        const auto line =
            parseCommandLine({"--port", "/dev/pts/3", "--port-mode", "app", "--wait-ms", "2500",
                              "--json", "--verbose", "identify", "--json-like-argument"});
        QVERIFY(line.has_value());
        QCOMPARE(line->options.port, QString("/dev/pts/3"));
        QCOMPARE(line->options.portMode, QString("app"));
        QCOMPARE(line->options.waitMs, 2500);
        QVERIFY(line->options.json);
        QVERIFY(line->options.verbose);
        QCOMPARE(line->command, QString("identify"));
        QCOMPARE(line->arguments, QStringList{"--json-like-argument"});
        QCOMPARE(parseCommandLine({"ports"})->options.waitMs, 10'000);
        QCOMPARE(parseCommandLine({"ports"})->options.portMode, QString("announced"));
    }

    void rejectsBadCommandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("missing value") << QStringList{"--port"};
        QTest::newRow("bad mode") << QStringList{"--port-mode", "fsk", "ports"};
        QTest::newRow("bad wait") << QStringList{"--wait-ms", "soon", "ports"};
        QTest::newRow("negative wait") << QStringList{"--wait-ms", "-5", "ports"};
        QTest::newRow("unknown option") << QStringList{"--colour", "ports"};
    }
    void rejectsBadCommandLines()
    {
        QFETCH(QStringList, arguments);
        const auto line = parseCommandLine(arguments);
        QVERIFY(!line.has_value());
        QVERIFY(!line.error().isEmpty());
    }
};

ZX_REGISTER_TEST(CommandLineTest);
#include "test_commandline.moc"
