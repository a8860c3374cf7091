// OrientationView: the receiver drawn in the aircraft as it is mounted.
#include "ui/pages/setup/orientationview.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

using Mounting::Direction;

namespace {

constexpr QSize kPreferredSize{460, 210};
constexpr QSize kMinimumSize{320, 150};
constexpr int kPanelGap = 16;
// Aircraft drawing units: the fuselage runs from -1 (tail) to +1 (nose).
constexpr double kDrawingExtent = 2.5;
// The receiver is drawn larger than life so that its faces can be told apart.
constexpr std::array<double, 3> kReceiverSize{0.62, 0.42, 0.2}; // along its X, Y, Z
constexpr double kReceiverForward = 0.05;
constexpr double kPinLength = 9.0;
constexpr double kPinWidth = 4.0;
constexpr int kPins = 3;
constexpr int kMinimumLabelPixels = 8;
constexpr int kMaximumLabelPixels = 14;
constexpr double kLabelStrip = 5;

const QColor kAirframeFill(232, 234, 238);
const QColor kAirframeLine(150, 156, 166);
const QColor kBodyFill(72, 80, 94);
const QColor kBodyLine(40, 44, 52);
const QColor kLabelFill(225, 239, 255);
const QColor kPinColour(214, 170, 60);
const QColor kCaptionColour(60, 60, 60);

struct Point3
{
    double forward;
    double right;
    double down;
};

// An orthographic view along one aircraft axis: where each aircraft axis goes on screen
// (the viewing axis goes nowhere).
struct View
{
    QPointF forward;
    QPointF right;
    QPointF down;
    Direction towardViewer;
    const char *caption;
};

const std::array<View, 2> kViews{{
    {{0, -1},
     {1, 0},
     {0, 0},
     Direction::Up,
     QT_TRANSLATE_NOOP("OrientationView", "Seen from above")},
    {{-1, 0},
     {0, 0},
     {0, 1},
     Direction::Left,
     QT_TRANSLATE_NOOP("OrientationView", "Seen from the left")},
}};

QPointF axisOnScreen(const View &view, int signedAxis)
{
    const QPointF unit = std::abs(signedAxis) == 1   ? view.forward
                         : std::abs(signedAxis) == 2 ? view.right
                                                     : view.down;
    return signedAxis < 0 ? -unit : unit;
}

class PanelPainter
{
public:
    PanelPainter(QPainter &painter, const View &view, const QRectF &area)
        : m_painter(painter)
        , m_view(view)
        , m_centre(area.center())
        , m_scale(std::min(area.width(), area.height() * 1.4) / kDrawingExtent)
    {}

    [[nodiscard]] QPointF map(const Point3 &point) const
    {
        return m_centre + m_scale * (point.forward * m_view.forward + point.right * m_view.right +
                                     point.down * m_view.down);
    }

    // A box between two corners, as the view sees it.
    [[nodiscard]] QRectF box(const Point3 &low, const Point3 &high) const
    {
        return QRectF(map(low), map(high)).normalized();
    }

    void drawOutline(std::initializer_list<Point3> points)
    {
        QPolygonF polygon;
        for (const Point3 &point : points)
            polygon << map(point);
        // Seen edge-on, an outline is a line that only clutters the drawing.
        if (polygon.boundingRect().width() < 1 || polygon.boundingRect().height() < 1)
            return;
        m_painter.drawPolygon(polygon);
    }

    void drawBox(const Point3 &low, const Point3 &high) { m_painter.drawRect(box(low, high)); }

    void drawAirframe()
    {
        m_painter.setPen(QPen(kAirframeLine, 1.2));
        m_painter.setBrush(kAirframeFill);
        // Wing and tailplane under the fuselage, the fin above it.
        drawBox({0.42, -1.15, -0.02}, {0.08, 1.15, 0.02});
        drawBox({-0.78, -0.42, -0.015}, {-0.98, 0.42, 0.015});
        drawOutline({{1.0, 0, 0},
                     {0.78, 0.1, 0},
                     {0.2, 0.11, 0},
                     {-1.0, 0.05, 0},
                     {-1.0, -0.05, 0},
                     {0.2, -0.11, 0},
                     {0.78, -0.1, 0}});
        drawOutline({{1.0, 0, 0.02},
                     {0.78, 0, -0.1},
                     {0.2, 0, -0.12},
                     {-1.0, 0, -0.06},
                     {-1.0, 0, 0.04},
                     {0.2, 0, 0.12},
                     {0.78, 0, 0.1}});
        drawOutline({{-0.72, 0, -0.08}, {-0.9, 0, -0.45}, {-1.02, 0, -0.45}, {-1.0, 0, -0.05}});
        m_painter.setPen(kCaptionColour);
        const QPointF nose = map({1.0, 0, 0});
        const QPointF outward = axisOnScreen(m_view, 1) * 14;
        QRectF textBox(0, 0, 60, 16);
        textBox.moveCenter(nose + outward * 1.2);
        m_painter.drawText(textBox, Qt::AlignCenter, OrientationView::tr("Nose"));
    }

    void drawReceiver(const Mounting::Orientation &orientation)
    {
        // Half sizes of the receiver along the aircraft's axes.
        std::array<double, 3> half{};
        for (int axis = 0; axis < 3; ++axis) {
            const int along =
                std::abs(Mounting::signedAxis(Mounting::receiverAxis(orientation, axis)));
            half[along - 1] = kReceiverSize[axis] / 2;
        }
        const QRectF body = box({kReceiverForward - half[0], -half[1], -half[2]},
                                {kReceiverForward + half[0], half[1], half[2]});
        m_painter.setPen(QPen(kBodyLine, 1.2));
        m_painter.setBrush(kBodyFill);
        m_painter.drawRoundedRect(body, 2, 2);

        drawLabel(body, Mounting::signedAxis(orientation.label));
        drawPins(body, Mounting::signedAxis(orientation.connectors));
    }

private:
    void drawLabel(const QRectF &body, int labelAxis)
    {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(kLabelFill);
        const QPointF onScreen = axisOnScreen(m_view, labelAxis);
        if (onScreen.isNull()) {
            if (labelAxis != Mounting::signedAxis(m_view.towardViewer))
                return; // the label faces away
            const QRectF label = body.adjusted(4, 4, -4, -4);
            m_painter.drawRect(label);
            m_painter.setPen(kBodyLine);
            QFont font = m_painter.font();
            // "Label" fits the face whichever way round the face is.
            font.setPixelSize(std::clamp(int(std::min(label.height() / 3, label.width() / 4)),
                                         kMinimumLabelPixels, kMaximumLabelPixels));
            m_painter.setFont(font);
            m_painter.drawText(label, Qt::AlignCenter, OrientationView::tr("Label"));
            return;
        }
        // Seen from its edge: a light strip on that side of the body.
        const double strip = kLabelStrip;
        QRectF edge = body;
        if (onScreen.x() > 0)
            edge.setLeft(body.right() - strip);
        else if (onScreen.x() < 0)
            edge.setRight(body.left() + strip);
        else if (onScreen.y() > 0)
            edge.setTop(body.bottom() - strip);
        else
            edge.setBottom(body.top() + strip);
        m_painter.drawRect(edge);
    }

    void drawPins(const QRectF &body, int connectorAxis)
    {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(kPinColour);
        const QPointF onScreen = axisOnScreen(m_view, connectorAxis);
        if (onScreen.isNull()) {
            if (connectorAxis != Mounting::signedAxis(m_view.towardViewer))
                return; // pointing away: hidden behind the body
            // Looking into the connectors: a row of pin ends.
            for (int pin = 0; pin < kPins; ++pin) {
                const double x = body.left() + body.width() * (pin + 1) / (kPins + 1);
                m_painter.drawEllipse(QPointF(x, body.center().y()), kPinWidth / 2 + 0.5,
                                      kPinWidth / 2 + 0.5);
            }
            return;
        }
        // Pins sticking out of the side the connectors are on.
        const bool horizontal = onScreen.x() != 0;
        for (int pin = 0; pin < kPins; ++pin) {
            QRectF rect;
            if (horizontal) {
                const double y = body.top() + body.height() * (pin + 1) / (kPins + 1);
                const double x = onScreen.x() > 0 ? body.right() : body.left() - kPinLength;
                rect = QRectF(x, y - kPinWidth / 2, kPinLength, kPinWidth);
            } else {
                const double x = body.left() + body.width() * (pin + 1) / (kPins + 1);
                const double y = onScreen.y() > 0 ? body.bottom() : body.top() - kPinLength;
                rect = QRectF(x - kPinWidth / 2, y, kPinWidth, kPinLength);
            }
            m_painter.drawRect(rect);
        }
    }

    QPainter &m_painter;
    const View &m_view;
    QPointF m_centre;
    double m_scale;
};

} // namespace

OrientationView::OrientationView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("orientationView"));
    setAccessibleName(tr("The receiver in the aircraft"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void OrientationView::setOrientation(std::optional<Mounting::Orientation> orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    setAccessibleDescription(m_orientation ? Mounting::description(*m_orientation) : QString());
    update();
}

QSize OrientationView::sizeHint() const
{
    return kPreferredSize;
}

QSize OrientationView::minimumSizeHint() const
{
    return kMinimumSize;
}

void OrientationView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int captionHeight = fontMetrics().height() + 4;
    const double panelWidth = (width() - kPanelGap) / 2.0;
    for (int index = 0; index < int(kViews.size()); ++index) {
        const View &view = kViews[index];
        const QRectF panel(index * (panelWidth + kPanelGap), 0, panelWidth, height());
        painter.setPen(kCaptionColour);
        painter.setFont(font());
        painter.drawText(QRectF(panel.left(), panel.top(), panel.width(), captionHeight),
                         Qt::AlignHCenter | Qt::AlignTop, tr(view.caption));
        const QRectF area = panel.adjusted(8, captionHeight + 8, -8, -8);
        PanelPainter panelPainter(painter, view, area);
        panelPainter.drawAirframe();
        if (m_orientation)
            panelPainter.drawReceiver(*m_orientation);
    }
}
