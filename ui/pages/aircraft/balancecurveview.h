#pragma once

#include <QList>
#include <QPoint>
#include <QWidget>

// A small plot of a surface's balance curve: its points (input, output), both 0 to 255, joined
// in order of input, over the straight line the default points lie on.
class BalanceCurveView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMaximum = 255;

    explicit BalanceCurveView(QWidget *parent = nullptr);

    void setPoints(const QList<QPoint> &points);
    [[nodiscard]] const QList<QPoint> &points() const { return m_points; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<QPoint> m_points;
};
