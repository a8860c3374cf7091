// NavigationDelegate: how a navigation row looks.
#include "ui/navigation/navigationdelegate.h"

#include "models/pageinfo.h"
#include "ui/navigation/navigationlist.h"
#include "ui/widgets/picture.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QtMath>

namespace {

constexpr int kHeadingWeight = 75;
constexpr int kNotificationInset = 3;
// Room around the text, in font heights, so that rows are easy to hit.
constexpr qreal kRowHeightInFontHeights = 1.8;
constexpr qreal kDisabledPictureOpacity = 0.4;

[[nodiscard]] bool isHeading(const QModelIndex &index)
{
    return index.data(NavigationRole::IsHeader).toBool();
}

[[nodiscard]] bool showsNotification(const QModelIndex &index)
{
    return index.data(NavigationRole::Flags).toUInt() & PageFlag::ShowsNotification;
}

[[nodiscard]] int textIndent(const QFontMetrics &metrics, bool heading)
{
    const int fontHeight = metrics.height();
    return fontHeight / 2 + (heading ? 0 : fontHeight);
}

[[nodiscard]] QFont rowFont(QFont font, bool heading)
{
    if (heading)
        font.setWeight(kHeadingWeight);
    return font;
}

[[nodiscard]] QPixmap notificationPicture()
{
    return loadPicture(QStringLiteral("Notification.png"));
}

[[nodiscard]] QSizeF logicalSize(const QPixmap &picture)
{
    return QSizeF(picture.size()) / picture.devicePixelRatioF();
}

} // namespace

void NavigationDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool heading = isHeading(index);
    const bool enabled = opt.state.testFlag(QStyle::State_Enabled);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    painter->save();
    if (!heading)
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    QRect textRect = opt.rect.adjusted(textIndent(opt.fontMetrics, heading), 0, 0, 0);
    if (showsNotification(index)) {
        const QPixmap picture = notificationPicture();
        if (!picture.isNull()) {
            const QSizeF size = logicalSize(picture);
            const QPointF topLeft(opt.rect.right() + 1 - kNotificationInset - size.width(),
                                  opt.rect.top() + (opt.rect.height() - size.height()) / 2);
            if (!enabled)
                painter->setOpacity(kDisabledPictureOpacity);
            painter->drawPixmap(QRectF(topLeft, size), picture, QRectF(picture.rect()));
            painter->setOpacity(1.0);
            textRect.setRight(int(topLeft.x()) - kNotificationInset);
        }
    }

    const QPalette::ColorGroup group = !enabled ? QPalette::Disabled
                                       : opt.state.testFlag(QStyle::State_Active)
                                           ? QPalette::Active
                                           : QPalette::Inactive;
    const bool selected = !heading && opt.state.testFlag(QStyle::State_Selected);
    painter->setPen(
        opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QFont font = rowFont(opt.font, heading);
    painter->setFont(font);
    const QString text = QFontMetrics(font).elidedText(opt.text, Qt::ElideRight, textRect.width());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

QSize NavigationDelegate::sizeHint(const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool heading = isHeading(index);
    const QFontMetrics metrics(rowFont(opt.font, heading));
    int width = textIndent(opt.fontMetrics, heading) + metrics.horizontalAdvance(opt.text) +
                opt.fontMetrics.height() / 2;
    int height = qRound(opt.fontMetrics.height() * kRowHeightInFontHeights);
    if (showsNotification(index)) {
        const QSizeF picture = logicalSize(notificationPicture());
        width += qCeil(picture.width()) + 2 * kNotificationInset;
        height = qMax(height, qCeil(picture.height()) + 2 * kNotificationInset);
    }
    return {width, height};
}
