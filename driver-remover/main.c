#include "tool.h"

#ifdef _WIN32

#include "report.h"

#include <windows.h>

/* After windows.h, whose types it uses. */
#include <shellapi.h>

/* The command line is split by Windows' own rules, in UTF-16, so that a file name may hold
 * any character, whatever the console's code page. */
int main(void)
{
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) {
        dr_report_call_failed("CommandLineToArgvW", GetLastError());
        return DR_EXIT_NOT_DONE;
    }
    const enum dr_exit_status status = dr_run(argc, (const wchar_t *const *)argv);
    LocalFree(argv);
    return (int)status;
}

#else

int main(int argc, char **argv)
{
    return (int)dr_run(argc, (const char *const *)argv);
}

#endif
