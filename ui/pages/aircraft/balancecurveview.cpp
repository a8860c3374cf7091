// BalanceCurveView: the plot beside the balance points of the surface set-up page.
#include "ui/pages/aircraft/balancecurveview.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr QRgb kPlotFill = qRgb(255, 255, 255);
constexpr QRgb kPlotBorder = qRgb(190, 196, 202);
constexpr QRgb kGridColour = qRgb(228, 232, 236);
constexpr QRgb kCurveColour = qRgb(38, 120, 214);
constexpr int kMargin = 4;
constexpr double kPointRadius = 3.0;
constexpr int kGridLines = 4;

} // namespace

BalanceCurveView::BalanceCurveView(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Balance curve"));
}

void BalanceCurveView::setPoints(const QList<QPoint> &points)
{
    if (points == m_points)
        return;
    m_points = points;
    QStringList pairs;
    for (const QPoint &point : points)
        pairs.append(tr("%1 to %2").arg(point.x()).arg(point.y()));
    setAccessibleDescription(pairs.join(QStringLiteral(", ")));
    update();
}

QSize BalanceCurveView::sizeHint() const
{
    return {120, 120};
}

QSize BalanceCurveView::minimumSizeHint() const
{
    return sizeHint();
}

void BalanceCurveView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plot = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    painter.setPen(QColor(kPlotBorder));
    painter.setBrush(QColor(kPlotFill));
    painter.drawRect(plot);

    const auto map = [&plot](QPoint point) {
        return QPointF(plot.left() + plot.width() * point.x() / kMaximum,
                       plot.bottom() - plot.height() * point.y() / kMaximum);
    };

    painter.setPen(QColor(kGridColour));
    for (int line = 1; line < kGridLines; ++line) {
        const double x = plot.left() + plot.width() * line / kGridLines;
        const double y = plot.top() + plot.height() * line / kGridLines;
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter.setPen(QPen(QColor(kPlotBorder), 1, Qt::DashLine));
    painter.drawLine(plot.bottomLeft(), plot.topRight());

    QList<QPoint> ordered = m_points;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](QPoint a, QPoint b) { return a.x() < b.x(); });
    if (ordered.isEmpty())
        return;
    QPainterPath curve(map(ordered.front()));
    for (const QPoint &point : ordered)
        curve.lineTo(map(point));
    painter.setPen(QPen(QColor(kCurveColour), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(curve);
    painter.setBrush(QColor(kCurveColour));
    painter.setPen(Qt::NoPen);
    for (const QPoint &point : ordered)
        painter.drawEllipse(map(point), kPointRadius, kPointRadius);
}
