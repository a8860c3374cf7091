#include "device/sectioncrc.h"
#include "testregistry.h"

#include <QTest>

// Expected values come from an independent bit-by-bit implementation of the same CRC.
class SectionCrcTest : public QObject
{
    Q_OBJECT

private slots:
    void knownVectors_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<quint32>("crc");
        QTest::newRow("no words") << QByteArray() << quint32(0x01700170);
        QTest::newRow("partial word only") << QByteArray::fromHex("010203") << quint32(0x01700170);
        QTest::newRow("one word") << QByteArray::fromHex("01020304") << quint32(0x64DB05E8);
        QTest::newRow("zero word") << QByteArray(4, '\0') << quint32(0xBE743FDC);
        QTest::newRow("two words")
            << QByteArray::fromHex("0102030405060708") << quint32(0xB63A81C6);
        QTest::newRow("trailing byte ignored")
            << QByteArray::fromHex("010203040506070809") << quint32(0xB63A81C6);
        QTest::newRow("erased receiver image")
            << QByteArray(1856, char(0xFF)) << quint32(0x73D68B32);
    }
    void knownVectors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(quint32, crc);
        QCOMPARE(sectionCrc(bytes), crc);
    }

    // Padding fills the last word with zeros; whole words are unchanged by it.
    void padded()
    {
        QCOMPARE(paddedSectionCrc(QByteArray::fromHex("01020304")), quint32(0x64DB05E8));
        QCOMPARE(paddedSectionCrc(QByteArray::fromHex("0102030405")),
                 sectionCrc(QByteArray::fromHex("0102030405000000")));
    }
};

ZX_REGISTER_TEST(SectionCrcTest);
#include "test_sectioncrc.moc"
