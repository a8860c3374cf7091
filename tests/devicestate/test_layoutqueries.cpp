#include "devicestate/layout.h"
#include "testregistry.h"

#include <QtTest>

namespace {

// Members with their offsets inside the block, "_padding" with its length, nested blocks in
// braces: "x@0 _padding(1)@1 y@2 b@4{c@0}".
QString shape(const LayoutNode &block)
{
    QStringList parts;
    int offset = 0;
    for (const auto &child : block.children()) {
        QString part = child.name();
        if (child.name() == QLatin1String("_padding")) {
            if (child.type() != LayoutType::U8 || child.dims().size() != 1)
                return "malformed padding";
            part += QStringLiteral("(%1)").arg(child.dims().front());
        }
        part += QStringLiteral("@%1").arg(offset);
        if (child.isBlock())
            part += "{" + shape(child) + "}";
        parts << part;
        offset += child.byteSize();
    }
    return parts.join(' ');
}

// Follows "name:index/name:index/..." from the root; the index defaults to 0.
FieldLocation follow(const LayoutNode &root, const QString &path)
{
    FieldLocation location{0, &root};
    for (const QString &step : path.split('/')) {
        const QStringList parts = step.split(':');
        location = location.locate(parts[0], parts.size() > 1 ? parts[1].toInt() : 0);
    }
    return location;
}

// Packed; model elements are 48 bytes: name 8, cp 40 (trims 4, servo 12 × 3).
const QString kTransmitterLike = QStringLiteral(R"(
root: {
    header: u16,
    rfu: u8[2],
    model: {
        name: u8[8],
        cp: { trims: i8[4], servo: { travel: u16, reverse: u8 }[12] },
    }[4],
    crc: u32,
    rfu: u32,
})");

} // namespace

class LayoutQueriesTest : public QObject
{
    Q_OBJECT

private slots:
    // Each member starts at a multiple of its alignment; a block used as an array is padded to
    // its alignment at the end, a single block is not.
    void alignsMembers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<int>("elementSize");

        QTest::newRow("gap before u16") << "a: { x: u8, y: u16, }"
                                        << "x@0 _padding(1)@1 y@2" << 4;
        QTest::newRow("array gets tail padding") << "a: { x: u16, y: u8, }[2]"
                                                 << "x@0 y@2 _padding(1)@3" << 4;
        QTest::newRow("single block keeps odd size") << "a: { x: u16, y: u8, }"
                                                     << "x@0 y@2" << 3;
        QTest::newRow("array of one keeps odd size") << "a: { x: u16, y: u8 }[1]"
                                                     << "x@0 y@2" << 3;
        QTest::newRow("i32 inside array") << "a: { x: i8, y: i32, z: i16 }[3]"
                                          << "x@0 _padding(3)@1 y@4 z@8 _padding(2)@10" << 12;
        QTest::newRow("nested block aligns to its widest member")
            << "a: { x: u8, b: { c: u32 } }"
            << "x@0 _padding(3)@1 b@4{c@0}" << 8;
        QTest::newRow("nested array aligned inside")
            << "a: { x: u8, b: { c: u8, d: u16 }[2] }"
            << "x@0 _padding(1)@1 b@2{c@0 _padding(1)@1 d@2}" << 10;
        QTest::newRow("odd nested block shifts the next member")
            << "a: { b: { c: u16, d: u8 }, e: u16 }"
            << "b@0{c@0 d@2} _padding(1)@3 e@4" << 6;
        QTest::newRow("empty member still aligned") << "a: { x: u8, y: u32[0], z: u8 }"
                                                    << "x@0 _padding(3)@1 y@4 z@4" << 5;
        QTest::newRow("empty block aligns to 1") << "a: { x: u8, e: {}, y: u8 }"
                                                 << "x@0 e@1{} y@1" << 2;
        QTest::newRow("scalar unchanged") << "a: u16[3]"
                                          << "" << 2;
    }

    void alignsMembers()
    {
        QFETCH(QString, text);
        const LayoutNode packed = parseLayout(text);

        const LayoutNode aligned = alignLayout(packed);

        QTEST(shape(aligned), "shape");
        QTEST(aligned.elementSize(), "elementSize");
        QCOMPARE(aligned.name(), packed.name());
        QCOMPARE(aligned.dims(), packed.dims());
        QCOMPARE(aligned.count(), packed.count());
    }

    void reportsAlignment_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("alignment");

        QTest::newRow("u8") << "a: u8[3]" << 1;
        QTest::newRow("i16") << "a: i16" << 2;
        QTest::newRow("u32 with bit fields") << "a: u32 { b: 0..1 }" << 4;
        QTest::newRow("empty block") << "a: {}" << 1;
        QTest::newRow("widest nested member") << "a: { x: u8, b: { c: i32 }[0], d: u16 }" << 4;
    }

    void reportsAlignment()
    {
        QFETCH(QString, text);
        QTEST(parseLayout(text).alignment(), "alignment");
    }

    // Padding can push a layout that fits 32 bits packed past the limit.
    void rejectsAlignedSizePast32Bits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("tail padding of an array") << "a: { x: u16, y: u8 }[700000000]";
        QTest::newRow("inside a member") << "a: { b: { x: u16, y: u8 }[700000000] }";
        QTest::newRow("gaps between members")
            << "a: { x: u8[2147483644], y: u8, z: u32[0], w: u8 }";
    }

    void rejectsAlignedSizePast32Bits()
    {
        QFETCH(QString, text);
        const LayoutNode packed = parseLayout(text);
        try {
            const LayoutNode aligned = alignLayout(packed);
            QFAIL(qPrintable(QStringLiteral("aligned to %1 bytes").arg(aligned.elementSize())));
        } catch (const ParseException &error) {
            QVERIFY2(QByteArray(error.what()).contains("does not fit 32 bits"), error.what());
            QCOMPARE(error.position(), ParseException::kNoPosition);
        }
    }

    // Locations chain from the root down a path; the offset sums the sizes of the members
    // before the first one with the name, plus the element index times the element size.
    void locatesFields_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("offset");

        QTest::newRow("first member") << "header" << true << 0;
        QTest::newRow("first of two with the name") << "rfu" << true << 2;
        QTest::newRow("after a block array") << "crc" << true << 196;
        QTest::newRow("element of a scalar array") << "model/name:7" << true << 11;
        QTest::newRow("deep path") << "model:2/cp/servo:3/reverse" << true << 123;
        QTest::newRow("index past the count is not checked") << "model/cp/servo:15" << true << 61;
        QTest::newRow("unknown name") << "missing" << false << 0;
        QTest::newRow("unknown name below a location") << "model:1/missing" << false << 52;
        QTest::newRow("below a missing location") << "missing/cp" << false << 0;
        QTest::newRow("inside a scalar") << "header/x" << false << 0;
        QTest::newRow("negative offset") << "model:-1" << false << 0;
        QTest::newRow("offset past 32 bits") << "model:2147483647" << false << 0;
    }

    void locatesFields()
    {
        QFETCH(QString, path);
        QFETCH(bool, found);
        const LayoutNode root = parseLayout(kTransmitterLike);

        const FieldLocation location = follow(root, path);

        QCOMPARE(location.found(), found);
        QTEST(location.offset, "offset");
        if (found)
            QCOMPARE(location.node->name(), path.section('/', -1).section(':', 0, 0));
    }

    void findsChildByName()
    {
        const LayoutNode root = parseLayout(kTransmitterLike);
        QCOMPARE(root.byteSize(), 204);
        QVERIFY(!root.child("missing"));
        QVERIFY(!root.child("servo")); // members of members are not children
        QCOMPARE(root.child("rfu")->type(), LayoutType::U8);
        QCOMPARE(root.child("model")->child("cp")->locate("servo", 1).offset, 7);
    }

    // One line per member: indentation, name in 29 columns less the indentation, absolute
    // offset in 4 columns; members of members follow indented, array elements are not repeated.
    void describesLayout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("baseOffset");
        QTest::addColumn<QString>("listing");

        const QString receiverSettings =
            "receiverSettings: { orientation: { xSource: u8, ySource: u8, zSource: u8, rfu1: u8 "
            "}, optionBits: u8, rfu2: u8, attitudeTrim: i8[2], gyroPassbandHz: u32, "
            "gyroStopbandHz: u32 }";
        QTest::newRow("receiver settings") << receiverSettings << 0 << 0
                                           << "orientation                      0\n"
                                              "  xSource                        0\n"
                                              "  ySource                        1\n"
                                              "  zSource                        2\n"
                                              "  rfu1                           3\n"
                                              "optionBits                       4\n"
                                              "rfu2                             5\n"
                                              "attitudeTrim                     6\n"
                                              "gyroPassbandHz                   8\n"
                                              "gyroStopbandHz                  12\n";
        QTest::newRow("indented with a base offset")
            << "a: { x: u8, y: { z: u16 }[3], w: u8 }" << 2 << 100
            << "    x                          100\n"
               "    y                          101\n"
               "      z                        101\n"
               "    w                          107\n";
        QTest::newRow("long names and offsets are not cut")
            << "a: { aSettingNameLongerThanItsColumn: u8[20000], b: u8 }" << 0 << 0
            << "aSettingNameLongerThanItsColumn    0\n"
               "b                             20000\n";
        QTest::newRow("scalar lists nothing") << "a: u8" << 0 << 0 << "";
    }

    void describesLayout()
    {
        QFETCH(QString, text);
        QFETCH(int, level);
        QFETCH(int, baseOffset);
        QTEST(describeLayout(parseLayout(text), level, baseOffset), "listing");
    }
};

ZX_REGISTER_TEST(LayoutQueriesTest);
#include "test_layoutqueries.moc"
