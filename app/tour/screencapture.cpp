#include "app/tour/screencapture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

QRect visibleWindowsArea()
{
    QRect area;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowType() != Qt::ToolTip)
            area |= widget->frameGeometry();
    return area;
}

QImage composeWindows(const QRect &area)
{
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(QColor(60, 64, 72));
    QPainter painter(&image);
    // Top-level widgets come in creation order: the main window first, its dialogs later.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible())
            continue;
        painter.drawPixmap(widget->geometry().topLeft() - area.topLeft(), widget->grab());
    }
    return image;
}

} // namespace

QImage captureScreen()
{
    const QRect area = visibleWindowsArea();
    if (area.isEmpty())
        return {};
    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen && QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        if (!shot.isNull())
            return shot.toImage();
    }
    return composeWindows(area);
}

bool saveCapture(const QString &path)
{
    const QImage image = captureScreen();
    return !image.isNull() && image.save(path);
}
