#include "app/ui/logview/protocollogwidget.h"

#include <QEvent>
#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>

namespace {

constexpr int kOuterMarginPx = 10;
constexpr int kCardSpacingPx = 10;
constexpr int kCardPaddingPx = 8;
constexpr int kHeaderPaddingPx = 5;
constexpr int kRowSpacingPx = 4;
constexpr int kLabelGapPx = 12;
constexpr int kMinimumValueWidthPx = 40;
constexpr int kMinimumCardWidthPx = 120;
constexpr int kPreferredWidthPx = 560;
constexpr int kMinimumWidthPx = 240;
constexpr qreal kCornerRadiusPx = 4.0;

// Breaks between words where it can and inside a word where it must: a hex dump written without
// spaces would otherwise run out of the card.
qreal layOutText(QTextLayout &layout, int width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

int wrappedTextHeight(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    return qCeil(layOutText(layout, width));
}

} // namespace

ProtocolLogWidget::ProtocolLogWidget(QWidget *parent)
    : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(tr("Protocol log"));
}

void ProtocolLogWidget::addEntry(ProtocolLogEntry entry)
{
    const bool shown = isShown(entry);
    m_entries.append(std::move(entry));
    if (shown)
        contentChanged();
}

void ProtocolLogWidget::clearEntries()
{
    m_entries.clear();
    contentChanged();
}

void ProtocolLogWidget::setLoopbackVisible(bool visible)
{
    if (visible == m_loopbackVisible)
        return;
    m_loopbackVisible = visible;
    contentChanged();
}

void ProtocolLogWidget::setJunkVisible(bool visible)
{
    if (visible == m_junkVisible)
        return;
    m_junkVisible = visible;
    contentChanged();
}

bool ProtocolLogWidget::isShown(const ProtocolLogEntry &entry) const
{
    switch (entry.kind) {
    case PacketKind::Loopback:
        return m_loopbackVisible;
    case PacketKind::Junk:
        return m_junkVisible;
    case PacketKind::Ordinary:
        break;
    }
    return true;
}

int ProtocolLogWidget::visibleEntryCount() const
{
    return int(std::count_if(m_entries.cbegin(), m_entries.cend(),
                             [this](const ProtocolLogEntry &entry) { return isShown(entry); }));
}

QVector<QRect> ProtocolLogWidget::cardRects() const
{
    QVector<QRect> rects;
    for (const Card &card : currentLayout().cards)
        rects.append(card.rect);
    return rects;
}

int ProtocolLogWidget::heightForWidth(int width) const
{
    if (m_layout.width != width)
        m_layout = layoutFor(width);
    return m_layout.height;
}

QSize ProtocolLogWidget::sizeHint() const
{
    return {kPreferredWidthPx, heightForWidth(kPreferredWidthPx)};
}

QSize ProtocolLogWidget::minimumSizeHint() const
{
    return {kMinimumWidthPx, 0};
}

QFont ProtocolLogWidget::headerFont() const
{
    QFont header = font();
    header.setBold(true);
    return header;
}

QFont ProtocolLogWidget::valueFont() const
{
    // Packet data is read column by column.
    QFont value = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // A font set in pixels has no point size.
    if (font().pointSizeF() > 0)
        value.setPointSizeF(font().pointSizeF());
    else
        value.setPixelSize(font().pixelSize());
    return value;
}

ProtocolLogWidget::Layout ProtocolLogWidget::layoutFor(int width) const
{
    Layout layout;
    layout.width = width;
    const QFontMetrics headerMetrics(headerFont());
    const QFontMetrics labelMetrics(font());
    const QFont values = valueFont();
    const int cardWidth = std::max(kMinimumCardWidthPx, width * 2 / 3 - 10);
    const int headerHeight = headerMetrics.height() + 2 * kHeaderPaddingPx;

    int y = kOuterMarginPx;
    for (int index = 0; index < m_entries.size(); ++index) {
        const ProtocolLogEntry &entry = m_entries.at(index);
        if (!isShown(entry))
            continue;
        Card card;
        card.entryIndex = index;
        const int x = entry.direction == PacketDirection::Sent ? kOuterMarginPx
                                                               : width - kOuterMarginPx - cardWidth;
        card.header = QRect(x, y, cardWidth, headerHeight);

        int labelWidth = 0;
        for (const ProtocolLogRow &row : entry.rows)
            labelWidth = std::max(labelWidth, labelMetrics.horizontalAdvance(row.label));
        const int valueX = x + kCardPaddingPx + labelWidth + kLabelGapPx;
        const int valueWidth =
            std::max(kMinimumValueWidthPx, x + cardWidth - kCardPaddingPx - valueX);

        int rowY = y + headerHeight + kCardPaddingPx;
        for (const ProtocolLogRow &row : entry.rows) {
            const int valueHeight = wrappedTextHeight(row.value, values, valueWidth);
            const int labelHeight = labelMetrics.height();
            card.rows.append({QRect(x + kCardPaddingPx, rowY, labelWidth, labelHeight),
                              QRect(valueX, rowY, valueWidth, valueHeight)});
            rowY += std::max(labelHeight, valueHeight) + kRowSpacingPx;
        }
        const int bottom =
            entry.rows.isEmpty() ? y + headerHeight : rowY - kRowSpacingPx + kCardPaddingPx;
        card.rect = QRect(x, y, cardWidth, bottom - y);
        layout.cards.append(card);
        y = bottom + kCardSpacingPx;
    }
    layout.height = layout.cards.isEmpty() ? 0 : y - kCardSpacingPx + kOuterMarginPx;
    return layout;
}

const ProtocolLogWidget::Layout &ProtocolLogWidget::currentLayout() const
{
    if (m_layout.width != width())
        m_layout = layoutFor(width());
    return m_layout;
}

void ProtocolLogWidget::contentChanged()
{
    m_layout = {};
    updateGeometry();
    update();
}

void ProtocolLogWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        contentChanged();
    QWidget::changeEvent(event);
}

void ProtocolLogWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Only the cards in the exposed part: a long log scrolls through a few at a time.
    for (const Card &card : currentLayout().cards) {
        if (card.rect.top() > event->rect().bottom())
            break;
        if (card.rect.intersects(event->rect()))
            paintCard(painter, card);
    }
}

void ProtocolLogWidget::paintCard(QPainter &painter, const Card &card) const
{
    const ProtocolLogEntry &entry = m_entries.at(card.entryIndex);
    const QColor headerColor = protocolLogHeaderColor(entry);

    QPainterPath outline;
    outline.addRoundedRect(QRectF(card.rect).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadiusPx,
                           kCornerRadiusPx);
    painter.setPen(QPen(headerColor, 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawPath(outline);

    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(card.header, headerColor);
    painter.restore();

    const QRect headerText = card.header.adjusted(kCardPaddingPx, 0, -kCardPaddingPx, 0);
    const QFont header = headerFont();
    const QFontMetrics headerMetrics(header);
    const QString tag = protocolLogTag(entry);
    const int titleWidth =
        headerText.width() - headerMetrics.horizontalAdvance(tag) - 2 * kCardPaddingPx;
    painter.setFont(header);
    painter.setPen(Qt::white);
    painter.drawText(headerText, Qt::AlignLeft | Qt::AlignVCenter, tag);
    painter.drawText(headerText, Qt::AlignRight | Qt::AlignVCenter,
                     headerMetrics.elidedText(entry.title, Qt::ElideRight, titleWidth));

    QColor labelColor = palette().color(QPalette::Text);
    labelColor.setAlphaF(0.65);
    const QFont values = valueFont();
    for (int i = 0; i < card.rows.size(); ++i) {
        const ProtocolLogRow &row = entry.rows.at(i);
        const RowGeometry &geometry = card.rows.at(i);
        painter.setFont(font());
        painter.setPen(labelColor);
        painter.drawText(geometry.label, Qt::AlignLeft | Qt::AlignTop, row.label);

        QTextLayout value(row.value, values);
        layOutText(value, geometry.value.width());
        painter.setPen(palette().color(QPalette::Text));
        value.draw(&painter, geometry.value.topLeft());
    }
}
