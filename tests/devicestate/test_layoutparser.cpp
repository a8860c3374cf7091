#include "devicestate/layout.h"
#include "testregistry.h"

#include <QtTest>

namespace {

const QString kReceiverSettings = QStringLiteral(
    "receiverSettings: { orientation: { xSource: u8, ySource: u8, zSource: u8, rfu1: u8, },"
    " optionBits: u8, rfu2: u8, attitudeTrim: i8[2], gyroPassbandHz: u32,"
    " gyroStopbandHz: u32, }");

QList<int> dimsOf(const LayoutNode &node)
{
    return QList<int>(node.dims().begin(), node.dims().end());
}

QString repeated(const char *unit, int times)
{
    return QString::fromLatin1(unit).repeated(times);
}

} // namespace

class LayoutParserTest : public QObject
{
    Q_OBJECT

private slots:
    // A field's count is the product of its dimensions, its element size that of its type or,
    // for a block, the sum of its members' sizes; whitespace and a trailing comma are free.
    void parsesFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("dims");
        QTest::addColumn<int>("elementSize");
        QTest::addColumn<int>("count");

        const auto row = [](const char *tag, const QString &text, const QString &name,
                            LayoutType type, QList<int> dims, int elementSize, int count) {
            QTest::newRow(tag) << text << name << int(type) << dims << elementSize << count;
        };
        row("i8", "f: i8", "f", LayoutType::I8, {}, 1, 1);
        row("u8", "f: u8", "f", LayoutType::U8, {}, 1, 1);
        row("i16", "f: i16", "f", LayoutType::I16, {}, 2, 1);
        row("u16", "f: u16", "f", LayoutType::U16, {}, 2, 1);
        row("i32", "f: i32", "f", LayoutType::I32, {}, 4, 1);
        row("u32", "f: u32", "f", LayoutType::U32, {}, 4, 1);
        row("two dimensions", "a: u8[10][3]", "a", LayoutType::U8, {10, 3}, 1, 30);
        row("leading zeros", "a: u16[007]", "a", LayoutType::U16, {7}, 2, 7);
        row("zero elements", "a: u32[0]", "a", LayoutType::U32, {0}, 4, 0);
        row("bit fields keep the size", "f: u16 { a: 0..4, b: 4..16 }[2]", "f", LayoutType::U16,
            {2}, 2, 2);
        row("packed block", "a: { x: u8, y: u16, }", "a", LayoutType::Block, {}, 3, 1);
        row("no trailing comma", "a: { x: u8, y: u16 }", "a", LayoutType::Block, {}, 3, 1);
        row("block array", "a: { x: u16, y: u8 }[10][3]", "a", LayoutType::Block, {10, 3}, 3, 30);
        row("empty block", "a: {}", "a", LayoutType::Block, {}, 0, 1);
        row("every whitespace", "\t\n a \r:\v{\f x : u8 [ 2 ] , }\n\n", "a", LayoutType::Block, {},
            2, 1);
        row("no whitespace", "a:{x:u8[2],y:{z:i32}[2],}", "a", LayoutType::Block, {}, 10, 1);
        row("text after the field is ignored", "a: u8 b: u16 } ]", "a", LayoutType::U8, {}, 1, 1);
        row("unicode letters and digits", QStringLiteral("größe_٣: u8"), QStringLiteral("größe_٣"),
            LayoutType::U8, {}, 1, 1);
        row("letter outside the BMP", QStringLiteral("a𝒜b: u8"), QStringLiteral("a𝒜b"),
            LayoutType::U8, {}, 1, 1);
        row("largest count", "a: u8[2147483647]", "a", LayoutType::U8, {2147483647}, 1, 2147483647);
        row("largest u32 array", "a: u32[536870911]", "a", LayoutType::U32, {536870911}, 4,
            536870911);
        row("largest block", "a: { x: u8[2147483646], y: u8 }", "a", LayoutType::Block, {},
            2147483647, 1);
    }

    void parsesFields()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);

        const LayoutNode node = parseLayout(text);

        QCOMPARE(node.name(), name);
        QTEST(int(node.type()), "type");
        QTEST(dimsOf(node), "dims");
        QTEST(node.elementSize(), "elementSize");
        QTEST(node.count(), "count");
    }

    // The receiver-settings section and the bit-field example of the level-calibration
    // settings, as the device documents them.
    void laysOutReferenceSchemas()
    {
        const LayoutNode receiver = parseLayout(kReceiverSettings);
        QCOMPARE(receiver.name(), QStringLiteral("receiverSettings"));
        QCOMPARE(receiver.byteSize(), 16);
        QCOMPARE(alignLayout(receiver), receiver); // already aligned: no padding

        const FieldLocation orientation = receiver.locate("orientation");
        QCOMPARE(orientation.offset, 0);
        QCOMPARE(orientation.node->byteSize(), 4);
        QCOMPARE(orientation.locate("zSource").offset, 2);
        QCOMPARE(orientation.locate("rfu1").offset, 3);
        QCOMPARE(receiver.locate("optionBits").offset, 4);
        QCOMPARE(receiver.locate("rfu2").offset, 5);
        QCOMPARE(receiver.locate("attitudeTrim", 1).offset, 7);
        QCOMPARE(receiver.locate("gyroPassbandHz").offset, 8);
        QCOMPARE(receiver.locate("gyroStopbandHz").offset, 12);
        QCOMPARE(receiver.locate("gyroStopbandHz").node->type(), LayoutType::U32);

        const LayoutNode calibration =
            parseLayout("root: { correlationThreshold: u16, systemMode: u8, systemFeatures: u8 { "
                        "lyraSensor: 0..1 }, }");
        QCOMPARE(calibration.byteSize(), 4);
        const LayoutNode *features = calibration.child("systemFeatures");
        QVERIFY(features);
        QCOMPARE(features->bitFields().size(), size_t(1));
        QCOMPARE(features->bitFields().front(), (BitField{"lyraSensor", 0, 1}));
    }

    void parsesBitFields()
    {
        const LayoutNode node = parseLayout("f: u16 { gain: 0..10, reverse: 10..11 , "
                                            "mode : 12 .. 14, all: 0..16 }");
        const std::vector<BitField> expected{
            {"gain", 0, 10}, {"reverse", 10, 1}, {"mode", 12, 2}, {"all", 0, 16}};
        QCOMPARE(node.bitFields(), expected);
    }

    // Every error names what was expected, and points at the offending value or at the place
    // where the missing token should have been (after whitespace).
    void reportsErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("position");

        const auto row = [](const char *tag, const QString &text, const char *message,
                            int position) {
            QTest::newRow(tag) << text << QString::fromUtf8(message) << position;
        };
        row("empty text", "", "Expected identifier", 0);
        row("only whitespace", " \n ", "Expected identifier", 3);
        row("no field name", ": u8", "Expected identifier", 0);
        row("no colon", "a u8", "Expected : after field name", 2);
        row("ends after colon", "f:", "Expected type", 2);
        row("dimension instead of type", "f: [3]", "Expected type", 3);
        row("unknown type", "f: u64", "Expected valid type name but found u64", 3);
        row("type names are case-sensitive", "f: U8", "Expected valid type name but found U8", 3);
        row("unknown member type", "a: { x: float }", "Expected valid type name but found float",
            8);
        row("missing comma", "a: { x: u8 y: u8 }", "Expected } to close block", 11);
        row("wrong closing bracket", "a: { x: u8 ]", "Expected } to close block", 11);
        row("unclosed block", "a: {", "Expected identifier", 4);
        row("ends after comma", "a: { x: u8,", "Expected identifier", 11);
        row("comma without member", "a: { , }", "Expected identifier", 5);
        row("bit field without name", "f: u8 { : 0..1 }", "Expected identifier", 8);
        row("bit field without colon", "f: u8 { b 0..1 }", "Expected : after bit field name", 10);
        row("no start bit", "f: u8 { b: ..1 }", "Expected starting bit index", 11);
        row("start bit too large", "f: u8 { b: 99999999999..1 }", "Expected starting bit index",
            11);
        row("single dot", "f: u8 { b: 0.1 }", "Expected .. after starting bit index", 12);
        row("no end bit", "f: u8 { b: 0.. }", "Expected ending bit index", 15);
        row("empty bit range", "f: u8 { b: 3..3 }",
            "Starting bit index must be less than ending index", 11);
        row("reversed bit range", "f: u8 { b: 4..2 }",
            "Starting bit index must be less than ending index", 11);
        row("past 8 bits", "f: u8 { b: 0..9 }", "Ending bit index out of bounds", 14);
        row("past 16 bits", "f: i16 { b: 0..17 }", "Ending bit index out of bounds", 15);
        row("bit fields without comma", "f: u8 { b: 0..1 c: 1..2 }", "Expected } to close block",
            16);
        row("empty dimension", "f: u8[]", "Expected integer", 6);
        row("negative dimension", "f: u8[-1]", "Expected integer", 6);
        row("dimension past 32 bits", "f: u8[2147483648]", "Expected integer", 6);
        row("non-ASCII digit", QStringLiteral("f: u8[٣]"), "Expected integer", 6);
        row("unclosed dimension", "f: u8[3", "Expected ] to close", 7);
        row("two numbers in a dimension", "f: u8[3 4]", "Expected ] to close", 8);
        row("error inside nested block", "a: { b: { c: u8[x] } }", "Expected integer", 16);
        // Sizes past 32 bits would overflow the offsets of every look-up.
        row("count past 32 bits", "a: u8[2147483647][2]",
            "Array element count does not fit 32 bits", 18);
        row("count of exactly 2^31", "a: u8[65536][32768]",
            "Array element count does not fit 32 bits", 13);
        row("bytes past 32 bits", "a: u16[1073741824]", "Field size does not fit 32 bits", 7);
        row("block array past 32 bits", "a: { x: u16 }[1073741824]",
            "Field size does not fit 32 bits", 14);
        row("two of the largest field", "a: { x: u8[2147483647] }[2]",
            "Field size does not fit 32 bits", 25);
        row("members past 32 bits", "a: { x: u8[2147483647], y: u8 }",
            "Block size does not fit 32 bits", 24);
        row("nesting past the limit", QStringLiteral("a:") + repeated("{b:", 64) + "{c:u8}",
            "Blocks nested more than 64 deep", 2 + 3 * 64);
    }

    void reportsErrors()
    {
        QFETCH(QString, text);
        try {
            const LayoutNode node = parseLayout(text);
            QFAIL(qPrintable("parsed without error: " + node.name()));
        } catch (const ParseException &error) {
            QTEST(QString::fromUtf8(error.what()), "message");
            QTEST(int(error.position()), "position");
        }
    }

    // Texts of many megabytes either parse or fail with an error, in time linear in their
    // length and with bounded recursion.
    void survivesHostileTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error"); // empty: the text parses

        constexpr int kTenMegabytes = 10 * 1024 * 1024;
        QTest::newRow("10 MB of {") << QString(kTenMegabytes, u'{') << "Expected identifier";
        QTest::newRow("a field of 10 MB of {")
            << "a:" + QString(kTenMegabytes, u'{') << "Expected identifier";
        QTest::newRow("10 MB of nested fields")
            << "a:" + repeated("{b:", kTenMegabytes / 3) << "Blocks nested more than 64 deep";
        QTest::newRow("nesting at the limit")
            << "a:" + repeated("{b:", 63) + "{c:u8}" + repeated("}", 63) << "";
        QTest::newRow("10 MB of digits") << "a: u8[" + QString(kTenMegabytes, u'9') + "]"
                                         << "Expected integer";
        QTest::newRow("a million dimensions") << "a: u8" + repeated("[1]", 1000000) << "";
        QTest::newRow("a million members") << "a: {" + repeated("b: u8,", 1000000) + "}"
                                           << "";
        QTest::newRow("a million bit fields") << "a: u32 {" + repeated("b: 0..32,", 1000000) + "}"
                                              << "";
        QTest::newRow("a 10 MB type name")
            << "a: " + QString(kTenMegabytes, u'x') << "Expected valid type name but found x";
    }

    void survivesHostileTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        try {
            (void)parseLayout(text);
            QVERIFY2(error.isEmpty(), "parsed without error");
        } catch (const ParseException &exception) {
            QVERIFY2(!error.isEmpty(), exception.what());
            QVERIFY2(QString::fromUtf8(exception.what()).startsWith(error), exception.what());
        }
    }
};

ZX_REGISTER_TEST(LayoutParserTest);
#include "test_layoutparser.moc"
