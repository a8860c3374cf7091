#include "online/updatechoice.h"
#include "testregistry.h"

#include <QTest>

Q_DECLARE_METATYPE(UpdateData)

namespace {

constexpr int kDeviceProduct = 0x8A;

UpdateData update(const QString &guid, const QString &version,
                  std::optional<std::uint16_t> productCode = kDeviceProduct)
{
    UpdateData data;
    data.guid = guid;
    data.version = version;
    data.productCode = productCode;
    return data;
}

UpdateData withRequired(UpdateData data, const QString &min, const QString &max)
{
    data.requiredMinVersion = min;
    data.requiredMaxVersion = max;
    return data;
}

UpdateData withRange(UpdateData data, const QString &min, const QString &max)
{
    data.minVersion = min;
    data.maxVersion = max;
    return data;
}

QStringList guids(const QList<UpdateData> &updates)
{
    QStringList result;
    for (const UpdateData &data : updates)
        result.append(data.guid);
    return result;
}

} // namespace

// The required range decides what is offered at all; the product code, the min/max range and
// a higher version decide what is proposed, the first of equals winning.
class UpdateChoiceTest : public QObject
{
    Q_OBJECT

private slots:
    void chooseUpdates_data()
    {
        QTest::addColumn<QList<UpdateData>>("offered");
        QTest::addColumn<QString>("deviceVersion");
        QTest::addColumn<int>("productCode");
        QTest::addColumn<QStringList>("available");
        QTest::addColumn<QString>("proposed"); // guid, empty = none

        QTest::newRow("nothing offered")
            << QList<UpdateData>{} << "1.0" << kDeviceProduct << QStringList{} << "";
        QTest::newRow("required minimum above the device")
            << QList{withRequired(update("a", "2.1"), "2.0", ""), update("b", "2.0")} << "1.9"
            << kDeviceProduct << QStringList{"b"} << "b";
        QTest::newRow("required range holds the device, bounds included")
            << QList{withRequired(update("a", "2.0"), "1.9", "1.9"),
                     withRequired(update("b", "2.1"), "1.0", "1.9.0")}
            << "1.9" << kDeviceProduct << QStringList{"a", "b"} << "b";
        QTest::newRow("required maximum below the device")
            << QList{withRequired(update("a", "3.0"), "", "1.8")} << "1.9" << kDeviceProduct
            << QStringList{} << "";
        QTest::newRow("required bound that is no version drops the update")
            << QList{withRequired(update("a", "3.0"), "1.x", ""), update("b", "2.0")} << "1.9"
            << kDeviceProduct << QStringList{"b"} << "b";
        QTest::newRow("first of two equal highest versions")
            << QList{update("a", "2.0"), update("b", "2.1"), update("c", "2.1.0"),
                     update("d", "1.9.5")}
            << "1.9" << kDeviceProduct << QStringList{"a", "b", "c", "d"} << "b";
        QTest::newRow("nothing above the device")
            << QList{update("a", "1.9"), update("b", "1.8")} << "1.9" << kDeviceProduct
            << QStringList{"a", "b"} << "";
        QTest::newRow("missing part counts as zero: 3.10 takes 3.10.6")
            << QList{update("a", "3.10.6")} << "3.10" << kDeviceProduct << QStringList{"a"} << "a";
        QTest::newRow("no product code is offered, never proposed")
            << QList{update("a", "5.0", std::nullopt), update("b", "2.0")} << "1.0"
            << kDeviceProduct << QStringList{"a", "b"} << "b";
        QTest::newRow("another product code is not proposed")
            << QList{update("a", "5.0", 0x8B)} << "1.0" << kDeviceProduct << QStringList{"a"} << "";
        QTest::newRow("product code compared as unsigned 16-bit")
            << QList{update("a", "2.0", 0xFFFF), update("b", "3.0", 0x008A)} << "1.0" << -1
            << QStringList{"a", "b"} << "a";
        QTest::newRow("wide device product code keeps its low 16 bits")
            << QList{update("a", "2.0", 0x008A)} << "1.0" << 0x1008A << QStringList{"a"} << "a";
        QTest::newRow("min/max range limits the proposal, not the offer")
            << QList{withRange(update("a", "3.0"), "2.0", ""),
                     withRange(update("b", "2.5"), "", "1.5"),
                     withRange(update("c", "2.2"), "1.9", "1.9")}
            << "1.9" << kDeviceProduct << QStringList{"a", "b", "c"} << "c";
        QTest::newRow("update version that is no version is not proposed")
            << QList{update("a", "2.x"), update("b", "2.0")} << "1.9" << kDeviceProduct
            << QStringList{"a", "b"} << "b";
    }
    void chooseUpdates()
    {
        QFETCH(QList<UpdateData>, offered);
        QFETCH(QString, deviceVersion);
        QFETCH(int, productCode);
        QFETCH(QStringList, available);
        QFETCH(QString, proposed);

        const UpdateChoice choice = ::chooseUpdates(offered, deviceVersion, productCode);
        QCOMPARE(guids(choice.available), available);
        if (proposed.isEmpty()) {
            QVERIFY(!choice.proposedIndex);
        } else {
            QVERIFY(choice.proposedIndex);
            QCOMPARE(choice.available.at(*choice.proposedIndex).guid, proposed);
        }
    }
};

ZX_REGISTER_TEST(UpdateChoiceTest);
#include "test_updatechoice.moc"
