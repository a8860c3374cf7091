#include "devicestate/layoutparser.h"
#include "models/sectionjson.h"
#include "testregistry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QString compactJson(const QJsonValue &value)
{
    // Wrapped, because a document holds only objects and arrays.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QJsonValue parseJson(const QString &text)
{
    return QJsonDocument::fromJson(("[" + text + "]").toUtf8()).array().at(0);
}

} // namespace

class SectionJsonTest : public QObject
{
    Q_OBJECT

private slots:
    // Bytes become the schema's fields; "rfu" is left out; every field keeps its schema offset,
    // so a section that ends early yields the fields up to the last complete one.
    void decodes_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("little-endian scalars with sign")
            << "r: { a: u8, b: i8, c: u16, d: i16, e: u32, f: i32 }"
            << QByteArray::fromHex("FFFF3412FEFF78563412FFFFFFFF")
            << R"({"a":255,"b":-1,"c":4660,"d":-2,"e":305419896,"f":-1})";
        QTest::newRow("rfu is not represented")
            << "r: { a: u8, rfu: u8[2], b: u8, rfu1: u8 }" << QByteArray::fromHex("01FFFF0203")
            << R"({"a":1,"b":2,"rfu1":3})";
        QTest::newRow("bit groups as unsigned members")
            << "r: { f: u8 { lo: 0..4, hi: 4..8 }, g: i16 { top: 15..16 } }"
            << QByteArray::fromHex("5A0080") << R"({"f":{"hi":5,"lo":10},"g":{"top":1}})";
        QTest::newRow("structure array keyed by index")
            << "r: { s: { x: u8 }[2] }" << QByteArray::fromHex("0102")
            << R"({"s":{"0":{"x":1},"1":{"x":2}}})";
        QTest::newRow("dimension of length 1 collapses")
            << "r: { a: u8[1], s: { x: u8 }[1], m: u8[1][2] }" << QByteArray::fromHex("07090506")
            << R"({"a":7,"m":[5,6],"s":{"x":9}})";
        QTest::newRow("nested dimensions")
            << "r: u8[2][2]" << QByteArray::fromHex("01020304") << "[[1,2],[3,4]]";
        QTest::newRow("short section stops at last complete field")
            << "r: { a: u16, b: u16, c: u8 }" << QByteArray::fromHex("010002") << R"({"a":1})";
        QTest::newRow("scalar array stops early")
            << "r: u8[4]" << QByteArray::fromHex("0102") << "[1,2]";
        QTest::newRow("short structure array keeps element offsets")
            << "r: { s: { x: u8, y: u32 }[2] }" << QByteArray::fromHex("010203")
            << R"({"s":{"0":{"x":1},"1":{}}})";
        QTest::newRow("empty section") << "r: { a: u8 }" << QByteArray() << "{}";
    }

    void decodes()
    {
        QFETCH(QString, schema);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(compactJson(decodeSection(parseLayout(schema), bytes)), expected);
    }

    // Only present numbers are written, truncated to the field's width; everything else leaves
    // the bytes as they were. Writing past the end extends the bytes with zeros.
    void encodes_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("json");
        QTest::addColumn<QByteArray>("after");

        const QString pair = "r: { a: u8, b: u16 }";
        QTest::newRow("missing member untouched") << pair << QByteArray::fromHex("0A0B0C")
                                                  << R"({"b":5})" << QByteArray::fromHex("0A0500");
        QTest::newRow("extends with zeros")
            << pair << QByteArray() << R"({"b":258})" << QByteArray::fromHex("000201");
        QTest::newRow("truncated to width")
            << pair << QByteArray() << R"({"a":-1,"b":70000})" << QByteArray::fromHex("FF7011");
        QTest::newRow("fraction dropped, huge values saturate")
            << "r: { a: u8, b: u16, c: u32 }" << QByteArray(7, '\x55')
            << R"({"a":3.9,"b":1e300,"c":-1e300})" << QByteArray::fromHex("03FFFF00000000");
        QTest::newRow("non-numbers leave bytes")
            << pair << QByteArray::fromHex("0A0B0C") << R"({"a":"12","b":[1]})"
            << QByteArray::fromHex("0A0B0C");
        QTest::newRow("wrong container leaves bytes")
            << pair << QByteArray::fromHex("0A0B0C") << "[1,2]" << QByteArray::fromHex("0A0B0C");
        QTest::newRow("bit groups masked, uncovered bits kept")
            << "r: { f: u8 { lo: 0..2, hi: 4..6 } }" << QByteArray::fromHex("CC")
            << R"({"f":{"lo":7,"hi":1}})" << QByteArray::fromHex("DF");
        QTest::newRow("missing bit group is 0")
            << "r: { f: u8 { lo: 0..4, hi: 4..8 } }" << QByteArray::fromHex("FF")
            << R"({"f":{"hi":2}})" << QByteArray::fromHex("20");
        QTest::newRow("array longer than schema")
            << "r: { a: u8[2], b: u8 }" << QByteArray(3, '\0') << R"({"a":[1,2,3,4]})"
            << QByteArray::fromHex("010200");
        QTest::newRow("structure elements by index, bad indices ignored")
            << "r: { s: { x: u8 }[2] }" << QByteArray(2, '\0')
            << R"({"s":{"1":{"x":9},"2":{"x":1},"-1":{"x":1},"a":{"x":1}}})"
            << QByteArray::fromHex("0009");
        QTest::newRow("rfu not written") << "r: { rfu: u8, a: u8 }" << QByteArray(2, '\0')
                                         << R"({"rfu":5,"a":1})" << QByteArray::fromHex("0001");
        QTest::newRow("collapsed dimension")
            << "r: { s: { x: u8 }[1], a: u8 }" << QByteArray(2, '\0') << R"({"s":{"x":4},"a":6})"
            << QByteArray::fromHex("0406");
    }

    void encodes()
    {
        QFETCH(QString, schema);
        QFETCH(QByteArray, before);
        QFETCH(QString, json);
        QFETCH(QByteArray, after);
        QByteArray bytes = before;
        encodeSection(parseLayout(schema), parseJson(json), bytes);
        QCOMPARE(bytes.toHex(), after.toHex());
    }

    void decodedJsonEncodesBackToTheSameBytes()
    {
        const LayoutNode schema = parseLayout(
            "r: { a: i8, s: { x: u16, f: u8 { lo: 0..3, hi: 3..8 } }[3], rfu: u8, t: i32[2][2] }");
        QByteArray original(schema.byteSize(), '\0');
        for (int i = 0; i < original.size(); ++i)
            original[i] = char(0x9D * (i + 1));
        original[10] = '\0'; // rfu is not in the mirror
        QByteArray rebuilt(original.size(), '\0');
        encodeSection(schema, decodeSection(schema, original), rebuilt);
        QCOMPARE(rebuilt.toHex(), original.toHex());
    }
};

ZX_REGISTER_TEST(SectionJsonTest);
#include "test_sectionjson.moc"
