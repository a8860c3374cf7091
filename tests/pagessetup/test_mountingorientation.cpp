// The ways to mount the receiver and their orientation setting values.
#include "setuprig.h"
#include "testregistry.h"
#include "ui/pages/setup/mountingorientation.h"

#include <QSet>
#include <QtTest>

#include <array>
#include <cstdlib>

using namespace Mounting;

namespace {

// The signed aircraft axes a setting value holds for receiver X, Y and Z.
std::array<int, 3> axesOf(int value)
{
    return {qint8(value & 0xFF), qint8((value >> 8) & 0xFF), qint8((value >> 16) & 0xFF)};
}

int packed(int x, int y, int z)
{
    return (x & 0xFF) | ((y & 0xFF) << 8) | ((z & 0xFF) << 16);
}

// Determinant of the signed permutation matrix the three axes form.
int determinant(const std::array<int, 3> &axes)
{
    int m[3][3] = {};
    for (int row = 0; row < 3; ++row)
        m[row][std::abs(axes[row]) - 1] = axes[row] > 0 ? 1 : -1;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

} // namespace

class MountingOrientationTest : public QObject
{
    Q_OBJECT

private slots:
    // Every orientation is a rotation of the receiver (no mirror image, each aircraft axis
    // once), all 24 are different, and each value reads back as its orientation.
    void orientationsAreTheRotations()
    {
        const QList<Orientation> &all = orientations();
        QCOMPARE(all.size(), 24);
        QCOMPARE(all.first(), standardOrientation());
        QSet<int> values;
        for (const Orientation &orientation : all) {
            const int value = settingValue(orientation);
            const std::array<int, 3> axes = axesOf(value);
            QSet<int> aircraftAxes;
            for (int axis : axes)
                aircraftAxes.insert(std::abs(axis));
            QCOMPARE(aircraftAxes, (QSet<int>{1, 2, 3}));
            QCOMPARE(determinant(axes), 1);
            QCOMPARE(orientationOf(value), std::optional<Orientation>(orientation));
            // The label is the receiver's top: Z points out of the face opposite it.
            QCOMPARE(receiverAxis(orientation, 2), *directionOf(-signedAxis(orientation.label)));
            values.insert(value);
        }
        QCOMPARE(values.size(), 24);
    }

    // Known mountings and the values the receiver holds for them.
    void knownMountings_data()
    {
        QTest::addColumn<int>("label");
        QTest::addColumn<int>("connectors");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, Direction label, Direction connectors, int value,
                            const char *text) {
            QTest::newRow(name) << int(label) << int(connectors) << value << QString(text);
        };
        row("flat", Direction::Up, Direction::Back, packed(1, 2, 3),
            "Label up, connectors toward the tail");
        row("turned round", Direction::Up, Direction::Forward, packed(-1, -2, 3),
            "Label up, connectors toward the nose");
        row("upside down", Direction::Down, Direction::Back, packed(1, -2, -3),
            "Label down, connectors toward the tail");
        row("on its right side", Direction::Right, Direction::Back, packed(1, 3, -2),
            "Label facing right, connectors toward the tail");
        row("standing, pins down", Direction::Back, Direction::Down, packed(-3, 2, 1),
            "Label facing the tail, connectors pointing down");
    }
    void knownMountings()
    {
        QFETCH(int, label);
        QFETCH(int, connectors);
        QFETCH(int, value);
        QFETCH(QString, text);
        const Orientation orientation{Direction(label), Direction(connectors)};
        QCOMPARE(settingValue(orientation), value);
        QCOMPARE(description(orientation), text);
    }

    // Values that are no way to mount a receiver are not taken for one.
    void otherValuesAreNoOrientation_data()
    {
        QTest::addColumn<int>("value");
        QTest::newRow("mirror image") << packed(1, -2, 3);
        QTest::newRow("two axes along one") << packed(1, 1, 3);
        QTest::newRow("axis number 4") << packed(1, 2, 4);
        QTest::newRow("zero") << 0;
    }
    void otherValuesAreNoOrientation()
    {
        QFETCH(int, value);
        QCOMPARE(orientationOf(value), std::nullopt);
    }

    // A new receiver is mounted flat, label up, connectors toward the tail.
    void newReceiverIsMountedFlat()
    {
        setuptest::Rig rig;
        const int value = rig.model->value(makeSetting(AirplaneRx::SettingType::Orientation), 0);
        QCOMPARE(orientationOf(value), std::optional<Orientation>(standardOrientation()));
    }
};

ZX_REGISTER_TEST(MountingOrientationTest);
#include "test_mountingorientation.moc"
