#pragma once

#include "ui/pages/rates/ratecurve.h"

#include <QWidget>

// A small plot of one axis's response: stick input (-100 to 100 %) across, output down to
// minus and up to plus the output limit, with the straight line as a reference.
class RateCurvePlot : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kDefaultOutputLimitPercent = 100;

    explicit RateCurvePlot(QWidget *parent = nullptr);

    [[nodiscard]] const RateCurve &curve() const { return m_curve; }
    void setCurve(const RateCurve &curve);
    [[nodiscard]] int outputLimitPercent() const { return m_outputLimit; }
    // Values of 100 % or less keep the full-travel lines in view.
    void setOutputLimitPercent(int percent);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateDescription();

    RateCurve m_curve;
    int m_outputLimit = kDefaultOutputLimitPercent;
};
