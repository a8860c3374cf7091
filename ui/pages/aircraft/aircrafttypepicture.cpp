// AircraftTypePicture: the schematic top view of the aircraft-type page.
#include "ui/pages/aircraft/aircrafttypepicture.h"

#include "ui/pages/aircraft/aircrafttypenames.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <span>

namespace {

// Everything is laid out in a unit square, nose at the top, x measured from the left edge;
// the paint event scales the square into the widget.
constexpr double kCentre = 0.5;

enum class Role { Aileron, Flap, Flaperon, Elevon, Elevator, Rudder, Ruddervator };

struct RoleColour
{
    Role role;
    QRgb colour;
};

constexpr std::array<RoleColour, 7> kRoleColours{{
    {Role::Aileron, qRgb(38, 120, 214)},
    {Role::Flap, qRgb(46, 160, 90)},
    {Role::Flaperon, qRgb(24, 150, 160)},
    {Role::Elevon, qRgb(24, 150, 160)},
    {Role::Elevator, qRgb(226, 132, 24)},
    {Role::Rudder, qRgb(200, 60, 90)},
    {Role::Ruddervator, qRgb(150, 86, 200)},
}};

constexpr QRgb kStructureFill = qRgb(228, 233, 238);
constexpr QRgb kStructureOutline = qRgb(84, 96, 108);
constexpr QRgb kCanopyFill = qRgb(186, 214, 240);
constexpr QRgb kCardFill = qRgb(255, 255, 255);
constexpr QRgb kCardBorder = qRgb(208, 213, 218);
constexpr QRgb kLabelColour = qRgb(40, 44, 48);
constexpr int kCardRadius = 8;
constexpr int kCardPadding = 12;
constexpr double kLabelGap = 0.012;
constexpr double kMinimumFontPixels = 9.0;
constexpr double kFontPixelsPerSide = 0.028;

QColor colourOf(Role role)
{
    const auto found = std::find_if(kRoleColours.begin(), kRoleColours.end(),
                                    [role](const RoleColour &entry) { return entry.role == role; });
    return QColor(found->colour);
}

struct Point
{
    double x; // distance from the centre line
    double y;
};

// The right half of a wing or tailplane; the left half is its mirror image.
struct Panel
{
    Point rootLeading;
    Point rootTrailing;
    Point tipLeading;
    Point tipTrailing;
};

constexpr Panel kWing{{0.045, 0.26}, {0.045, 0.42}, {0.46, 0.31}, {0.46, 0.40}};
constexpr Panel kFlyingWing{{0.04, 0.24}, {0.04, 0.52}, {0.45, 0.56}, {0.45, 0.64}};
constexpr Panel kTailplane{{0.025, 0.74}, {0.025, 0.83}, {0.21, 0.77}, {0.21, 0.82}};
constexpr Panel kVTail{{0.025, 0.73}, {0.025, 0.82}, {0.15, 0.79}, {0.15, 0.835}};

// A moving surface along the trailing edge of a panel, from `from` to `to` of the half span
// (0 at the root), `depth` of the chord deep. Equal names mean one servo moves both sides.
struct Surface
{
    double from;
    double to;
    double depth;
    Role role;
    const char *right;
    const char *left;
};

#define ZX_LABEL(text) QT_TRANSLATE_NOOP("AircraftTypePicture", text)

constexpr Surface kAileron{
    0.56, 0.96, 0.3, Role::Aileron, ZX_LABEL("Aileron"), ZX_LABEL("Aileron")};
constexpr Surface kSplitAileron{
    0.56, 0.96, 0.3, Role::Aileron, ZX_LABEL("R Aileron"), ZX_LABEL("L Aileron")};
constexpr Surface kFlap{0.1, 0.52, 0.3, Role::Flap, ZX_LABEL("Flap"), ZX_LABEL("Flap")};
constexpr Surface kSplitFlap{0.1, 0.52, 0.3, Role::Flap, ZX_LABEL("R Flap"), ZX_LABEL("L Flap")};

constexpr Surface kNormalWing[] = {kAileron};
constexpr Surface kDualAileronWing[] = {kSplitAileron};
constexpr Surface kFlaperonWing[] = {
    {0.1, 0.96, 0.3, Role::Flaperon, ZX_LABEL("R Flaperon"), ZX_LABEL("L Flaperon")}};
constexpr Surface kOneAileronOneFlapWing[] = {kAileron, kFlap};
constexpr Surface kOneAileronTwoFlapsWing[] = {kAileron, kSplitFlap};
constexpr Surface kTwoAileronsOneFlapWing[] = {kSplitAileron, kFlap};
constexpr Surface kTwoAileronsTwoFlapsWing[] = {kSplitAileron, kSplitFlap};
constexpr Surface kFourAileronsWing[] = {
    {0.56, 0.96, 0.3, Role::Aileron, ZX_LABEL("R Aileron 1"), ZX_LABEL("L Aileron 1")},
    {0.1, 0.52, 0.3, Role::Aileron, ZX_LABEL("R Aileron 2"), ZX_LABEL("L Aileron 2")}};
constexpr Surface kElevonWing[] = {
    {0.22, 0.96, 0.22, Role::Elevon, ZX_LABEL("R Elevon"), ZX_LABEL("L Elevon")}};

struct WingLayout
{
    DeviceModel::WingType type;
    bool flyingWing;
    std::span<const Surface> surfaces;
};

const std::array<WingLayout, 11> kWingLayouts{{
    {DeviceModel::WingTypeNormal, false, kNormalWing},
    {DeviceModel::WingTypeDualAileron, false, kDualAileronWing},
    {DeviceModel::WingTypeFlaperon, false, kFlaperonWing},
    {DeviceModel::WingTypeOneAileronOneFlap, false, kOneAileronOneFlapWing},
    {DeviceModel::WingTypeOneAileronTwoFlaps, false, kOneAileronTwoFlapsWing},
    {DeviceModel::WingTypeTwoAileronsOneFlap, false, kTwoAileronsOneFlapWing},
    {DeviceModel::WingTypeTwoAileronsTwoFlaps, false, kTwoAileronsTwoFlapsWing},
    {DeviceModel::WingTypeElevon, true, kElevonWing},
    {DeviceModel::WingTypeElevonA, true, kElevonWing},
    {DeviceModel::WingTypeElevonB, true, kElevonWing},
    {DeviceModel::WingTypeFourAilerons, false, kFourAileronsWing},
}};

enum class Tailplane { None, Conventional, VTail };
// Fins seen from above: edge-on strips, with the rudder as the coloured rear part.
enum class Fins { None, Centre, FixedCentre, Twin };

constexpr Surface kElevator{
    0.08, 0.96, 0.4, Role::Elevator, ZX_LABEL("Elevator"), ZX_LABEL("Elevator")};
constexpr Surface kSplitElevator{
    0.08, 0.96, 0.4, Role::Elevator, ZX_LABEL("R Elevator"), ZX_LABEL("L Elevator")};
constexpr Surface kRuddervators{
    0.08, 0.96, 0.45, Role::Ruddervator, ZX_LABEL("R Ruddervator"), ZX_LABEL("L Ruddervator")};

struct TailLayout
{
    DeviceModel::TailType type;
    Tailplane tailplane;
    const Surface *surface; // on the tailplane, or none
    Fins fins;
};

constexpr std::array<TailLayout, 9> kTailLayouts{{
    {DeviceModel::TailTypeNormal, Tailplane::Conventional, &kElevator, Fins::Centre},
    {DeviceModel::TailTypeVTail, Tailplane::VTail, &kRuddervators, Fins::None},
    {DeviceModel::TailTypeDualElevator, Tailplane::Conventional, &kSplitElevator, Fins::Centre},
    {DeviceModel::TailTypeDualRudder, Tailplane::Conventional, &kElevator, Fins::Twin},
    {DeviceModel::TailTypeDualRudderAndElevator, Tailplane::Conventional, &kSplitElevator,
     Fins::Twin},
    {DeviceModel::TailTypeSailplaneWing, Tailplane::Conventional, &kElevator, Fins::FixedCentre},
    {DeviceModel::TailTypeElevonNoRudder, Tailplane::None, nullptr, Fins::None},
    {DeviceModel::TailTypeElevonRudder, Tailplane::None, nullptr, Fins::Centre},
    {DeviceModel::TailTypeElevonDualRudder, Tailplane::None, nullptr, Fins::Twin},
}};

#undef ZX_LABEL

template <typename Layout, std::size_t N, typename Type>
const Layout &layoutOf(const std::array<Layout, N> &layouts, Type type)
{
    const auto found = std::find_if(layouts.begin(), layouts.end(),
                                    [type](const Layout &layout) { return layout.type == type; });
    return found == layouts.end() ? layouts.front() : *found;
}

QString labelText(const char *text)
{
    return QCoreApplication::translate("AircraftTypePicture", text);
}

struct Item
{
    QPainterPath path;
    QColor fill;
    QColor outline;
    Qt::PenStyle style = Qt::SolidLine;
};

// Where a label sits against its anchor point.
enum class Placement { Below, RightOf, LeftOf };

struct Label
{
    QString text;
    QPointF anchor; // top centre (Below), left middle (RightOf) or right middle (LeftOf)
    QColor colour;
    // +1 right of the centre line, -1 left of it, 0 either: a label below a surface stays on
    // its own side, so that the names of a pair never run into each other.
    int side = 0;
    Placement placement = Placement::Below;
};

// What the picture draws, in unit coordinates, in drawing order.
struct Scene
{
    QList<Item> items;
    QList<Label> labels;

    void structure(const QPainterPath &path, QColor fill = QColor(kStructureFill))
    {
        items.append({path, fill, QColor(kStructureOutline)});
    }
    void surface(const QPainterPath &path, Role role)
    {
        items.append({path, colourOf(role), colourOf(role).darker(130)});
    }
    void link(QPointF from, QPointF to, Role role)
    {
        QPainterPath path(from);
        path.lineTo(to);
        items.append({path, Qt::transparent, colourOf(role), Qt::DashLine});
    }
};

QPointF side(Point point, int sign)
{
    return {kCentre + sign * point.x, point.y};
}

Point along(Point root, Point tip, double t)
{
    return {root.x + (tip.x - root.x) * t, root.y + (tip.y - root.y) * t};
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QVector<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath panelPath(const Panel &panel, int sign)
{
    return polygon({side(panel.rootLeading, sign), side(panel.tipLeading, sign),
                    side(panel.tipTrailing, sign), side(panel.rootTrailing, sign)});
}

void addPanelHalves(Scene &scene, const Panel &panel)
{
    for (int sign : {1, -1})
        scene.structure(panelPath(panel, sign));
}

// The surface on both halves of the panel, named on each side. A one-servo pair is joined
// across the fuselage unless another surface lies between them (`linkable` false).
void addSurface(Scene &scene, const Panel &panel, const Surface &surface, bool linkable = true)
{
    QPointF inner[2];
    for (int sign : {1, -1}) {
        const Point trailingFrom = along(panel.rootTrailing, panel.tipTrailing, surface.from);
        const Point trailingTo = along(panel.rootTrailing, panel.tipTrailing, surface.to);
        const Point leadingFrom = along(panel.rootLeading, panel.tipLeading, surface.from);
        const Point leadingTo = along(panel.rootLeading, panel.tipLeading, surface.to);
        const Point hingeFrom = along(trailingFrom, leadingFrom, surface.depth);
        const Point hingeTo = along(trailingTo, leadingTo, surface.depth);
        scene.surface(polygon({side(hingeFrom, sign), side(hingeTo, sign), side(trailingTo, sign),
                               side(trailingFrom, sign)}),
                      surface.role);
        const Point middle = along(trailingFrom, trailingTo, 0.5);
        scene.labels.append({labelText(sign > 0 ? surface.right : surface.left),
                             side({middle.x, middle.y + kLabelGap}, sign),
                             colourOf(surface.role).darker(150), sign});
        inner[sign > 0 ? 0 : 1] = side(along(hingeFrom, trailingFrom, 0.5), sign);
    }
    if (linkable && qstrcmp(surface.right, surface.left) == 0)
        scene.link(inner[0], inner[1], surface.role);
}

struct FinPlace
{
    double x;     // from the centre line
    double front; // leading edge of the fin
    double hinge; // where the rudder starts
    double back;  // trailing edge of the rudder
};

void addFin(Scene &scene, const FinPlace &place, int sign, bool movable, const char *name,
            Placement placement = Placement::Below)
{
    constexpr double kFinHalfWidth = 0.007;
    constexpr double kRudderHalfWidth = 0.011;
    const double x = kCentre + sign * place.x;
    QPainterPath fin;
    fin.addRoundedRect(QRectF(x - kFinHalfWidth, place.front, 2 * kFinHalfWidth,
                              (movable ? place.hinge : place.back) - place.front),
                       kFinHalfWidth, kFinHalfWidth);
    scene.structure(fin);
    if (!movable)
        return;
    QPainterPath rudder;
    rudder.addRect(
        QRectF(x - kRudderHalfWidth, place.hinge, 2 * kRudderHalfWidth, place.back - place.hinge));
    scene.surface(rudder, Role::Rudder);
    const QPointF anchor = placement == Placement::Below
                               ? QPointF(x, place.back + kLabelGap)
                               : QPointF(x + sign * 2 * kLabelGap, (place.hinge + place.back) / 2);
    scene.labels.append(
        {labelText(name), anchor, colourOf(Role::Rudder).darker(150), 0, placement});
}

void addFins(Scene &scene, Fins fins, bool flyingWing)
{
    switch (fins) {
    case Fins::None:
        return;
    case Fins::Centre:
    case Fins::FixedCentre: {
        const FinPlace place =
            flyingWing ? FinPlace{0, 0.42, 0.57, 0.63} : FinPlace{0, 0.71, 0.87, 0.93};
        addFin(scene, place, 1, fins == Fins::Centre,
               QT_TRANSLATE_NOOP("AircraftTypePicture", "Rudder"));
        return;
    }
    case Fins::Twin: {
        // Winglet rudders are named below them; the tail's fins stand beside the elevator's
        // name, so theirs go outside.
        const FinPlace place = flyingWing ? FinPlace{kFlyingWing.tipTrailing.x, 0.55, 0.63, 0.68}
                                          : FinPlace{kTailplane.tipTrailing.x, 0.75, 0.81, 0.86};
        addFin(scene, place, 1, true, QT_TRANSLATE_NOOP("AircraftTypePicture", "R Rudder"),
               flyingWing ? Placement::Below : Placement::RightOf);
        addFin(scene, place, -1, true, QT_TRANSLATE_NOOP("AircraftTypePicture", "L Rudder"),
               flyingWing ? Placement::Below : Placement::LeftOf);
        return;
    }
    }
}

QPainterPath fuselagePath(double nose, double widest, double tail, double halfWidth,
                          double tailHalfWidth)
{
    QPainterPath path(QPointF(kCentre, nose));
    path.cubicTo(kCentre + halfWidth, nose, kCentre + halfWidth, widest - 0.05, kCentre + halfWidth,
                 widest);
    path.cubicTo(kCentre + halfWidth, widest + 0.2, kCentre + tailHalfWidth, tail - 0.1,
                 kCentre + tailHalfWidth, tail);
    path.lineTo(kCentre - tailHalfWidth, tail);
    path.cubicTo(kCentre - tailHalfWidth, tail - 0.1, kCentre - halfWidth, widest + 0.2,
                 kCentre - halfWidth, widest);
    path.cubicTo(kCentre - halfWidth, widest - 0.05, kCentre - halfWidth, nose, kCentre, nose);
    path.closeSubpath();
    return path;
}

void addAirplane(Scene &scene, DeviceModel::WingType wingType, DeviceModel::TailType tailType)
{
    const WingLayout &wing = layoutOf(kWingLayouts, wingType);
    const TailLayout &tail = layoutOf(kTailLayouts, tailType);
    const bool longFuselage = !wing.flyingWing || tail.tailplane != Tailplane::None;
    const Panel &wingPanel = wing.flyingWing ? kFlyingWing : kWing;
    const Panel &tailPanel = tail.tailplane == Tailplane::VTail ? kVTail : kTailplane;

    if (!wing.flyingWing) {
        QPainterPath propeller;
        propeller.addRoundedRect(QRectF(kCentre - 0.09, 0.028, 0.18, 0.014), 0.007, 0.007);
        scene.structure(propeller);
    }
    addPanelHalves(scene, wingPanel);
    if (tail.tailplane != Tailplane::None)
        addPanelHalves(scene, tailPanel);
    if (longFuselage)
        scene.structure(fuselagePath(0.04, 0.26, 0.9, 0.045, 0.014));
    else
        scene.structure(fuselagePath(0.17, 0.34, 0.6, 0.04, 0.02));
    QPainterPath canopy;
    canopy.addEllipse(QRectF(kCentre - 0.022, longFuselage ? 0.13 : 0.23, 0.044, 0.1));
    scene.structure(canopy, QColor(kCanopyFill));

    // Surfaces go over the fuselage, so that the link of a one-servo pair shows.
    for (const Surface &surface : wing.surfaces) {
        const bool innermost =
            std::none_of(wing.surfaces.begin(), wing.surfaces.end(),
                         [&surface](const Surface &other) { return other.to <= surface.from; });
        addSurface(scene, wingPanel, surface, innermost);
    }
    if (tail.tailplane != Tailplane::None && tail.surface)
        addSurface(scene, tailPanel, *tail.surface);
    addFins(scene, tail.fins, !longFuselage);
}

void addHelicopter(Scene &scene)
{
    QPainterPath boom;
    boom.addRoundedRect(QRectF(kCentre - 0.012, 0.4, 0.024, 0.48), 0.01, 0.01);
    scene.structure(boom);
    QPainterPath tailRotor;
    tailRotor.addRoundedRect(QRectF(kCentre + 0.012, 0.8, 0.012, 0.12), 0.005, 0.005);
    scene.structure(tailRotor);
    QPainterPath body;
    body.addEllipse(QRectF(kCentre - 0.08, 0.16, 0.16, 0.3));
    scene.structure(body);
    QPainterPath canopy;
    canopy.addEllipse(QRectF(kCentre - 0.05, 0.18, 0.1, 0.12));
    scene.structure(canopy, QColor(kCanopyFill));
    QPainterPath disc;
    disc.addEllipse(QPointF(kCentre, 0.32), 0.3, 0.3);
    scene.items.append({disc, Qt::transparent, QColor(kStructureOutline), Qt::DashLine});
    QPainterPath blades;
    blades.addRoundedRect(QRectF(kCentre - 0.3, 0.31, 0.6, 0.02), 0.01, 0.01);
    scene.structure(blades);
}

void addQuadcopter(Scene &scene)
{
    constexpr double kArm = 0.26;
    constexpr double kRotor = 0.13;
    for (int sx : {1, -1}) {
        for (int sy : {1, -1}) {
            const QPointF hub(kCentre + sx * kArm, kCentre + sy * kArm);
            scene.structure(polygon({QPointF(kCentre - 0.012 * sy, kCentre + 0.012 * sx),
                                     hub + QPointF(-0.012 * sy, 0.012 * sx),
                                     hub + QPointF(0.012 * sy, -0.012 * sx),
                                     QPointF(kCentre + 0.012 * sy, kCentre - 0.012 * sx)}));
            QPainterPath rotor;
            rotor.addEllipse(hub, kRotor, kRotor);
            scene.items.append({rotor, Qt::transparent, QColor(kStructureOutline), Qt::DashLine});
        }
    }
    QPainterPath body;
    body.addRoundedRect(QRectF(kCentre - 0.08, kCentre - 0.08, 0.16, 0.16), 0.03, 0.03);
    scene.structure(body);
    // The front, so that the top view reads as nose up like the others.
    scene.structure(polygon({QPointF(kCentre, kCentre - 0.06), QPointF(kCentre + 0.04, kCentre),
                             QPointF(kCentre - 0.04, kCentre)}),
                    QColor(kCanopyFill));
}

Scene sceneOf(AircraftType aircraft, DeviceModel::WingType wing, DeviceModel::TailType tail)
{
    Scene scene;
    switch (aircraft) {
    case AircraftType::Helicopter:
        addHelicopter(scene);
        break;
    case AircraftType::Quadcopter:
        addQuadcopter(scene);
        break;
    default:
        addAirplane(scene, wing, tail);
        break;
    }
    return scene;
}

} // namespace

AircraftTypePicture::AircraftTypePicture(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(tr("Aircraft picture"));
    setTypes(m_aircraft, m_wing, m_tail);
}

void AircraftTypePicture::setTypes(AircraftType aircraft, DeviceModel::WingType wing,
                                   DeviceModel::TailType tail)
{
    m_aircraft = aircraft;
    m_wing = wing;
    m_tail = tail;
    setAccessibleDescription(AircraftTypeNames::layoutDescription(aircraft, wing, tail));
    update();
}

QStringList AircraftTypePicture::surfaceLabels() const
{
    QStringList labels;
    for (const Label &label : sceneOf(m_aircraft, m_wing, m_tail).labels)
        labels.append(label.text);
    return labels;
}

QSize AircraftTypePicture::sizeHint() const
{
    return {480, 470};
}

QSize AircraftTypePicture::minimumSizeHint() const
{
    return {220, 220};
}

void AircraftTypePicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QColor(kCardBorder));
    painter.setBrush(QColor(kCardFill));
    painter.drawRoundedRect(card, kCardRadius, kCardRadius);

    const QRectF area = card.adjusted(kCardPadding, kCardPadding, -kCardPadding, -kCardPadding);
    const double sideLength = std::min(area.width(), area.height());
    if (sideLength <= 0)
        return;
    QTransform toWidget;
    toWidget.translate(area.center().x() - sideLength / 2, area.center().y() - sideLength / 2);
    toWidget.scale(sideLength, sideLength);

    const Scene scene = sceneOf(m_aircraft, m_wing, m_tail);
    for (const Item &item : scene.items) {
        QPen pen(item.outline, item.style == Qt::SolidLine ? 1.2 : 1.4, item.style);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(item.fill);
        painter.drawPath(toWidget.map(item.path));
    }

    QFont font = painter.font();
    font.setPixelSize(int(std::max(kMinimumFontPixels, sideLength * kFontPixelsPerSide)));
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const double centreLine = toWidget.map(QPointF(kCentre, 0)).x();
    const double sideGap = metrics.averageCharWidth() / 2;
    for (const Label &label : scene.labels) {
        const QPointF anchor = toWidget.map(label.anchor);
        const double width = metrics.horizontalAdvance(label.text);
        const double height = metrics.height();
        QRectF box;
        switch (label.placement) {
        case Placement::Below:
            box = QRectF(anchor.x() - width / 2, anchor.y(), width, height);
            if (label.side > 0)
                box.moveLeft(std::max(box.left(), centreLine + sideGap));
            else if (label.side < 0)
                box.moveRight(std::min(box.right(), centreLine - sideGap));
            break;
        case Placement::RightOf:
            box = QRectF(anchor.x(), anchor.y() - height / 2, width, height);
            break;
        case Placement::LeftOf:
            box = QRectF(anchor.x() - width, anchor.y() - height / 2, width, height);
            break;
        }
        // Labels of the wing tips stay inside the card.
        box.moveLeft(std::clamp(box.left(), area.left(), area.right() - width));
        painter.setPen(label.colour);
        painter.drawText(box, Qt::AlignCenter, label.text);
    }
}
