#include "devicestate/devicecatalog.h"
#include "testregistry.h"

#include <QSet>
#include <QtTest>

namespace {

constexpr int kNoEntry = -1;

// A serial number as devices carry it: a prefix, then 18 bytes in Base64 with the product
// letter at index 8. The other bytes encode to '+' and '/', so a decoder of any alphabet but
// the standard one would come up short.
QString serialWithLetter(char letter, const QString &prefix = "AB1234", int byteCount = 18)
{
    QByteArray data(byteCount, char(0xFF));
    data[0] = char(0xFB);
    data[1] = char(0xEF);
    data[2] = char(0xBE);
    data[8] = letter;
    return prefix + QString::fromLatin1(data.toBase64());
}

QString withTailCharacter(QString serial, QChar replacement)
{
    serial[serial.size() - 5] = replacement;
    return serial;
}

int indexOf(const DeviceCatalogEntry *entry)
{
    return entry ? int(entry - deviceCatalog().data()) : kNoEntry;
}

} // namespace

class DeviceCatalogTest : public QObject
{
    Q_OBJECT

private slots:
    // The product list in its fixed order: serial code, product code and the kind of product
    // that ends the display name. Each entry is found by a serial number with its letter.
    void entryMatchesProductList_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("serialCode");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<QString>("kind");

        const auto row = [](int index, int serialCode, int productCode, const char *kind) {
            QTest::addRow("%d", index) << index << serialCode << productCode << QString(kind);
        };
        row(0, 12, 217, "Receiver");
        row(1, 17, 224, "Receiver");
        row(2, 21, 218, "Receiver");
        row(3, 25, 219, "Receiver");
        row(4, 26, 231, "Receiver");
        row(5, 30, 231, "Receiver");
        row(6, 18, 225, "Programming Cable");
        row(7, 32, 238, "Receiver");
        row(8, 10, 214, "Receiver");
        row(9, 11, 216, "Receiver");
        row(10, 33, 239, "Transmitter");
        row(11, 57, 87, "Transmitter");
        row(12, 69, 90, "Transmitter");
        row(13, 51, 81, "Transmitter");
        row(14, 40, 58, "Stabiliser Box");
        row(15, 37, 41, "Receiver");
        row(16, 38, 40, "Receiver");
        row(17, 39, 42, "Receiver");
        row(18, 42, 43, "Receiver");
        row(19, 45, 44, "Receiver");
        row(20, 44, 45, "Receiver");
        row(21, 43, 46, "Receiver");
        row(22, 46, 37, "Receiver");
        row(23, 47, 38, "Receiver");
        row(24, 48, 39, "Receiver");
        row(25, 54, 69, "Remote Receiver");
        row(26, 61, 71, "Receiver");
        row(27, 63, 72, "Receiver");
        row(28, 64, 74, "Receiver");
        row(29, 65, 76, "Receiver");
        row(30, 66, 76, "Receiver");
        row(31, 67, 76, "Receiver");
        row(32, 68, 75, "Receiver");
        row(33, 77, 136, "Remote Receiver");
        row(34, 83, 140, "Remote Receiver");
        row(35, 70, 131, "Receiver");
        row(36, 74, 132, "Receiver");
        row(37, 78, 137, "Receiver");
        row(38, 75, 133, "Receiver");
        row(39, 85, 143, "Receiver");
        row(40, 86, 141, "Receiver");
        row(41, 87, 142, "Receiver");
        row(42, 88, 108, "Receiver");
        row(43, 91, 107, "Receiver");
        row(44, 92, 106, "Receiver");
        row(45, 79, 138, "Transmitter");
        row(46, 82, 139, "Transmitter");
        row(47, 94, 109, "Receiver");
        row(48, 95, 110, "Receiver");
        row(49, 100, 122, "Receiver");
        row(50, 101, 124, "Receiver");
        row(51, 102, 126, "Receiver");
        row(52, 36, 120, "Receiver");
        row(53, 49, 121, "Serial Receiver");
        row(54, 41, 253, "Control Unit");
        row(55, 113, 25, "Remote Identification Module");
        row(56, 121, 676, "USB Adapter");
        row(57, 122, 677, "Wireless Simulator Dongle");
    }

    void entryMatchesProductList()
    {
        QFETCH(int, index);
        QFETCH(int, serialCode);
        QFETCH(QString, kind);
        QCOMPARE(deviceCatalog().size(), size_t(58));
        const DeviceCatalogEntry &entry = deviceCatalog()[index];

        QCOMPARE(int(uint8_t(entry.serialCode)), serialCode);
        QTEST(int(entry.productCode), "productCode");
        QCOMPARE(QString(entry.displayName), QString(entry.shortName) + ' ' + kind);
        QVERIFY(!QString(entry.shortName).trimmed().isEmpty());
        QVERIFY(!QString(entry.sku).isEmpty());
        QCOMPARE(QString(entry.imageFile).isEmpty(), index >= 6);
        QCOMPARE(indexOf(catalogEntryForSerialNumber(serialWithLetter(entry.serialCode))), index);
    }

    void catalogKeepsItsInvariants()
    {
        QSet<char> serialCodes;
        int blankSkus = 0;
        for (const auto &entry : deviceCatalog()) {
            serialCodes.insert(entry.serialCode);
            blankSkus += QString(entry.sku) == QLatin1String(" ");
        }
        QCOMPARE(serialCodes.size(), kDeviceCatalogSize);
        QCOMPARE(blankSkus, 1);
        // The variant in entry 1 shows the picture of entry 0.
        QCOMPARE(QString(deviceCatalog()[1].imageFile), QString(deviceCatalog()[0].imageFile));
    }

    // The product letter is byte 8 of the last 24 characters read as standard Base64; they
    // must give exactly 18 bytes, and the serial number must have at least 30 characters.
    void looksUpSerialNumbers_data()
    {
        QTest::addColumn<QString>("serialNumber");
        QTest::addColumn<int>("index");

        QTest::newRow("control-character letter") << serialWithLetter(12) << 0;
        QTest::newRow("last entry") << serialWithLetter('z') << 57;
        QTest::newRow("shared product code") << serialWithLetter('B') << 30;
        QTest::newRow("letter N") << serialWithLetter('N') << 37;
        QTest::newRow("G with 909H at 2 to 5") << serialWithLetter('G', "AB909H") << 37;
        QTest::newRow("G with 909H elsewhere") << serialWithLetter('G', "A909HB") << kNoEntry;
        QTest::newRow("G alone") << serialWithLetter('G') << kNoEntry;
        QTest::newRow("909H without G") << serialWithLetter('H', "AB909H") << kNoEntry;
        QTest::newRow("letter of no product") << serialWithLetter('H') << kNoEntry;
        QTest::newRow("byte 0") << serialWithLetter(0) << kNoEntry;
        QTest::newRow("byte 255") << serialWithLetter(char(0xFF)) << kNoEntry;
        QTest::newRow("29 characters") << serialWithLetter('z', "AB123") << kNoEntry;
        QTest::newRow("30 characters") << serialWithLetter('z', "AB1234") << 57;
        QTest::newRow("long prefix") << serialWithLetter('z', QString(40, 'x')) << 57;
        QTest::newRow("prefix outside the alphabet") << serialWithLetter('z', "!é€ -_") << 57;
        QTest::newRow("17 bytes") << serialWithLetter('z', "AB1234567", 17) << kNoEntry;
        QTest::newRow("character outside the alphabet")
            << withTailCharacter(serialWithLetter('z'), '*') << kNoEntry;
        QTest::newRow("character outside Latin-1")
            << withTailCharacter(serialWithLetter('z'), QChar(0x20AC)) << kNoEntry;
        QString urlSafe = serialWithLetter('z');
        urlSafe.replace('+', '-').replace('/', '_');
        QTest::newRow("URL-safe alphabet") << urlSafe << kNoEntry;
        QTest::newRow("empty") << QString() << kNoEntry;
    }

    void looksUpSerialNumbers()
    {
        QFETCH(QString, serialNumber);
        QTEST(indexOf(catalogEntryForSerialNumber(serialNumber)), "index");
    }
};

ZX_REGISTER_TEST(DeviceCatalogTest);
#include "test_catalog.moc"
