#include "online/versions.h"
#include "testregistry.h"

#include <QTest>

Q_DECLARE_METATYPE(VersionOrder)

class VersionsTest : public QObject
{
    Q_OBJECT

private slots:
    // Part by part as numbers; a missing part counts as 0; anything but digits is Invalid.
    void compareVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<VersionOrder>("expected");
        const auto row = [](const char *a, const char *b, VersionOrder order) {
            QTest::addRow("'%s' vs '%s'", a, b) << QString(a) << QString(b) << order;
        };
        row("3.10.6", "3.10.6", VersionOrder::Equal);
        row("3.9", "3.10", VersionOrder::Less); // numbers, not text
        row("3.10", "3.9", VersionOrder::Greater);
        row("4.0", "3.99.99", VersionOrder::Greater);
        row("3.10", "3.10.6", VersionOrder::Less);
        row("3.10.6", "3.10", VersionOrder::Greater);
        row("3.10", "3.10.0", VersionOrder::Equal);
        row("3.10.0.0", "3.10", VersionOrder::Equal);
        row("03.010", "3.10", VersionOrder::Equal);
        row("1.99999999999999999999", "1.99999999999999999998", VersionOrder::Greater);
        row("", "", VersionOrder::Equal);
        row("", "0.0", VersionOrder::Equal);
        row("", "1", VersionOrder::Less);
        row("3..1", "3.0.1", VersionOrder::Invalid);
        row("3.1.", "3.1", VersionOrder::Invalid);
        row("3.1", "3.x", VersionOrder::Invalid);
        row("2.0", "1.0b", VersionOrder::Invalid); // decided early, still invalid
        row("1.-1", "1.0", VersionOrder::Invalid);
        row("1.+1", "1.1", VersionOrder::Invalid);
        row(" 1.0", "1.0", VersionOrder::Invalid);
        row("1.\xd9\xa3", "1.3", VersionOrder::Invalid); // Arabic-Indic three
    }
    void compareVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(VersionOrder, expected);
        QCOMPARE(::compareVersions(a, b), expected);
    }

    // From four before the end leftwards, a hyphen wherever more than five characters precede.
    void serialNumberDisplayForm_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("9 unchanged") << "ABCDEFGHI"
                                     << "ABCDEFGHI";
        QTest::newRow("10") << "ABCDEFGHIJ"
                            << "ABCDEF-GHIJ";
        QTest::newRow("13") << "ABCDEFGHIJKLM"
                            << "ABCDEFGHI-JKLM";
        QTest::newRow("14") << "ABCDEFGHIJKLMN"
                            << "ABCDEF-GHIJ-KLMN";
        QTest::newRow("17") << "ABCDEFGHIJKLMNOPQ"
                            << "ABCDEFGHI-JKLM-NOPQ";
        QTest::newRow("18") << "ABCDEFGHIJKLMNOPQR"
                            << "ABCDEF-GHIJ-KLMN-OPQR";
    }
    void serialNumberDisplayForm()
    {
        QFETCH(QString, serial);
        QFETCH(QString, shown);
        QCOMPARE(::serialNumberDisplayForm(serial), shown);
    }

    void isUnprogrammedSerialNumber_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<bool>("unprogrammed");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("30 x 0xFF") << QString(30, QChar(0xFF)) << true;
        QTest::newRow("30 x 0x00") << QString(30, QChar(0x00)) << true;
        QTest::newRow("29 x 0xFF") << QString(29, QChar(0xFF)) << false;
        QTest::newRow("31 x 0x00") << QString(31, QChar(0x00)) << false;
        QTest::newRow("mixed") << QString(15, QChar(0xFF)) + QString(15, QChar(0x00)) << false;
        QTest::newRow("a real serial") << "ABCDEFGHIJKLM" << false;
    }
    void isUnprogrammedSerialNumber()
    {
        QFETCH(QString, serial);
        QFETCH(bool, unprogrammed);
        QCOMPARE(::isUnprogrammedSerialNumber(serial), unprogrammed);
    }
};

ZX_REGISTER_TEST(VersionsTest);
#include "test_versions.moc"
