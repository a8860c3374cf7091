#include "ui/widgets/systemtaskbarprogress.h"

#include "platform/taskbarprogress.h"

void SystemTaskbarProgress::installWhereAvailable()
{
    if (taskbar::isTaskbarProgressAvailable())
        ProgressDialog::installTaskbarProgress(std::make_shared<SystemTaskbarProgress>());
}

void SystemTaskbarProgress::setProgress(QWindow *window, int maximum, int value)
{
    if (window)
        taskbar::setProgress(std::uintptr_t(window->winId()), maximum, value);
}

void SystemTaskbarProgress::clear(QWindow *window)
{
    if (window)
        taskbar::clearProgress(std::uintptr_t(window->winId()));
}
