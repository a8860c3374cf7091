#pragma once

#include "models/classes/imagefields.h"

#include <QByteArray>

// Codes and sizes of the airplane receiver's parameter image.
namespace AirplaneRx {
inline constexpr int kImageSize = 1856;
inline constexpr int kSurfaceSlotCount = 20;
inline constexpr int kMixCount = 16;
inline constexpr int kOutputCount = 20;
inline constexpr int kChannelSlotCount = 20;
inline constexpr int kFlightModeCount = 3;
// addMix gives a mix its own control-path surface only among the first slots.
inline constexpr int kMixSurfaceSlotLimit = 8;

// associatedMix of a surface that no mix drives; mix index 7 is never handed out.
inline constexpr int kNoMix = 7;
// associatedAxis codes: driven by its mix ("CP_MIX"), and a slot free for a mix.
inline constexpr int kMixDrivenAxis = 0;
inline constexpr int kFreeSurfaceAxis = 28;

// Output bytes: bit 7 marks an assignment; low 6 bits 0 is the throttle, 32 + k surface slot k,
// anything else below 32 a mix index.
inline constexpr int kUnassignedOutput = 0xFF;
inline constexpr int kAssignedBit = 0x80;
inline constexpr int kThrottleOutput = 0x80;
inline constexpr int kSurfaceOutputBase = 32;

// Channel codes of the axes and of the first mix output.
inline constexpr int kRollChannel = 45;
inline constexpr int kPitchChannel = 46;
inline constexpr int kYawChannel = 47;
inline constexpr int kThrottleChannel = 1;
inline constexpr int kFirstMixChannel = 50;

// The stick channel whose slot tells the sailplane tail from the others, and its two values.
inline constexpr int kSailplaneChannel = 3;
inline constexpr int kSailplaneChannelSlot = 0xFF;
inline constexpr int kOrdinaryChannelSlot = 18;

// Axis index (0 roll, 1 pitch, 2 yaw) of a surface's associatedAxis code, or -1.
[[nodiscard]] int axisOfSurfaceAxisCode(int axisCode);
// Whether an associatedAxis code belongs to the axis of channel code 45, 46 or 47.
[[nodiscard]] bool surfaceAxisCodeBelongsTo(int axisCode, int axisChannel);
} // namespace AirplaneRx

// Named access to the fields of one airplane receiver image. Holds references: the schema and
// the bytes must outlive it. Reads never detach a shared QByteArray.
class AirplaneRxImage
{
public:
    AirplaneRxImage(const LayoutNode &schema, QByteArray &bytes)
        : m_schema(schema)
        , m_bytes(bytes)
    {}

    [[nodiscard]] const LayoutNode &schema() const { return m_schema; }
    [[nodiscard]] QByteArray &bytes() { return m_bytes; }
    [[nodiscard]] const QByteArray &bytes() const { return m_bytes; }

    [[nodiscard]] FieldLocation locate(std::initializer_list<FieldPathStep> path) const
    {
        return locateField(m_schema, path);
    }
    [[nodiscard]] int field(std::initializer_list<FieldPathStep> path) const
    {
        return readField(m_bytes, locate(path));
    }
    void setField(std::initializer_list<FieldPathStep> path, int value)
    {
        writeField(m_bytes, locate(path), value);
    }

    [[nodiscard]] int surfaceAxis(int slot) const;
    void setSurfaceAxis(int slot, int axisCode);
    [[nodiscard]] int surfaceMix(int slot) const;
    void setSurfaceMix(int slot, int mix);
    [[nodiscard]] int output(int index) const;
    void setOutput(int index, int value);
    [[nodiscard]] int channelSlot(int channel) const;
    void setChannelSlot(int channel, int slot);

    // Copies a whole top-level array (e.g. "surface", "mixes") or one element of it from
    // `source`, an image of the same schema.
    void copyFrom(const QByteArray &source, const QString &member);
    void copyElementFrom(const QByteArray &source, const QString &member, int index);

private:
    const LayoutNode &m_schema;
    QByteArray &m_bytes;
};
