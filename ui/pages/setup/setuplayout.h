#pragma once

#include <QString>

class QBoxLayout;
class QLabel;
class QWidget;

// Pieces the set-up pages lay out alike.

// The sentence at the top of a page that says what it is for.
[[nodiscard]] QLabel *pageIntro(const QString &text, QWidget *parent);
// A muted note under a control; hidden until the page shows it.
[[nodiscard]] QLabel *pageNote(QWidget *parent);
// A row of `control`, its help indicator when there is one, and room to the right.
[[nodiscard]] QBoxLayout *withHelp(QWidget *control, QWidget *help);
