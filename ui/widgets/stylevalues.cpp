#include "ui/widgets/stylevalues.h"

#include <QApplication>
#include <QPalette>

namespace {

StyleValues g_styleValues;

} // namespace

void initStyleValues()
{
    StyleValues values;
    values.fillColour = QColor(225, 239, 255);
    values.pen = QPen(QColor(132, 172, 221));
    QColor faint(132, 172, 221);
    faint.setAlphaF(0.3);
    values.faintPen = values.pen;
    values.faintPen.setColor(faint);
    values.smallFont = QApplication::font("QLabel");
    values.smallFont.setPixelSize(10);
    values.textColour = QApplication::palette().color(QPalette::WindowText);
    values.textColour.setAlphaF(0.7);
    g_styleValues = values;
}

const StyleValues &styleValues()
{
    return g_styleValues;
}
