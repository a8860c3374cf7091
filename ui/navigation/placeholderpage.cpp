// PlaceholderPage: the page of a row whose editor is not there.
#include "ui/navigation/placeholderpage.h"

#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace {

constexpr qreal kTitleScale = 1.5;
// The note is muted against the light page background, in light and dark themes alike.
constexpr QRgb kNoteColour = qRgb(110, 110, 110);
constexpr QRgb kTitleColour = qRgb(40, 40, 40);

} // namespace

PlaceholderPage::PlaceholderPage(const QString &title, QWidget *parent)
    : Page(parent)
    , m_title(new QLabel(title, this))
{
    setShowBackground(true);

    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * kTitleScale);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setObjectName(QStringLiteral("placeholderTitle"));
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(kTitleColour));
    m_title->setPalette(titlePalette);

    auto *note = new QLabel(tr("The editor for this page is not available yet."), this);
    note->setObjectName(QStringLiteral("placeholderNote"));
    note->setWordWrap(true);
    QPalette notePalette = note->palette();
    notePalette.setColor(QPalette::WindowText, QColor(kNoteColour));
    note->setPalette(notePalette);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(note);
    layout->addStretch();
}

QString PlaceholderPage::title() const
{
    return m_title->text();
}
