#pragma once

#include <QColor>
#include <QFont>
#include <QPen>

// The colours, pens and font the editing widgets share, made once at start-up (after the
// application exists, since the font and text colour come from its defaults).
struct StyleValues
{
    QColor fillColour;
    QPen pen;
    QPen faintPen; // the pen at 30 % opacity
    QFont smallFont;
    QColor textColour;
};

void initStyleValues();
// The values made by initStyleValues (defaults before that).
[[nodiscard]] const StyleValues &styleValues();
