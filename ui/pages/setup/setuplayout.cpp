// Layout pieces shared by the set-up pages.
#include "ui/pages/setup/setuplayout.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

// Readable on the light page background and in the wizard alike.
constexpr QRgb kNoteColour = qRgb(110, 110, 110);
constexpr int kIntroMaximumWidth = 640;

} // namespace

QLabel *pageIntro(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setMaximumWidth(kIntroMaximumWidth);
    return label;
}

QLabel *pageNote(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setWordWrap(true);
    label->setMaximumWidth(kIntroMaximumWidth);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(kNoteColour));
    label->setPalette(palette);
    label->hide();
    return label;
}

QBoxLayout *withHelp(QWidget *control, QWidget *help)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(control);
    if (help)
        row->addWidget(help);
    row->addStretch(1);
    return row;
}
