#include "platform/appdatafolder.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <cstdio>
#include <shlobj.h>
#else
#include <QStandardPaths>
#endif

namespace platform {

QString userAppDataFolder()
{
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path))) {
        std::fputs("SHGetFolderPath() failed\n", stdout);
        std::fflush(stdout);
    }
    return QString::fromWCharArray(path);
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
}

} // namespace platform
