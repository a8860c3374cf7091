#pragma once

#include <cstdint>

// Progress on a window's taskbar button. Only Windows (7 and later) has such a place; on
// other systems nothing is shown and isTaskbarProgressAvailable() is false. The window is
// given by its native handle (QWindow::winId()), so this layer needs no GUI library.
namespace taskbar {

[[nodiscard]] bool isTaskbarProgressAvailable();
// `value` runs from 0 to `maximum`; a maximum of 0 shows a busy indicator.
void setProgress(std::uintptr_t nativeWindow, int maximum, int value);
void clearProgress(std::uintptr_t nativeWindow);

} // namespace taskbar
