#include "ui/widgets/helpindicator.h"

#include "ui/widgets/picture.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolTip>

HelpIndicator::HelpIndicator(const QString &tooltipKey, const TooltipTable &table, QWidget *parent)
    : QLabel(parent)
    , m_key(tooltipKey)
    , m_text(table.value(tooltipKey))
{
    setObjectName(QStringLiteral("helpIndicator"));
    setPixmap(loadPicture(QStringLiteral("Icon-Help.png")));
    // Every control without visible text carries an accessible name; the description is what
    // a sighted user reads in the tooltip.
    setAccessibleName(tr("Help"));
    setAccessibleDescription(m_text);
    setFocusPolicy(Qt::TabFocus);
}

QString HelpIndicator::tooltipHtml(const QString &text)
{
    QString html = text;
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return QStringLiteral("<span>%1</span>").arg(html);
}

void HelpIndicator::showHelp()
{
    // An empty text hides any tooltip instead of showing an empty one.
    const QString html = m_text.isEmpty() ? QString() : tooltipHtml(m_text);
    QToolTip::showText(mapToGlobal(rect().bottomLeft()), html, this, rect(), kTooltipShowTimeMs);
}

void HelpIndicator::enterEvent(QEvent *event)
{
    QLabel::enterEvent(event);
    showHelp();
}

void HelpIndicator::focusInEvent(QFocusEvent *event)
{
    QLabel::focusInEvent(event);
    update(); // the focus frame
    showHelp();
}

void HelpIndicator::focusOutEvent(QFocusEvent *event)
{
    QLabel::focusOutEvent(event);
    update();
    // Only the tooltip this indicator opened from the keyboard; a pointer elsewhere may own
    // another one by now.
    if (QToolTip::isVisible() && QToolTip::text() == tooltipHtml(m_text))
        QToolTip::hideText();
}

void HelpIndicator::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 || event->key() == Qt::Key_Space) {
        showHelp();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void HelpIndicator::mousePressEvent(QMouseEvent *event)
{
    // A click (or a tap, where there is no hover) shows the text too.
    QLabel::mousePressEvent(event);
    showHelp();
}

void HelpIndicator::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // A label draws no focus indication of its own; keyboard users need to see where they are.
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
