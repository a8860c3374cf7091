// The receiver's mounting orientations and their setting values.
#include "ui/pages/setup/mountingorientation.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace Mounting {

namespace {

constexpr int kAxes = 3;
constexpr std::array<Direction, 6> kLabelOrder{Direction::Up,      Direction::Down,
                                               Direction::Left,    Direction::Right,
                                               Direction::Forward, Direction::Back};
constexpr std::array<Direction, 6> kConnectorOrder{Direction::Back, Direction::Forward,
                                                   Direction::Left, Direction::Right,
                                                   Direction::Up,   Direction::Down};

int sign(int value)
{
    return value < 0 ? -1 : 1;
}

// Cross product of two signed unit axes: (a x b) for axes 1 to 3 with signs.
int cross(int a, int b)
{
    const int i = std::abs(a) - 1;
    const int j = std::abs(b) - 1;
    if (i == j)
        return 0;
    const int k = kAxes - i - j;
    // (i, j, k) is an even permutation of (0, 1, 2) exactly when j follows i cyclically.
    const int parity = (j == (i + 1) % kAxes) ? 1 : -1;
    return sign(a) * sign(b) * parity * (k + 1);
}

QString labelText(Direction direction)
{
    switch (direction) {
    case Direction::Up:
        return QCoreApplication::translate("Mounting", "Label up");
    case Direction::Down:
        return QCoreApplication::translate("Mounting", "Label down");
    case Direction::Left:
        return QCoreApplication::translate("Mounting", "Label facing left");
    case Direction::Right:
        return QCoreApplication::translate("Mounting", "Label facing right");
    case Direction::Forward:
        return QCoreApplication::translate("Mounting", "Label facing the nose");
    case Direction::Back:
        return QCoreApplication::translate("Mounting", "Label facing the tail");
    }
    return {};
}

QString connectorText(Direction direction)
{
    switch (direction) {
    case Direction::Up:
        return QCoreApplication::translate("Mounting", "connectors pointing up");
    case Direction::Down:
        return QCoreApplication::translate("Mounting", "connectors pointing down");
    case Direction::Left:
        return QCoreApplication::translate("Mounting", "connectors toward the left wing");
    case Direction::Right:
        return QCoreApplication::translate("Mounting", "connectors toward the right wing");
    case Direction::Forward:
        return QCoreApplication::translate("Mounting", "connectors toward the nose");
    case Direction::Back:
        return QCoreApplication::translate("Mounting", "connectors toward the tail");
    }
    return {};
}

// The signed aircraft axes of the receiver's X, Y and Z.
std::array<int, kAxes> receiverAxes(Orientation orientation)
{
    const int x = -signedAxis(orientation.connectors);
    const int z = -signedAxis(orientation.label);
    return {x, cross(z, x), z};
}

} // namespace

int signedAxis(Direction direction)
{
    switch (direction) {
    case Direction::Forward:
        return 1;
    case Direction::Back:
        return -1;
    case Direction::Right:
        return 2;
    case Direction::Left:
        return -2;
    case Direction::Down:
        return 3;
    case Direction::Up:
        return -3;
    }
    return 0;
}

std::optional<Direction> directionOf(int axis)
{
    for (const Direction direction : kLabelOrder) {
        if (signedAxis(direction) == axis)
            return direction;
    }
    return std::nullopt;
}

const QList<Orientation> &orientations()
{
    static const QList<Orientation> all = [] {
        QList<Orientation> list;
        for (const Direction label : kLabelOrder) {
            for (const Direction connectors : kConnectorOrder) {
                if (std::abs(signedAxis(label)) != std::abs(signedAxis(connectors)))
                    list.append({label, connectors});
            }
        }
        return list;
    }();
    return all;
}

Orientation standardOrientation()
{
    return {Direction::Up, Direction::Back};
}

int settingValue(Orientation orientation)
{
    const std::array<int, kAxes> axes = receiverAxes(orientation);
    int value = 0;
    for (int axis = 0; axis < kAxes; ++axis)
        value |= (axes[axis] & 0xFF) << (8 * axis);
    return value;
}

std::optional<Orientation> orientationOf(int value)
{
    const auto axisAt = [value](int axis) {
        return int(std::int8_t((value >> (8 * axis)) & 0xFF));
    };
    const std::optional<Direction> label = directionOf(-axisAt(2));
    const std::optional<Direction> connectors = directionOf(-axisAt(0));
    if (!label || !connectors || std::abs(axisAt(0)) == std::abs(axisAt(2)))
        return std::nullopt;
    const Orientation orientation{*label, *connectors};
    // Y follows from X and Z; a value whose Y does not (a mirror image, or two receiver axes
    // along one aircraft axis) is no way to mount a receiver.
    if (settingValue(orientation) != (value & 0xFFFFFF))
        return std::nullopt;
    return orientation;
}

Direction receiverAxis(Orientation orientation, int axis)
{
    const std::array<int, kAxes> axes = receiverAxes(orientation);
    return directionOf(axes[std::clamp(axis, 0, kAxes - 1)]).value_or(Direction::Forward);
}

QString description(Orientation orientation)
{
    return QCoreApplication::translate("Mounting", "%1, %2")
        .arg(labelText(orientation.label), connectorText(orientation.connectors));
}

} // namespace Mounting
