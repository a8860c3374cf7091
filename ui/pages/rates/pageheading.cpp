#include "ui/pages/rates/pageheading.h"

#include <QBoxLayout>
#include <QLabel>

namespace {

constexpr qreal kTitleScale = 1.5;

} // namespace

void addPageHeading(QBoxLayout &layout, const QString &title, const QString &explanation,
                    QWidget *parent)
{
    auto *heading = new QLabel(title, parent);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * kTitleScale);
    font.setBold(true);
    heading->setFont(font);
    heading->setObjectName(QStringLiteral("pageTitle"));
    layout.addWidget(heading);

    auto *text = new QLabel(explanation, parent);
    text->setWordWrap(true);
    text->setObjectName(QStringLiteral("pageExplanation"));
    layout.addWidget(text);
}
