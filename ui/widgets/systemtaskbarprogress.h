#pragma once

#include "ui/widgets/progressdialog.h"

// The progress dialogs' taskbar mirror, through the operating system's taskbar where it has
// one (see platform/taskbarprogress.h).
class SystemTaskbarProgress : public TaskbarProgress
{
public:
    // Installs it for every later progress dialog where the system has a taskbar progress.
    static void installWhereAvailable();

    void setProgress(QWindow *window, int maximum, int value) override;
    void clear(QWindow *window) override;
};
