#include "cli/command.h"
#include "testregistry.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    ExitCode status;
    QString out;
    QString err;
};

Run run(const QStringList &arguments)
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const ExitCode status = runCommandLine(arguments, out, err);
    return {status, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}

} // namespace

// The commands that need no device, run as the program runs them.
class OfflineCommandsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeLayout(const QByteArray &text)
    {
        const QString path = m_dir.filePath("schema.layout");
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
        return path;
    }

private slots:
    void layoutListsFieldsAndSize()
    {
        const QString path = writeLayout("a: { x: u8, y: u16, }");
        const Run packed = run({"layout", path});
        QCOMPARE(packed.status, ExitCode::Success);
        QVERIFY(packed.out.endsWith("size 3\n"));
        const Run aligned = run({"layout", path, "--aligned"});
        QVERIFY(aligned.out.contains("_padding"));
        QVERIFY(aligned.out.endsWith("size 4\n"));
    }

    void layoutErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("syntax error") << QStringList{"layout", "@SCHEMA@"} << 1
                                      << "position 3: Expected valid type name but found u64";
        QTest::newRow("missing file") << QStringList{"layout", "/nonexistent/x.layout"} << 1
                                      << "cannot read /nonexistent/x.layout";
        QTest::newRow("no file") << QStringList{"layout"} << 2 << "usage: zanprog layout";
        QTest::newRow("unknown command")
            << QStringList{"frobnicate"} << 2 << "zanprog: unknown command frobnicate";
    }
    void layoutErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        arguments.replaceInStrings("@SCHEMA@", writeLayout("f: u64"));
        const Run result = run(arguments);
        QCOMPARE(int(result.status), status);
        QVERIFY2(result.err.startsWith(message), qPrintable(result.err));
        QVERIFY(result.out.isEmpty());
    }

    void catalogNamesTheProductOrNothing()
    {
        const QString serial = "ZX909AEjRWeJq83vBLAQIDBAUGBwgJ"; // product letter 'K'
        const Run text = run({"catalog", serial});
        QCOMPARE(text.status, ExitCode::Success);
        QVERIFY(text.out.endsWith(" Receiver\n"));

        const Run json = run({"--json", "catalog", serial});
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value("index").toInt(), 38);
        QCOMPARE(object.value("productCode").toInt(), 133);

        QCOMPARE(run({"catalog", "too-short"}).out, QString());
        QCOMPARE(run({"--json", "catalog", "too-short"}).out, QString("null\n"));
    }
};

ZX_REGISTER_TEST(OfflineCommandsTest);
#include "test_offlinecommands.moc"
