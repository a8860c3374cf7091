#include "ui/models/modellistdelegate.h"

#include "ui/models/modellistmodel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kMargin = 6;
constexpr int kTextGap = 12;
constexpr int kHeaderTopPadding = 10;
constexpr int kHeaderBottomPadding = 4;
constexpr int kCheckDiameter = 18;
constexpr qreal kDetailScale = 0.9;
// The program's blue: headings and the current-model mark.
constexpr QRgb kAccentColour = qRgb(8, 99, 186);
constexpr QRgb kFrameColour = qRgb(132, 172, 221);
constexpr QRgb kRuleColour = qRgb(210, 218, 228);
constexpr int kMutedAlpha = 150;

QSize pictureSize()
{
    return ModelListModel::kPictureSize;
}

QColor textColour(const QStyleOptionViewItem &option, bool muted)
{
    const bool selected = option.state & QStyle::State_Selected;
    QColor colour = option.palette.color(option.state & QStyle::State_Enabled ? QPalette::Active
                                                                              : QPalette::Disabled,
                                         selected ? QPalette::HighlightedText : QPalette::Text);
    if (muted)
        colour.setAlpha(kMutedAlpha);
    return colour;
}

void drawCheckMark(QPainter *painter, const QRectF &circle, const QColor &ring, const QColor &tick)
{
    painter->setPen(Qt::NoPen);
    painter->setBrush(ring);
    painter->drawEllipse(circle);
    QPainterPath path;
    const qreal w = circle.width();
    path.moveTo(circle.left() + w * 0.27, circle.top() + w * 0.52);
    path.lineTo(circle.left() + w * 0.44, circle.top() + w * 0.69);
    path.lineTo(circle.left() + w * 0.74, circle.top() + w * 0.34);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(tick, w * 0.13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->drawPath(path);
}

void drawNewModelFrame(QPainter *painter, const QRectF &frame)
{
    const QRectF inner = frame.adjusted(2, 2, -2, -2);
    painter->setBrush(QColor(225, 239, 255));
    painter->setPen(QPen(QColor(kFrameColour), 1.5, Qt::DashLine));
    painter->drawRoundedRect(inner, 6, 6);
    const QPointF centre = inner.center();
    const qreal arm = inner.width() * 0.2;
    painter->setPen(QPen(QColor(kAccentColour), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter->drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
    painter->drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
}

} // namespace

ModelListDelegate::ModelListDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QSize ModelListDelegate::sizeHint(const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    // Cheap on purpose: a view of thousands of rows asks for every row's size.
    const int lineHeight = option.fontMetrics.height();
    if (ModelListModel::kindOf(index) == ModelListModel::RowKind::Header)
        return {0, lineHeight + kHeaderTopPadding + kHeaderBottomPadding};
    return {0, std::max(pictureSize().height(), 2 * lineHeight) + 2 * kMargin};
}

void ModelListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (ModelListModel::kindOf(index) == ModelListModel::RowKind::Header)
        paintHeader(painter, option, index);
    else
        paintModel(painter, option, index);
    painter->restore();
}

void ModelListDelegate::paintHeader(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    QFont font = option.font;
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(QColor(kAccentColour));
    const QRect textRect = option.rect.adjusted(kMargin, kHeaderTopPadding, -kMargin, 0);
    const QString title = index.data(Qt::DisplayRole).toString();
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, title);

    const int titleWidth = QFontMetrics(font).horizontalAdvance(title);
    const int ruleY = textRect.top() + QFontMetrics(font).ascent() / 2 + 1;
    const int ruleLeft = textRect.left() + titleWidth + kMargin;
    if (ruleLeft < textRect.right()) {
        painter->setPen(QPen(QColor(kRuleColour), 1));
        painter->drawLine(ruleLeft, ruleY, textRect.right(), ruleY);
    }
}

void ModelListDelegate::paintModel(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    panel.text.clear();
    panel.icon = QIcon();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

    const QRect rect = option.rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const QRect pictureRect(QPoint(rect.left() + 2, rect.center().y() - pictureSize().height() / 2),
                            pictureSize());
    const bool isNewModel = ModelListModel::kindOf(index) == ModelListModel::RowKind::NewModel;
    if (isNewModel) {
        drawNewModelFrame(painter, pictureRect);
    } else {
        const QPixmap picture = index.data(ModelListModel::PictureRole).value<QPixmap>();
        if (!picture.isNull()) {
            const QSizeF shown = QSizeF(picture.size()) / picture.devicePixelRatioF();
            const QRectF target(QPointF(pictureRect.center()) -
                                    QPointF(shown.width() / 2, shown.height() / 2),
                                shown);
            painter->drawPixmap(target, picture, QRectF(picture.rect()));
        }
    }

    const bool current = index.data(ModelListModel::CurrentRole).toBool();
    int textRight = rect.right();
    if (current) {
        const QRectF circle(rect.right() - kCheckDiameter, rect.center().y() - kCheckDiameter / 2.0,
                            kCheckDiameter, kCheckDiameter);
        const bool selected = option.state & QStyle::State_Selected;
        drawCheckMark(painter, circle,
                      selected ? option.palette.color(QPalette::HighlightedText)
                               : QColor(kAccentColour),
                      selected ? option.palette.color(QPalette::Highlight) : QColor(Qt::white));
        textRight -= kCheckDiameter + kMargin;
    }

    const int textLeft = pictureRect.right() + kTextGap;
    QFont nameFont = option.font;
    nameFont.setBold(current);
    QFont detailFont = option.font;
    detailFont.setPointSizeF(option.font.pointSizeF() * kDetailScale);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics detailMetrics(detailFont);
    const int width = std::max(0, textRight - textLeft);

    QStringList details;
    if (!isNewModel) {
        for (const int role :
             {int(ModelListModel::ProductNameRole), int(ModelListModel::SerialNumberRole)}) {
            const QString text = index.data(role).toString();
            if (!text.isEmpty())
                details.append(text);
        }
    }
    const QString detail = details.join(QStringLiteral("  \u00b7  "));
    const int blockHeight = nameMetrics.height() + (detail.isEmpty() ? 0 : detailMetrics.height());
    int y = rect.center().y() - blockHeight / 2;

    painter->setFont(nameFont);
    painter->setPen(isNewModel ? QColor(kAccentColour) : textColour(option, false));
    painter->drawText(
        QRect(textLeft, y, width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, width));
    y += nameMetrics.height();
    if (!detail.isEmpty()) {
        painter->setFont(detailFont);
        painter->setPen(textColour(option, true));
        painter->drawText(QRect(textLeft, y, width, detailMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          detailMetrics.elidedText(detail, Qt::ElideRight, width));
    }

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect.adjusted(1, 1, -1, -1);
        focus.backgroundColor = option.palette.color(QPalette::Base);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}
