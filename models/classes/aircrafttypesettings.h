#pragma once

#include "models/devicemodel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What kind of aircraft a model flies; named by DeviceModel::aircraftTypeName. A model may
// report a value outside the list (the transmitter derives it from a stored byte).
enum class AircraftType : int {
    Airplane = 0,
    Quadcopter = 1,
    Helicopter = 2,
};

// One extra choice shown beside the aircraft-type settings (for example the transmitter's
// channel count). Plain data: the ui side builds the selector widget from it.
struct AircraftTypeExtraSelector
{
    QString label;       // "Transmitter Channels:"
    QStringList items;   // the choices as shown
    int currentItem = 0; // index into items, preset to the model's current value
    // Applies the choice of item `index` to the model.
    std::function<void(int index)> choose;
};

// Aircraft type, wing type, tail type and the surfaces they imply, for the editor pages of any
// model that has control surfaces. Setters that change the model emit its settingsChanged.
class AircraftTypeSettings
{
public:
    virtual ~AircraftTypeSettings() = default;

    [[nodiscard]] virtual QList<AircraftType> aircraftTypes() const = 0;
    [[nodiscard]] virtual AircraftType aircraftType() const = 0;
    virtual void setAircraftType(AircraftType type) = 0;

    // Outputs the model can give to control surfaces (the transmitter: its channel count).
    [[nodiscard]] virtual int surfaceOutputCount() const = 0;

    [[nodiscard]] virtual QList<DeviceModel::WingType> wingTypes() const = 0;
    [[nodiscard]] virtual DeviceModel::WingType wingType() const = 0;
    virtual void setWingType(DeviceModel::WingType type) = 0;

    // The tail types that fit the current wing type and the model's outputs.
    [[nodiscard]] virtual QList<DeviceModel::TailType> tailTypes() const = 0;
    [[nodiscard]] virtual DeviceModel::TailType tailType() const = 0;
    virtual void setTailType(DeviceModel::TailType type) = 0;

    // Mixing directions a two-surface wing may be set to (0 as wired, 1 reversed); empty when
    // the model leaves the direction to the wing type itself.
    [[nodiscard]] virtual QList<int> wingMixDirections() const = 0;
    [[nodiscard]] virtual bool wingMixReversed() const = 0;
    virtual void setWingMixReversed(bool reversed) = 0;

    // What the user has to set on the transmitter to match the wing type; may be empty.
    [[nodiscard]] virtual QString transmitterWingTypeNote() const = 0;
    // A warning shown before the wing or tail type is changed; may be empty.
    [[nodiscard]] virtual QString wingTailChangeNote() const = 0;

    // Further choices shown with the aircraft-type settings.
    [[nodiscard]] virtual QList<AircraftTypeExtraSelector> extraSettingSelectors() = 0;
};
