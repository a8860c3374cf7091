#include "ui/pages/rates/ratecurveplot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kStickPercent = 100;
constexpr int kGridStepPercent = 50;
// One point per percent of stick keeps the steep part of a sharp curve smooth.
constexpr int kCurvePoints = 2 * kStickPercent + 1;
constexpr int kMarginPx = 6;
constexpr qreal kCurveWidthPx = 2.0;
constexpr qreal kSmallFontScale = 0.85;
constexpr int kPreferredWidthPx = 280;
constexpr int kPreferredHeightPx = 210;
constexpr int kMinimumWidthPx = 180;
constexpr int kMinimumHeightPx = 140;

QString signedPercent(double value)
{
    const long rounded = std::lround(value);
    return rounded > 0 ? QStringLiteral("+%1 %").arg(rounded) : QStringLiteral("%1 %").arg(rounded);
}

} // namespace

RateCurvePlot::RateCurvePlot(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    updateDescription();
}

void RateCurvePlot::setCurve(const RateCurve &curve)
{
    if (curve == m_curve)
        return;
    m_curve = curve;
    updateDescription();
    update();
}

void RateCurvePlot::setOutputLimitPercent(int percent)
{
    percent = std::max(percent, kStickPercent);
    if (percent == m_outputLimit)
        return;
    m_outputLimit = percent;
    update();
}

QSize RateCurvePlot::sizeHint() const
{
    return {kPreferredWidthPx, kPreferredHeightPx};
}

QSize RateCurvePlot::minimumSizeHint() const
{
    return {kMinimumWidthPx, kMinimumHeightPx};
}

void RateCurvePlot::updateDescription()
{
    // Screen readers cannot see the picture; the end points say what matters.
    setAccessibleDescription(tr("Full stick gives %1 on the positive side and %2 on the "
                                "negative side; half stick gives %3 and %4.")
                                 .arg(signedPercent(rateCurveOutput(m_curve, kStickPercent)),
                                      signedPercent(rateCurveOutput(m_curve, -kStickPercent)),
                                      signedPercent(rateCurveOutput(m_curve, kStickPercent / 2)),
                                      signedPercent(rateCurveOutput(m_curve, -kStickPercent / 2))));
}

void RateCurvePlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * kSmallFontScale);
    painter.setFont(small);
    const QFontMetrics metrics(small);
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("-125")) + kMarginPx;
    const int labelHeight = metrics.height();

    // Above the area the output's title; below it the stick's labels, kept clear of the
    // output's lowest label, and then the stick's title. Half a label's width on the right
    // leaves room for the last stick label.
    const int stickLabelGap = labelHeight / 2 + 2;
    const QRectF area = QRectF(rect()).adjusted(kMarginPx + labelWidth, kMarginPx + labelHeight,
                                                -(kMarginPx + labelWidth / 2),
                                                -(kMarginPx + stickLabelGap + 2 * labelHeight));
    if (area.width() <= 0 || area.height() <= 0)
        return;

    painter.fillRect(area, colours.color(QPalette::Base));
    const auto toPoint = [&](double stick, double output) {
        const double x = (stick + kStickPercent) / (2.0 * kStickPercent);
        const double y = (m_outputLimit - output) / (2.0 * m_outputLimit);
        return QPointF(area.left() + x * area.width(), area.top() + y * area.height());
    };

    QColor gridColour = colours.color(QPalette::Text);
    gridColour.setAlphaF(0.15);
    QColor axisColour = colours.color(QPalette::Text);
    axisColour.setAlphaF(0.45);
    QColor labelColour = colours.color(QPalette::Text);
    labelColour.setAlphaF(0.7);

    // The grid every 50 %, the zero lines stronger, with their labels outside the area.
    for (int stick = -kStickPercent; stick <= kStickPercent; stick += kGridStepPercent) {
        painter.setPen(QPen(stick == 0 ? axisColour : gridColour, 1));
        painter.drawLine(toPoint(stick, -m_outputLimit), toPoint(stick, m_outputLimit));
        painter.setPen(labelColour);
        const QPointF bottom = toPoint(stick, -m_outputLimit);
        const QString text = QString::number(stick);
        painter.drawText(QRectF(bottom.x() - labelWidth, bottom.y() + stickLabelGap, 2 * labelWidth,
                                labelHeight),
                         Qt::AlignHCenter | Qt::AlignTop, text);
    }
    const int topStep = m_outputLimit - m_outputLimit % kGridStepPercent;
    for (int output = -topStep; output <= topStep; output += kGridStepPercent) {
        painter.setPen(QPen(output == 0 ? axisColour : gridColour, 1));
        painter.drawLine(toPoint(-kStickPercent, output), toPoint(kStickPercent, output));
        painter.setPen(labelColour);
        const QPointF left = toPoint(-kStickPercent, output);
        painter.drawText(
            QRectF(kMarginPx, left.y() - labelHeight / 2.0, labelWidth - 4, labelHeight),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(output));
    }
    painter.setPen(labelColour);
    painter.drawText(QRectF(area.left(), kMarginPx, area.width(), labelHeight),
                     Qt::AlignLeft | Qt::AlignTop, tr("Output %"));
    painter.drawText(
        QRectF(area.left(), area.bottom() + stickLabelGap + labelHeight, area.width(), labelHeight),
        Qt::AlignHCenter | Qt::AlignTop, tr("Stick %"));

    // The straight response for comparison.
    QPen reference(axisColour, 1, Qt::DashLine);
    painter.setPen(reference);
    painter.drawLine(toPoint(-kStickPercent, -kStickPercent),
                     toPoint(kStickPercent, kStickPercent));

    QPainterPath path;
    for (int i = 0; i < kCurvePoints; ++i) {
        const double stick = -kStickPercent + i;
        const QPointF point = toPoint(stick, rateCurveOutput(m_curve, stick));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    painter.setClipRect(
        area.adjusted(-kCurveWidthPx, -kCurveWidthPx, kCurveWidthPx, kCurveWidthPx));
    painter.setPen(QPen(colours.color(QPalette::Highlight), kCurveWidthPx, Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setClipping(false);

    painter.setPen(QPen(axisColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
}
