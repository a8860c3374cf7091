// Page: the base of the editor's pages, with the shared background and logo.
#include "ui/navigation/page.h"

#include "ui/widgets/picture.h"

#include <QPainter>
#include <QPixmap>

namespace {

constexpr QRgb kBackgroundColour = qRgb(247, 247, 247);
// The logo keeps clear of the page's bottom-right corner by this much, in both directions.
constexpr int kLogoMargin = 10;

// Draws `picture` at its logical size with its bottom-right corner at `corner`.
void drawToCorner(QPainter &painter, const QPixmap &picture, QPointF corner)
{
    if (picture.isNull())
        return;
    const QSizeF size = QSizeF(picture.size()) / picture.devicePixelRatioF();
    painter.drawPixmap(QRectF(corner - QPointF(size.width(), size.height()), size), picture,
                       QRectF(picture.rect()));
}

} // namespace

Page::Page(QWidget *parent)
    : QWidget(parent)
{}

Page::~Page() = default;

void Page::setShowBackground(bool show)
{
    m_showBackground = show;
    update();
}

void Page::setShowLogo(bool show)
{
    m_showLogo = show;
    update();
}

void Page::setPageVisible(bool visible)
{
    m_pageVisible = visible;
    emit visibilityChanged(visible);
}

void Page::addRefresher(std::function<void()> refresher)
{
    m_refreshers.append(std::move(refresher));
}

void Page::refresh()
{
    // A refresher may register further controls; those wait for the next refresh.
    const QList<std::function<void()>> refreshers = m_refreshers;
    for (const std::function<void()> &refresher : refreshers)
        refresher();
}

void Page::paintEvent(QPaintEvent *)
{
    if (!m_showBackground && !m_showLogo)
        return;
    QPainter painter(this);
    const QPointF corner(width(), height());
    if (m_showBackground) {
        painter.fillRect(rect(), QColor(kBackgroundColour));
        drawToCorner(painter, loadPicture(QStringLiteral("Background.jpg")), corner);
    }
    if (m_showLogo) {
        drawToCorner(painter, loadPicture(QStringLiteral("SmallLogo.png")),
                     corner - QPointF(kLogoMargin, kLogoMargin));
    }
}
