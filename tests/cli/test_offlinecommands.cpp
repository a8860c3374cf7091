#include "cli/command.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "testregistry.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
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

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        return path;
    }

    // A new airplane-receiver model as its class writes it, optionally with one byte changed.
    QString writeReceiverModel(const QString &name, int changedOffset = -1)
    {
        const std::shared_ptr<Model> model = findModelClass(0xD9, 0xFF)->create(0xD9, 0xFF);
        auto &deviceModel = dynamic_cast<DeviceModel &>(*model);
        if (changedOffset >= 0) {
            QByteArray bytes = deviceModel.memory().modelData(0);
            bytes[changedOffset] = char(bytes.at(changedOffset) ^ 0x5A);
            deviceModel.memory().setModelData(0, bytes);
        }
        return writeFile(name, model->toFileData());
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
        QTest::newRow("missing file") << QStringList{"layout", "/nonexistent/x.layout"} << 2
                                      << "cannot read /nonexistent/x.layout";
        QTest::newRow("folder") << QStringList{"layout", "@DIR@"} << 2 << "cannot read @DIR@";
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
        arguments.replaceInStrings("@DIR@", m_dir.path());
        message.replace("@DIR@", m_dir.path());
        const Run result = run(arguments);
        QCOMPARE(int(result.status), status);
        QVERIFY2(result.err.startsWith(message), qPrintable(result.err));
        QVERIFY(result.out.isEmpty());
    }

    void catalogNamesTheProductOrFails()
    {
        const QString serial = "ZX909AEjRWeJq83vBLAQIDBAUGBwgJ"; // product letter 'K'
        const Run text = run({"catalog", serial});
        QCOMPARE(text.status, ExitCode::Success);
        QVERIFY(text.out.endsWith(" Receiver\n"));

        const Run json = run({"--json", "catalog", serial});
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value("index").toInt(), 38);
        QCOMPARE(object.value("productCode").toInt(), 133);

        // An unknown serial number is said to be one, and the command fails.
        const Run unknown = run({"catalog", "too-short"});
        QCOMPARE(unknown.status, ExitCode::Failed);
        QCOMPARE(unknown.out, QString());
        QCOMPARE(unknown.err,
                 QString("zanprog: no known product has the serial number too-short\n"));
        const Run unknownJson = run({"--json", "catalog", "too-short"});
        QCOMPARE(unknownJson.status, ExitCode::Failed);
        QCOMPARE(unknownJson.out, QString("null\n"));
    }
    // The built-in schemas are listed by name and size, and each prints as a layout file does.
    void layoutBuiltinSchemas()
    {
        const Run list = run({"layout", "--builtin"});
        QCOMPARE(list.status, ExitCode::Success);
        QVERIFY(list.out.contains("airplane-receiver  1856 bytes\n"));
        QVERIFY(list.out.contains("trivor-newer-cpSettings  2468 bytes\n"));
        const Run one = run({"layout", "--builtin", "transmitter-older"});
        QCOMPARE(one.status, ExitCode::Success);
        QVERIFY(one.out.endsWith("size 1564\n"));
        const QJsonArray json =
            QJsonDocument::fromJson(run({"--json", "layout", "--builtin"}).out.toUtf8()).array();
        QCOMPARE(json.size(), list.out.count('\n'));
        const Run unknown = run({"layout", "--builtin", "no-such-schema"});
        QCOMPARE(unknown.status, ExitCode::Failed);
        QVERIFY(unknown.err.contains("no built-in schema no-such-schema"));
    }

    // Every command that takes a model file says what is wrong with a bad one and never
    // reaches for a device: 2 when nothing could be read (and for diff, whose 1 means
    // "different"), 1 for a file read and refused.
    void refusesBadModelFiles_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("info, missing") << "info"
                                       << "missing.zrm" << 2 << "cannot read";
        QTest::newRow("info, directory") << "info"
                                         << "dir.zrm" << 2 << "is a directory";
        QTest::newRow("info, other name") << "info"
                                          << "model.json" << 1 << "must end in .zrm";
        QTest::newRow("info, not JSON") << "info"
                                        << "garbage.zrm" << 1 << "is not a model file";
        QTest::newRow("info, unknown product")
            << "info"
            << "unknown.zrm" << 1 << "product 0x42, parameter version 0x07, which no";
        QTest::newRow("info, bad code")
            << "info"
            << "badcode.zrm" << 1 << "\"deviceProductCode\" is not a number";
        QTest::newRow("info, no settings") << "info"
                                           << "empty.zrm" << 1 << "holds no settings";
        QTest::newRow("diff, missing") << "diff"
                                       << "missing.zrm" << 2 << "cannot read";
        QTest::newRow("diff, not JSON") << "diff"
                                        << "garbage.zrm" << 2 << "is not a model file";
        QTest::newRow("set, not JSON") << "set"
                                       << "garbage.zrm" << 1 << "is not a model file";
        QTest::newRow("restore, missing") << "restore"
                                          << "missing.zrm" << 2 << "cannot read";
        QTest::newRow("restore, no settings") << "restore"
                                              << "empty.zrm" << 1 << "holds no settings";
    }
    void refusesBadModelFiles()
    {
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(int, status);
        QFETCH(QString, message);
        QDir(m_dir.path()).mkdir("dir.zrm");
        writeFile("model.json", "{}");
        writeFile("garbage.zrm", "\x89PNG not json");
        writeFile("unknown.zrm", R"({"deviceProductCode": "0x42", "parameterVersion": "7",
                                     "rawData": {"0": "00"}})");
        writeFile("badcode.zrm", R"({"deviceProductCode": "0x3G", "rawData": {"0": "00"}})");
        writeFile("empty.zrm", R"({"name": "nothing"})");
        const QString good = writeReceiverModel("good.zrm");
        const QString path = m_dir.filePath(file);
        QStringList arguments{command, path};
        if (command == "diff")
            arguments << good;
        else if (command == "set")
            arguments << "servo.failsafe[0]"
                      << "1";
        // A port that does not exist: a command that went looking for a device would say so.
        const Run result =
            run(QStringList{"--port", "/nonexistent/port", "--wait-ms", "0"} + arguments);
        QCOMPARE(int(result.status), status);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QVERIFY2(result.err.contains(path), qPrintable(result.err));
        QVERIFY(!result.err.contains("no device found"));
    }

    // info shows what the file holds; a single section's CRC is the model CRC.
    void infoShowsTheModel()
    {
        const QString path = writeReceiverModel("info.zrm");
        const Run text = run({"info", path});
        QCOMPARE(text.status, ExitCode::Success);
        QVERIFY(text.out.contains("class: AirplaneRxModel\n"));
        QVERIFY(text.out.contains("productCode: 0xD9 (217)\n"));
        QVERIFY(text.out.contains("section 0: (unnamed), 1856 bytes, crc 0x"));
        QVERIFY(!text.out.contains(" = "));
        QVERIFY(run({"info", path, "--settings"}).out.contains("\nservo.failsafe[0] = "));

        const QJsonObject json =
            QJsonDocument::fromJson(run({"--json", "info", path}).out.toUtf8()).object();
        const QJsonArray sections = json.value("sections").toArray();
        QCOMPARE(sections.size(), 1);
        QCOMPARE(sections.at(0).toObject().value("crc"), json.value("modelCrc"));
        QCOMPARE(sections.at(0).toObject().value("size").toInt(), 1856);
        QVERIFY(json.value("settings").toObject().contains("servo"));
    }

    // set changes one setting through its path and nothing else; diff then names it. A value
    // the field cannot hold or a path that names nothing is refused, and the file stays.
    void setAndDiff()
    {
        const QString original = writeReceiverModel("original.zrm");
        const QString changed = writeReceiverModel("changed.zrm");
        QCOMPARE(run({"diff", original, changed}).status, ExitCode::Success);
        QCOMPARE(run({"diff", original, changed}).out, QString());

        const Run set = run({"set", changed, "servo.failsafe[2]", "201"});
        QVERIFY2(set.status == ExitCode::Success, qPrintable(set.err));
        const Run diff = run({"diff", original, changed});
        QCOMPARE(diff.status, ExitCode::Failed);
        QVERIFY2(QRegularExpression("^servo\\.failsafe\\[2\\]: \\d+ -> 201\n$")
                     .match(diff.out)
                     .hasMatch(),
                 qPrintable(diff.out));

        QFile file(changed);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        for (const QStringList &bad :
             {QStringList{"servo.failsafe[2]", "256"}, QStringList{"servo.failsafe[3]", "1"},
              QStringList{"servo.nothing", "1"}, QStringList{"servo..failsafe", "1"},
              QStringList{"servo.failsafe[2]", "ten"}}) {
            const Run refused = run(QStringList{"set", changed} + bad);
            QCOMPARE(refused.status, ExitCode::Failed);
            QVERIFY(!refused.err.isEmpty());
        }
        file.seek(0);
        QCOMPARE(file.readAll(), before);
    }

    // A value is decimal, leading zeros and all, unless it starts with 0x; anything else is
    // refused.
    void setReadsDecimalOrHexadecimal_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("stored"); // -1: refused
        QTest::newRow("leading zero") << "010" << 10;
        QTest::newRow("plain") << "99" << 99;
        QTest::newRow("hexadecimal") << "0x1f" << 31;
        QTest::newRow("hexadecimal, capital X") << "0X20" << 32;
        QTest::newRow("plus sign") << "+12" << 12;
        QTest::newRow("prefix without digits") << "0x" << -1;
        QTest::newRow("octal digits beyond 7 are decimal") << "0019" << 19;
        QTest::newRow("binary prefix") << "0b1" << -1;
        QTest::newRow("sign after the prefix") << "0x-1" << -1;
        QTest::newRow("two signs") << "--1" << -1;
    }
    void setReadsDecimalOrHexadecimal()
    {
        QFETCH(QString, value);
        QFETCH(int, stored);
        const QString original = writeReceiverModel("before.zrm");
        const QString changed = writeReceiverModel("after.zrm");
        const Run set = run({"set", changed, "servo.failsafe[2]", value});
        if (stored < 0) {
            QCOMPARE(set.status, ExitCode::Failed);
            QCOMPARE(set.err, QString("zanprog: %1 is not a whole number\n").arg(value));
            return;
        }
        QVERIFY2(set.status == ExitCode::Success, qPrintable(set.err));
        const Run diff = run({"diff", original, changed});
        QVERIFY2(diff.out.endsWith(QString(" -> %1\n").arg(stored)), qPrintable(diff.out));
    }

    // Bytes no named setting covers (a reserve here) still make two models different.
    void diffSeesBytesOutsideTheSettings()
    {
        const QString original = writeReceiverModel("plain.zrm");
        const QString reserve = writeReceiverModel("reserve.zrm", 1768);
        const Run diff = run({"diff", original, reserve});
        QCOMPARE(diff.status, ExitCode::Failed);
        QVERIFY2(diff.out.startsWith("section 0 bytes 1768..1768: "), qPrintable(diff.out));
    }
};

ZX_REGISTER_TEST(OfflineCommandsTest);
#include "test_offlinecommands.moc"
