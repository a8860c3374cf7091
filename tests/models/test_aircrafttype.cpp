#include "models/classes/airplanerxaircrafttype.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "testregistry.h"

#include <QtTest>

using namespace AirplaneRx;

namespace {

using Wing = DeviceModel::WingType;
using Tail = DeviceModel::TailType;

// Reads and edits the image of a model through the receiver's field names.
struct ImageProbe
{
    explicit ImageProbe(const AirplaneRxModel &model)
        : bytes(model.memory().modelData(0))
    {}
    QByteArray bytes;
    AirplaneRxImage image{AirplaneRxModel::imageSchema(), bytes};

    QList<int> outputs(int count = kOutputCount) const
    {
        QList<int> values;
        for (int output = 0; output < count; ++output)
            values.append(image.output(output));
        return values;
    }
    QList<int> surfaceAxes(int count = kSurfaceSlotCount) const
    {
        QList<int> axes;
        for (int slot = 0; slot < count; ++slot)
            axes.append(image.surfaceAxis(slot));
        return axes;
    }
};

void store(AirplaneRxModel &model, const ImageProbe &probe)
{
    model.memory().setModelData(0, probe.bytes);
}

} // namespace

class AircraftTypeTest : public QObject
{
    Q_OBJECT

private slots:
    // Every wing type the plain receiver offers is laid out so that it is recognised again,
    // with each of its surfaces on its own output.
    void appliedWingTypeIsRecognised_data()
    {
        QTest::addColumn<int>("wing");
        for (Wing wing : wingTypesFor(0xFF))
            QTest::newRow(qPrintable(QString::number(wing))) << int(wing);
    }
    void appliedWingTypeIsRecognised()
    {
        QFETCH(int, wing);
        AirplaneRxModel model(0xDB, 0xFF);
        model.setWingType(Wing(wing));
        QCOMPARE(model.wingType(), Wing(wing));
        QVERIFY(model.tailTypes().contains(model.tailType()));

        // No two surfaces or mix outputs share an output.
        const ImageProbe probe(model);
        QList<int> assigned;
        for (int value : probe.outputs()) {
            if (value != kUnassignedOutput) {
                QVERIFY2(!assigned.contains(value), qPrintable(QString::number(value, 16)));
                assigned.append(value);
            }
        }
        int surfaces = 0;
        for (int axis : probe.surfaceAxes())
            surfaces += axis != kFreeSurfaceAxis ? 1 : 0;
        QCOMPARE(surfaces, int(std::count_if(assigned.begin(), assigned.end(),
                                             [](int v) { return (v & 0x3F) >= 32; })));
    }

    // The same for the tail types that fit a normal wing on the largest receiver.
    void appliedTailTypeIsRecognised_data()
    {
        QTest::addColumn<int>("tail");
        for (int tail = 0; tail <= Tail::TailTypeSailplaneWing; ++tail)
            QTest::newRow(qPrintable(QString::number(tail))) << tail;
    }
    void appliedTailTypeIsRecognised()
    {
        QFETCH(int, tail);
        AirplaneRxModel model(0xDB, 0xFF);
        model.setTailType(Tail(tail));
        QCOMPARE(model.tailType(), Tail(tail));
        QCOMPARE(model.wingType(), Wing::WingTypeNormal);
    }

    // Every variant row is recognised as its type, not only the row that is applied.
    void variantRowsAreRecognised_data()
    {
        QTest::addColumn<QList<int>>("axes");
        QTest::addColumn<int>("wing");
        QTest::addColumn<int>("tail");
        // A flying wing without rudder surfaces has the tail type offered for it.
        QTest::newRow("elevon 14+15")
            << QList<int>{14, 15} << int(Wing::WingTypeElevon) << int(Tail::TailTypeElevonNoRudder);
        QTest::newRow("elevon 12+13 with rudder")
            << QList<int>{12, 13, 9} << int(Wing::WingTypeElevon)
            << int(Tail::TailTypeElevonRudder);
        QTest::newRow("v-tail 24+27")
            << QList<int>{1, 24, 27} << int(Wing::WingTypeNormal) << int(Tail::TailTypeVTail);
        QTest::newRow("v-tail 24+25")
            << QList<int>{1, 24, 25} << int(Wing::WingTypeNormal) << int(Tail::TailTypeVTail);
        QTest::newRow("four ailerons before dual aileron")
            << QList<int>{2, 3, 4, 5, 6, 9} << int(Wing::WingTypeFourAilerons)
            << int(Tail::TailTypeNormal);
        QTest::newRow("dual rudder and elevator before dual elevator")
            << QList<int>{1, 7, 8, 10, 11} << int(Wing::WingTypeNormal)
            << int(Tail::TailTypeDualRudderAndElevator);
        QTest::newRow("nothing known")
            << QList<int>{40} << int(Wing::WingTypeNormal) << int(Tail::TailTypeNormal);
    }
    void variantRowsAreRecognised()
    {
        QFETCH(QList<int>, axes);
        QFETCH(int, wing);
        QFETCH(int, tail);
        AirplaneRxModel model(0xDB, 0xFF);
        ImageProbe probe(model);
        for (int slot = 0; slot < kSurfaceSlotCount; ++slot)
            probe.image.setSurfaceAxis(slot, slot < axes.size() ? axes.at(slot) : kFreeSurfaceAxis);
        store(model, probe);
        QCOMPARE(int(model.wingType()), wing);
        QCOMPARE(int(model.tailType()), tail);
    }

    // A wing entry that is a mix output is recognised by the output byte of the mix.
    void mixOutputEntriesAreRecognisedByOutput()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        model.setWingType(Wing::WingTypeOneAileronTwoFlaps);
        ImageProbe probe(model);
        QVERIFY(probe.outputs().contains(0x82));
        QVERIFY(probe.outputs().contains(0x83));
        for (int output = 0; output < kOutputCount; ++output) {
            if (probe.image.output(output) == 0x83)
                probe.image.setOutput(output, kUnassignedOutput);
        }
        store(model, probe);
        QCOMPARE(model.wingType(), Wing::WingTypeOneAileronOneFlap);
    }

    void normalWingAndTailLayout()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        model.setWingType(Wing::WingTypeDualAileron);
        model.setWingType(Wing::WingTypeNormal);
        const ImageProbe probe(model);
        QList<int> outputs{0x80, 0xA0, 0xA1, 0xA2};
        while (outputs.size() < kOutputCount)
            outputs.append(0xFF);
        QCOMPARE(probe.outputs(), outputs);
        QList<int> axes{1, 6, 9};
        while (axes.size() < kSurfaceSlotCount)
            axes.append(kFreeSurfaceAxis);
        QCOMPARE(probe.surfaceAxes(), axes);
        QCOMPARE(probe.image.channelSlot(kSailplaneChannel), kOrdinaryChannelSlot);
    }

    // Surfaces that take the first free output never land on an output a fixed surface
    // claims: four ailerons put their outer pair on 4 and 6, after the tail's 2 and 3.
    void firstFreeOutputsAvoidFixedOutputs()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        model.setWingType(Wing::WingTypeFourAilerons);
        const ImageProbe probe(model);
        // Sorted entries: the two free ones take slots 0 and 1, then outputs 1, 2, 3, 5.
        QCOMPARE(probe.outputs(8), (QList<int>{0x80, 0xA2, 0xA3, 0xA4, 0xA0, 0xA5, 0xA1, 0xFF}));
        QCOMPARE(probe.surfaceAxes(6), (QList<int>{3, 5, 2, 6, 9, 4}));
    }

    // The sailplane tail frees stick channel 3 and adds the butterfly mix.
    void sailplaneTailAddsItsMix()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        model.setTailType(Tail::TailTypeSailplaneWing);
        QCOMPARE(model.tailType(), Tail::TailTypeSailplaneWing);
        QCOMPARE(model.usedMixes(), QList<int>{0});
        QCOMPARE(model.mixNames(), QStringList{"Mix 1"});
        const auto mixValue = [&](SettingType type) {
            return model.value(makeSetting(type, 0, 0, 0), 0);
        };
        QCOMPARE(mixValue(SettingType::MixNegRate), 100);
        QCOMPARE(mixValue(SettingType::MixPosRate), 100);
        QCOMPARE(mixValue(SettingType::MixMaster), kYawChannel);
        QCOMPARE(mixValue(SettingType::MixSlave), kRollChannel);
        QCOMPARE(mixValue(SettingType::MixCondition), 30);
        // The roll surface follows the mix.
        const ImageProbe probe(model);
        QCOMPARE(probe.image.surfaceMix(0), 0);

        // With stick channel 3 in use, the one elevator is a normal tail.
        ImageProbe edited(model);
        edited.image.setChannelSlot(kSailplaneChannel, kOrdinaryChannelSlot);
        store(model, edited);
        QCOMPARE(model.tailType(), Tail::TailTypeNormal);
    }

    // As the note warns, a new wing type takes every mix with it.
    void changingTheWingResetsUserMixes()
    {
        AirplaneRxModel model(0xDB, 0xFF);
        int mix = -1;
        QCOMPARE(model.addMix(mix), AddMixResult::Added);
        model.setValue(makeSetting(SettingType::MixPosRate, 0, 0, mix), 0, 55);
        model.setWingType(Wing::WingTypeDualAileron);
        QVERIFY(model.usedMixes().isEmpty());
        QVERIFY(model.mixNames().isEmpty());
        QCOMPARE(model.value(makeSetting(SettingType::MixPosRate, 0, 0, mix), 0), 0);
    }

    // A wing whose outputs leave no room for the current tail takes the first tail that fits.
    void wingChangeKeepsATailThatFits()
    {
        AirplaneRxModel model(0xD9, 0xFF);
        model.setTailType(Tail::TailTypeDualElevator);
        QCOMPARE(model.tailType(), Tail::TailTypeDualElevator);
        model.setWingType(Wing::WingTypeTwoAileronsTwoFlaps);
        QCOMPARE(model.wingType(), Wing::WingTypeTwoAileronsTwoFlaps);
        QCOMPARE(model.tailType(), Tail::TailTypeSailplaneWing);
    }

    void offeredTailTypes_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<int>("wing");
        QTest::addColumn<QList<int>>("tails");
        QTest::newRow("5 outputs, 4-output wing")
            << 0xD9 << 0xFF << int(Wing::WingTypeTwoAileronsTwoFlaps) << QList<int>{5};
        QTest::newRow("5 outputs, normal wing")
            << 0xD9 << 0xFF << int(Wing::WingTypeNormal) << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("5 outputs, 3-output wing")
            << 0xDA << 0xFF << int(Wing::WingTypeTwoAileronsOneFlap) << QList<int>{0, 1, 5};
        QTest::newRow("6 outputs, dual aileron")
            << 0xEE << 0xFF << int(Wing::WingTypeDualAileron) << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("6 outputs, four ailerons")
            << 0xEE << 0xFF << int(Wing::WingTypeFourAilerons) << QList<int>{0, 1, 5};
        QTest::newRow("elevon") << 0xDB << 0xFF << int(Wing::WingTypeElevon) << QList<int>{6, 7, 8};
        QTest::newRow("flight-envelope variant")
            << 0xD9 << 0xFE << int(Wing::WingTypeNormal) << QList<int>{0};
    }
    void offeredTailTypes()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(int, wing);
        QFETCH(QList<int>, tails);
        QList<int> offered;
        for (Tail tail :
             tailTypesFor(parameterVersion, Wing(wing), surfaceOutputCountFor(productCode)))
            offered.append(int(tail));
        QCOMPARE(offered, tails);
    }

    void wingTypesAndOutputCounts()
    {
        QCOMPARE(AirplaneRxModel(0xD9, 0xFE).wingTypes(),
                 (QList<Wing>{Wing::WingTypeNormal, Wing::WingTypeDualAileron}));
        QCOMPARE(AirplaneRxModel(0xD9, 0xFF).wingTypes().size(), 9);
        QCOMPARE(surfaceOutputCountFor(0xD9), 5);
        QCOMPARE(surfaceOutputCountFor(0xDA), 5);
        QCOMPARE(surfaceOutputCountFor(0xEE), 6);
        QCOMPARE(surfaceOutputCountFor(0x78), 8);
        // A wing type the receiver does not offer changes nothing.
        AirplaneRxModel kova(0xD9, 0xFE);
        const QByteArray before = kova.memory().modelData(0);
        kova.setWingType(Wing::WingTypeElevon);
        QCOMPARE(kova.memory().modelData(0), before);
    }

    void transmitterNotes_data()
    {
        QTest::addColumn<int>("wing");
        QTest::addColumn<QString>("note");
        const QString normal = "Please set the wing type on your transmitter to Normal.";
        const QString oneFlap = "Please set the wing type on your transmitter to 1 Aileron 1 Flap.";
        const QString twoFlaps =
            "Please set the wing type on your transmitter to 1 Aileron 2 Flap.";
        QTest::newRow("normal") << int(Wing::WingTypeNormal) << normal;
        QTest::newRow("dual aileron") << int(Wing::WingTypeDualAileron) << normal;
        QTest::newRow("elevon") << int(Wing::WingTypeElevon) << normal;
        QTest::newRow("four ailerons") << int(Wing::WingTypeFourAilerons) << normal;
        QTest::newRow("flaperon") << int(Wing::WingTypeFlaperon) << oneFlap;
        QTest::newRow("1 aileron 1 flap") << int(Wing::WingTypeOneAileronOneFlap) << oneFlap;
        QTest::newRow("2 ailerons 1 flap") << int(Wing::WingTypeTwoAileronsOneFlap) << oneFlap;
        QTest::newRow("1 aileron 2 flaps") << int(Wing::WingTypeOneAileronTwoFlaps) << twoFlaps;
        QTest::newRow("2 ailerons 2 flaps") << int(Wing::WingTypeTwoAileronsTwoFlaps) << twoFlaps;
    }
    void transmitterNotes()
    {
        QFETCH(int, wing);
        QFETCH(QString, note);
        AirplaneRxModel model(0xDB, 0xFF);
        model.setWingType(Wing(wing));
        QCOMPARE(model.transmitterWingTypeNote(), note);
        QCOMPARE(
            model.wingTailChangeNote(),
            QString("Note: Changing the wing or tail type will reset all surfaces and mixes."));
    }
};

ZX_REGISTER_TEST(AircraftTypeTest);
#include "test_aircrafttype.moc"
