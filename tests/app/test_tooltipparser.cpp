#include "app/log.h"
#include "app/tooltipparser.h"
#include "testregistry.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <random>

namespace {

std::expected<TooltipTable, TooltipParseError> parse(const QByteArray &text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return parseTooltips(buffer);
}

} // namespace

class TooltipParserTest : public QObject
{
    Q_OBJECT

private slots:
    // Each row: file text, then the key and the value it must yield.
    void parsesEntries_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("trailing comment") << QByteArray("a = b // note\n") << "a"
                                          << "b";
        QTest::newRow("continuation") << QByteArray("a = b\n  x\n") << "a"
                                      << "b\nx";
        QTest::newRow("blank lines before continuation") << QByteArray("a = b\n\n\n  x\n") << "a"
                                                         << "b\n\n\nx";
        QTest::newRow("comment-only continuation adds a break")
            << QByteArray("a = b\n   // c\n  x\n") << "a"
            << "b\n\nx";
        QTest::newRow("comment in first column is blank") << QByteArray("a = b\n// c\n  x\n") << "a"
                                                          << "b\n\nx";
        QTest::newRow("empty key") << QByteArray("= v\n") << ""
                                   << "v";
        QTest::newRow("second equals kept") << QByteArray("k = a=b\n") << "k"
                                            << "a=b";
        QTest::newRow("later entry replaces") << QByteArray("k = 1\nk = 2\n") << "k"
                                              << "2";
        QTest::newRow("other lines ignored") << QByteArray("a = b\nnoise\n  x\n") << "a"
                                             << "b\nx";
        QTest::newRow("crlf line ends") << QByteArray("a = b\r\n  x\r\n") << "a"
                                        << "b\nx";
        QTest::newRow("no final newline") << QByteArray("a = b") << "a"
                                          << "b";
        QTest::newRow("trailing blank lines trimmed") << QByteArray("a = b\n  \n\n") << "a"
                                                      << "b";
        QTest::newRow("utf-8 text") << QByteArray("t = Gr\xc3\xbc\xc3\x9f\x65\n") << "t"
                                    << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f\x65");
    }
    void parsesEntries()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const auto table = parse(text);
        QVERIFY(table.has_value());
        QVERIFY(table->contains(key));
        QCOMPARE(table->value(key), value);
    }

    void continuationBeforeAnyEntryFailsWithItsLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("first line") << QByteArray(" x\n") << 1;
        QTest::newRow("after blank, comment and noise")
            << QByteArray("\n// c\nnoise\n x\na = b\n") << 4;
    }
    void continuationBeforeAnyEntryFailsWithItsLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        const auto result = parse(text);
        QVERIFY(!result.has_value());
        QCOMPARE(result.error().message, QString("unexpected multiline text not part of a value"));
        QCOMPARE(result.error().line, line);
    }

    // Whatever the bytes, the parser returns a table or an error; it never crashes.
    void survivesArbitraryBytes()
    {
        std::mt19937 random(1234);
        for (int round = 0; round < 200; ++round) {
            QByteArray junk(int(random() % 4096), '\0');
            for (char &byte : junk)
                byte = char(random());
            const auto result = parse(junk);
            if (!result)
                QVERIFY(result.error().line >= 1);
        }
        QByteArray manyLines;
        for (int i = 0; i < 1'000'000; ++i)
            manyLines += "k = v\n";
        QCOMPARE(parse(manyLines)->size(), 1);
    }

    void loadingLogsParseErrorsAndYieldsEmptyTable()
    {
        QTemporaryDir dir;
        Log log;
        Log::install(&log);
        QFile file(dir.filePath("tooltips.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a = b\n\n x\nc = d\n");
        file.close();
        QVERIFY(loadTooltipTable(file.fileName()).size() == 2);

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("noise\n x\n");
        file.close();
        QVERIFY(loadTooltipTable(file.fileName()).isEmpty());
        QVERIFY(loadTooltipTable(dir.filePath("missing.txt")).isEmpty());
        Log::install(nullptr);

        QCOMPARE(log.count(), 1); // the missing file is silent
        QCOMPARE(log.entry(0).category, QString("TooltipsParsing"));
        QCOMPARE(log.entry(0).message,
                 QString("error on line 2: unexpected multiline text not part of a value"));
    }
};

ZX_REGISTER_TEST(TooltipParserTest);
#include "test_tooltipparser.moc"
