#pragma once

#include "models/classes/airplanerximage.h"
#include "models/devicemodel.h"

#include <QList>
#include <QString>

#include <span>

// How wing and tail types of the airplane receiver become surfaces, outputs and mixes, and how
// they are recognised from an image.
namespace AirplaneRx {

// One surface or mix output that a wing or tail type implies.
struct SurfaceEntry
{
    int output;  // output port index (0-based), or -1 for the first free output
    int mix;     // kOwnSurface, or the mix whose output this entry is (no surface slot then)
    int axis;    // associatedAxis code of the surface slot
    int surface; // surface code that names the surface (0 for a mix output)
};
inline constexpr int kOwnSurface = 255;
inline constexpr int kFirstFreeOutput = -1;

// One variant of a wing or tail type; several rows of one type differ in mixing directions.
struct SurfaceRow
{
    int type;
    std::span<const SurfaceEntry> entries;
};

// In matching order; the first row of a type is the one applied.
[[nodiscard]] std::span<const SurfaceRow> wingRows();
[[nodiscard]] std::span<const SurfaceRow> tailRows();

// Index of the first row whose entries the image carries, or -1.
[[nodiscard]] int recogniseRow(std::span<const SurfaceRow> rows, const AirplaneRxImage &image);
[[nodiscard]] DeviceModel::WingType recogniseWingType(const AirplaneRxImage &image);
[[nodiscard]] DeviceModel::TailType recogniseTailType(const AirplaneRxImage &image);

// Lays out the surfaces, outputs and channel slot of (wing, tail) from the defaults in
// `defaults`. Mixes are reset too; the sailplane tail's mix is left to the caller, which adds
// it with the model's mix handling.
void applyWingAndTail(AirplaneRxImage &image, const QByteArray &defaults,
                      DeviceModel::WingType wing, DeviceModel::TailType tail);

// The surface code the recognised types give a slot's associatedAxis code, or 0.
[[nodiscard]] int surfaceCodeOfAxisCode(const AirplaneRxImage &image, int axisCode);
// associatedAxis codes that carry surface code `surface` in the recognised types.
[[nodiscard]] QList<int> axisCodesOfSurface(const AirplaneRxImage &image, int surface);

[[nodiscard]] int surfaceOutputCountFor(int productCode);
[[nodiscard]] QList<DeviceModel::WingType> wingTypesFor(int parameterVersion);
[[nodiscard]] QList<DeviceModel::TailType>
tailTypesFor(int parameterVersion, DeviceModel::WingType wing, int surfaceOutputCount);
[[nodiscard]] QString transmitterWingTypeNote(DeviceModel::WingType wing);

} // namespace AirplaneRx
