#pragma once

#include "ui/pages/setup/mountingorientation.h"

#include <QWidget>

#include <optional>

// A drawing of the aircraft seen from above and from its left side, with the receiver in it
// as mounted: its label face light, its servo connectors as pins.
class OrientationView : public QWidget
{
    Q_OBJECT

public:
    explicit OrientationView(QWidget *parent = nullptr);

    // None draws the aircraft without a receiver (a stored value that is no mounting).
    void setOrientation(std::optional<Mounting::Orientation> orientation);
    [[nodiscard]] std::optional<Mounting::Orientation> orientation() const { return m_orientation; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<Mounting::Orientation> m_orientation;
};
