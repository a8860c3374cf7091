#include "platform/taskbarprogress.h"

// _WIN32 rather than Q_OS_WIN: this file includes no Qt header, so the Windows part can be
// compiled on its own with a cross compiler.
#ifdef _WIN32

#include <windows.h>

#include <shobjidl.h>

namespace {

// The shell's taskbar object, created on first use on the GUI thread (COM is initialised
// there by Qt). Null when the system offers none.
ITaskbarList3 *taskbarList()
{
    static ITaskbarList3 *list = [] {
        ITaskbarList3 *created = nullptr;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, reinterpret_cast<void **>(&created))))
            return static_cast<ITaskbarList3 *>(nullptr);
        if (FAILED(created->HrInit())) {
            created->Release();
            return static_cast<ITaskbarList3 *>(nullptr);
        }
        return created;
    }();
    return list;
}

} // namespace

namespace taskbar {

bool isTaskbarProgressAvailable()
{
    return taskbarList() != nullptr;
}

void setProgress(std::uintptr_t nativeWindow, int maximum, int value)
{
    ITaskbarList3 *list = taskbarList();
    if (!list || !nativeWindow)
        return;
    const auto window = reinterpret_cast<HWND>(nativeWindow);
    if (maximum <= 0) {
        list->SetProgressState(window, TBPF_INDETERMINATE);
        return;
    }
    list->SetProgressState(window, TBPF_NORMAL);
    list->SetProgressValue(window, ULONGLONG(value < 0 ? 0 : value), ULONGLONG(maximum));
}

void clearProgress(std::uintptr_t nativeWindow)
{
    if (ITaskbarList3 *list = taskbarList(); list && nativeWindow)
        list->SetProgressState(reinterpret_cast<HWND>(nativeWindow), TBPF_NOPROGRESS);
}

} // namespace taskbar

#else

namespace taskbar {

bool isTaskbarProgressAvailable()
{
    return false;
}

void setProgress(std::uintptr_t, int, int) {}

void clearProgress(std::uintptr_t) {}

} // namespace taskbar

#endif
