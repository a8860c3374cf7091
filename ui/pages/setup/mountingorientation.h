#pragma once

#include <QList>
#include <QString>

#include <optional>

// The ways a receiver can be mounted in an aircraft, and their value in the receiver's
// orientation setting.
//
// Aircraft axes are numbered 1 (forward, toward the nose), 2 (toward the right wing) and
// 3 (down). The receiver's own axes are X (away from its servo connectors), Y (to its right
// when its label faces up) and Z (out of its bottom face, opposite the label). The setting
// holds, per receiver axis (X in the low byte), the signed aircraft axis it points along:
// +1 means forward, -3 up. Mounted flat with the label up and the connectors toward the
// tail, the receiver reads (+1, +2, +3).
namespace Mounting {

// A direction in the aircraft.
enum class Direction { Forward, Back, Right, Left, Down, Up };

struct Orientation
{
    Direction label;      // the way the label faces
    Direction connectors; // the way the servo connectors point

    bool operator==(const Orientation &) const = default;
};

// The 24 orientations (the label six ways, the connectors four ways across it): label up
// first, the flat mounting with the connectors toward the tail at the top.
[[nodiscard]] const QList<Orientation> &orientations();
[[nodiscard]] Orientation standardOrientation();

// The orientation setting's value.
[[nodiscard]] int settingValue(Orientation orientation);
// The orientation a setting value describes; none for a value that is not a way to mount a
// receiver (two axes along one aircraft axis, or a mirror image).
[[nodiscard]] std::optional<Orientation> orientationOf(int value);

// The signed aircraft axis (1 to 3, negative for the opposite way) of a direction, and back.
[[nodiscard]] int signedAxis(Direction direction);
[[nodiscard]] std::optional<Direction> directionOf(int signedAxis);
// Directions of the receiver's own axes X, Y and Z (index 0 to 2) in the aircraft.
[[nodiscard]] Direction receiverAxis(Orientation orientation, int axis);

// "Label up, connectors toward the tail".
[[nodiscard]] QString description(Orientation orientation);

} // namespace Mounting
