#include "models/classes/gyroboxmodel.h"
#include "models/classes/schemacatalog.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kRoll = 0;
constexpr int kPitch = 1;
constexpr int kYaw = 2;
constexpr int kGyroScaler = 130;
constexpr int kOutputs = 336;
constexpr int kOutputSize = 64;

// Which axes each surface output has enabled, as "rpy" letters per output ("-" for none).
QStringList enabledAxes(const GyroboxModel &model)
{
    QStringList outputs;
    for (int output = 0; output < GyroboxModel::kSurfaceOutputCount; ++output) {
        QString axes;
        for (int axis = 0; axis < GyroboxModel::kAxisCount; ++axis) {
            const QList<GyroGainEntry> entries = model.gainEntries(output, axis);
            const bool all = std::all_of(entries.begin(), entries.end(),
                                         [](const GyroGainEntry &e) { return e.axisEnabled; });
            const bool none = std::none_of(entries.begin(), entries.end(),
                                           [](const GyroGainEntry &e) { return e.axisEnabled; });
            if (!all && !none)
                return {"mixed slots"};
            if (all)
                axes += QString("rpy").at(axis);
        }
        outputs.append(axes.isEmpty() ? "-" : axes);
    }
    return outputs;
}

QList<int> linkedOutputs(const GyroboxModel &model)
{
    QList<int> links;
    for (int output = 0; output < GyroboxModel::kSurfaceOutputCount; ++output)
        links.append(model.outputConfig(output).linkedOutput);
    return links;
}

} // namespace

class GyroboxModelTest : public QObject
{
    Q_OBJECT

private slots:
    void defaultImage()
    {
        QCOMPARE(GyroboxModel::imageSchema().byteSize(), GyroboxModel::kImageSize);
        const QByteArray image = builtinDefaultImage("stabiliser-box");
        QCOMPARE(image.size(), GyroboxModel::kImageSize);
        GyroboxModel model(0x3A, 0);
        QCOMPARE(model.memory().modelData(0), image);
        QCOMPARE(model.memory().section(0).deviceData, image);
        QCOMPARE(model.wingType(), GyroboxWing::Normal);
        QCOMPARE(model.tailType(), GyroboxTail::Normal);
        QCOMPARE(enabledAxes(model), (QStringList{"r", "r", "p", "p", "y", "y", "-", "-"}));

        model.setWingType(GyroboxWing::Elevon);
        QSignalSpy reset(&model, &DeviceModel::allSettingsChanged);
        model.resetToDefaults();
        QCOMPARE(model.memory().modelData(0), image);
        QCOMPARE(reset.count(), 1);
        QVERIFY(GyroboxModel(0x3A, 1).memory().modelData(0).isEmpty());
    }

    void typeObjects_data()
    {
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("tail");
        QTest::addColumn<QList<int>>("links");
        QTest::addColumn<QStringList>("axes");
        const QList<int> none =
            QVector<int>(GyroboxModel::kSurfaceOutputCount, kGyroboxNoLinkedOutput).toList();
        QList<int> flaperon = none;
        flaperon[0] = 1;
        flaperon[1] = 0;
        QTest::newRow("normal, normal")
            << 0 << 0 << none << QStringList{"r", "r", "p", "p", "y", "y", "-", "-"};
        QTest::newRow("flaperon, normal")
            << 1 << 0 << flaperon << QStringList{"r", "r", "p", "p", "y", "y", "-", "-"};
        QTest::newRow("elevon, normal")
            << 2 << 0 << none << QStringList{"rp", "rp", "p", "p", "-", "-", "-", "-"};
        QTest::newRow("normal, v-tail")
            << 0 << 1 << none << QStringList{"r", "r", "rpy", "rpy", "y", "y", "-", "-"};
        QTest::newRow("elevon, v-tail")
            << 2 << 1 << none << QStringList{"rp", "rp", "rpy", "rpy", "-", "-", "-", "-"};
    }
    // Choosing a wing and tail links the outputs and enables the axes the types allow, and the
    // types are recognised again from the result.
    void typeObjects()
    {
        QFETCH(int, wing);
        QFETCH(int, tail);
        QFETCH(QList<int>, links);
        QFETCH(QStringList, axes);
        GyroboxModel model(0x3A, 0);
        model.setTailType(GyroboxTail(tail));
        model.setWingType(GyroboxWing(wing));
        QCOMPARE(linkedOutputs(model), links);
        QCOMPARE(enabledAxes(model), axes);
        QCOMPARE(int(model.wingType()), wing);
        QCOMPARE(int(model.tailType()), tail);
        // Outputs beyond the surface outputs are left alone.
        QCOMPARE(model.outputConfig(8).linkedOutput, kGyroboxNoLinkedOutput);
    }

    void gainEntryPacking()
    {
        GyroboxModel model(0x3A, 0);
        QSignalSpy changed(&model.memory(), &DeviceMemory::settingsChanged);
        GyroGainEntry entry{3, 5, kYaw, 1023, true, false, 2, true, 7};
        model.setGainEntry(entry);
        QCOMPARE(model.gainEntry(3, 5, kYaw), entry);
        const int offset = kOutputs + 3 * kOutputSize + 4 + (5 * 3 + kYaw) * 3;
        const QByteArray bytes = model.memory().modelData(0);
        QCOMPARE(quint8(bytes.at(offset)), quint8(0xFF));
        QCOMPARE(quint8(bytes.at(offset + 1)), quint8(0x67)); // gain 9..8, reverse, mode 2, on
        QCOMPARE(quint8(bytes.at(offset + 2)), quint8(7));
        QCOMPARE(changed.count(), 1);

        // Indices outside the table read empty and write nothing.
        const QByteArray before = model.memory().modelData(0);
        model.setGainEntry({20, 0, kRoll, 5, false, false, 0, true, 0});
        model.setGainEntry({0, 6, kRoll, 5, false, false, 0, true, 0});
        model.setGainEntry({0, 0, 3, 5, false, false, 0, true, 0});
        QCOMPARE(model.memory().modelData(0), before);
        QCOMPARE(model.gainEntry(0, 0, 3).gain, 0);
    }

    void outputConfiguration()
    {
        GyroboxModel model(0x3A, 0);
        model.setOutputConfig({19, 12, 4, 11});
        QCOMPARE(model.outputConfig(19), (GyroOutputConfig{19, 12, 4, 11}));
        const int head = kOutputs + 19 * kOutputSize;
        const QByteArray bytes = model.memory().modelData(0);
        QCOMPARE(bytes.mid(head, 4), QByteArray::fromHex("0B000C04"));
    }

    void gainScale_data()
    {
        QTest::addColumn<int>("scaler");
        QTest::addColumn<int>("rawGain");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("gain");
        QTest::newRow("times four") << 10 << 25 << 400 << 100;
        QTest::newRow("times one") << 40 << 25 << 100 << 25;
        QTest::newRow("times two") << 20 << 25 << 200 << 50;
        QTest::newRow("unknown scaler") << 0 << 25 << 200 << 50;
    }
    void gainScale()
    {
        QFETCH(int, scaler);
        QFETCH(int, rawGain);
        QFETCH(int, maximum);
        QFETCH(int, gain);
        GyroboxModel model(0x3A, 0);
        QByteArray bytes = model.memory().modelData(0);
        bytes[kGyroScaler + 2 * 3 + kPitch] = char(scaler);
        model.memory().setModelData(0, bytes);
        // Output 2 is the first with pitch enabled.
        GyroGainEntry entry = model.gainEntry(2, 2, kPitch);
        entry.gain = rawGain;
        model.setGainEntry(entry);
        QCOMPARE(model.gainScale(2, kPitch).maximum, maximum);
        QCOMPARE(model.gain(2, kPitch), gain);
    }

    void gainOfAnAxisNoOutputServes()
    {
        GyroboxModel model(0x3A, 0);
        model.setWingType(GyroboxWing::Elevon); // no output keeps yaw
        QCOMPARE(model.gain(0, kYaw), 0);
    }

    void orientationPair_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("1") << 1 << 0 << 0;
        QTest::newRow("2") << 2 << 0 << 1;
        QTest::newRow("4") << 4 << 1 << 1;
        QTest::newRow("7") << 7 << 1 << 0;
        QTest::newRow("other keeps the caller's") << 3 << -1 << -1;
    }
    void orientationPair()
    {
        QFETCH(int, direction);
        QFETCH(int, first);
        QFETCH(int, second);
        GyroboxModel model(0x3A, 0);
        QByteArray bytes = model.memory().modelData(0);
        bytes[1] = char(direction);
        model.memory().setModelData(0, bytes);
        int a = -1;
        int b = -1;
        model.orientationPair(a, b);
        QCOMPARE(a, first);
        QCOMPARE(b, second);
    }

    void settingOffsets_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("offset");
        QTest::newRow("axis2aircraft") << 0 << 0;
        QTest::newRow("axisDirection") << 1 << 1;
        QTest::newRow("holdTime") << 4 << 68;
        QTest::newRow("inputRatio") << 5 << 70;
        QTest::newRow("serialMode") << 6 << 3;
        QTest::newRow("gainSource") << 8 << 4;
        QTest::newRow("enabledFlightModes") << 10 << 8;
        QTest::newRow("fmSource") << 11 << 7;
        QTest::newRow("2") << 2 << -1;
        QTest::newRow("travel limit, not in the layout") << 3 << -1;
        QTest::newRow("12") << 12 << -1;
    }
    void settingOffsets()
    {
        QFETCH(int, type);
        QFETCH(int, offset);
        QCOMPARE(GyroboxModel(0x3A, 0).settingOffset(type), offset);
    }

    // A connection brings links and axes in line with the types, but gains the user set per
    // flight mode stay; an output that gains an axis takes the gains of an enabled slot.
    void connectionKeepsPerFlightModeGains()
    {
        GyroboxModel model(0x3A, 0);
        GyroGainEntry slot1 = model.gainEntry(0, 1, kRoll);
        slot1.gain = 80;
        model.setGainEntry(slot1);
        GyroGainEntry slot2 = model.gainEntry(0, 2, kRoll);
        slot2.gain = 90;
        slot2.priority = 3;
        model.setGainEntry(slot2);
        // Output 1 lost roll in slot 4 and its link was set by hand.
        GyroGainEntry off = model.gainEntry(1, 4, kRoll);
        off.axisEnabled = false;
        off.gain = 5;
        model.setGainEntry(off);
        model.setOutputConfig({1, 2, 6, 20});

        emit model.memory().syncConnectionChanged();
        QCOMPARE(model.gainEntry(0, 1, kRoll).gain, 80);
        QCOMPARE(model.gainEntry(0, 2, kRoll).gain, 90);
        QCOMPARE(model.outputConfig(1).linkedOutput, kGyroboxNoLinkedOutput);
        const GyroGainEntry restored = model.gainEntry(1, 4, kRoll);
        QVERIFY(restored.axisEnabled);
        QCOMPARE(restored.gain, model.gainEntry(1, 2, kRoll).gain);
    }

    void fileRoundTrip()
    {
        GyroboxModel model(0x3A, 0);
        model.setWingType(GyroboxWing::Flaperon);
        model.setGainEntry({4, 0, kYaw, 333, false, true, 1, true, 2});
        const QByteArray file = model.toFileData();
        GyroboxModel loaded(0x3A, 0);
        QVERIFY(loaded.fromFileData(file));
        QCOMPARE(loaded.memory().modelData(0), model.memory().modelData(0));
        QCOMPARE(loaded.wingType(), GyroboxWing::Flaperon);
        QCOMPARE(loaded.toFileData(), file);
    }

    void classInfo()
    {
        const ModelClassInfo *info = GyroboxModel::getModelClassInfoStatic();
        QCOMPARE(info->devices.size(), 1);
        QCOMPARE(info->devices.at(0).productCode, 0x3A);
        QCOMPARE(info->devices.at(0).parameterVersion, 0);
        QVERIFY(!info->devices.at(0).name.isEmpty());
        const auto model = info->create(0x3A, 0);
        QCOMPARE(model->getModelClassInfo(), info);
        QCOMPARE(model->info().productCode(), 0x3A);
    }
};

ZX_REGISTER_TEST(GyroboxModelTest);
#include "test_gyroboxmodel.moc"
