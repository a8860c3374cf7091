#pragma once

#include <QImage>
#include <QString>

// A picture of what the user sees: the screen under a real display (dialogs, menus and all),
// or, without one, the program's visible windows composed at their places.
[[nodiscard]] QImage captureScreen();
bool saveCapture(const QString &path);
