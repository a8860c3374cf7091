// SwitchPositionsView: which switch position selects which flight mode.
#include "ui/pages/setup/switchpositionsview.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int kBodyWidth = 34;
constexpr int kPositionSpacing = 34;
constexpr int kTextGap = 22;
constexpr int kMargin = 6;
constexpr int kPreferredWidth = 360;

const QColor kBodyFill(72, 80, 94);
const QColor kBodyLine(40, 44, 52);
const QColor kDetent(214, 170, 60);
const QColor kLeader(150, 156, 166);
const QColor kText(50, 50, 50);

} // namespace

SwitchPositionsView::SwitchPositionsView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("switchPositionsView"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SwitchPositionsView::setPositions(const QString &switchName, const QStringList &flightModes)
{
    m_switchName = switchName;
    m_flightModes = flightModes;
    QStringList lines;
    for (int position = 0; position < flightModes.size(); ++position)
        lines.append(tr("Position %1: %2").arg(position + 1).arg(flightModes.at(position)));
    setAccessibleDescription(switchName.isEmpty() ? flightModes.value(0) : lines.join(u'\n'));
    updateGeometry();
    update();
}

QSize SwitchPositionsView::sizeHint() const
{
    const int positions = std::max(1, int(m_flightModes.size()));
    return {kPreferredWidth, 2 * kMargin + positions * kPositionSpacing};
}

void SwitchPositionsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int positions = std::max(1, int(m_flightModes.size()));
    const bool hasSwitch = !m_switchName.isEmpty();
    const QRectF body(0, kMargin, kBodyWidth, positions * kPositionSpacing);

    painter.setPen(QPen(kBodyLine, 1.2));
    QColor fill = kBodyFill;
    if (!hasSwitch)
        fill.setAlphaF(0.35);
    painter.setBrush(fill);
    painter.drawRoundedRect(body, 6, 6);

    for (int position = 0; position < positions; ++position) {
        const double y = body.top() + kPositionSpacing * (position + 0.5);
        const bool active = hasSwitch || position == 0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(active ? kDetent : kLeader);
        painter.drawEllipse(QPointF(body.center().x(), y), 5, 5);
        if (!active)
            continue;
        painter.setPen(QPen(kLeader, 1, Qt::DotLine));
        painter.drawLine(QPointF(body.right() + 4, y), QPointF(body.right() + kTextGap - 4, y));
        painter.setPen(kText);
        const QString text =
            hasSwitch ? tr("Position %1: %2").arg(position + 1).arg(m_flightModes.value(position))
                      : tr("Always %1").arg(m_flightModes.value(0));
        painter.drawText(QRectF(body.right() + kTextGap, y - kPositionSpacing / 2.0,
                                width() - body.right() - kTextGap, kPositionSpacing),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}
