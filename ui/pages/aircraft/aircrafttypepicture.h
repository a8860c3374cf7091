#pragma once

#include "models/classes/aircrafttypesettings.h"
#include "models/devicemodel.h"

#include <QStringList>
#include <QWidget>

// A schematic top view of the aircraft, nose up: fuselage, wing and tail, with the control
// surfaces of the chosen wing and tail types coloured and named. Surfaces that one servo moves
// together carry the same name and are joined by a dashed line.
class AircraftTypePicture : public QWidget
{
    Q_OBJECT

public:
    explicit AircraftTypePicture(QWidget *parent = nullptr);

    void setTypes(AircraftType aircraft, DeviceModel::WingType wing, DeviceModel::TailType tail);
    [[nodiscard]] AircraftType aircraftType() const { return m_aircraft; }
    [[nodiscard]] DeviceModel::WingType wingType() const { return m_wing; }
    [[nodiscard]] DeviceModel::TailType tailType() const { return m_tail; }

    // The names written beside the coloured surfaces, right side before left, wing before tail.
    [[nodiscard]] QStringList surfaceLabels() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    AircraftType m_aircraft = AircraftType::Airplane;
    DeviceModel::WingType m_wing = DeviceModel::WingTypeNormal;
    DeviceModel::TailType m_tail = DeviceModel::TailTypeNormal;
};
