/* Class-driver enumeration and driver-package removal through SetupAPI. */

#include "platform.h"
#include "report.h"

#include <stdio.h>
#include <windows.h>

/* setupapi.h before newdev.h, which needs its types. */
#include <setupapi.h>

#include <newdev.h>

static GUID to_windows_guid(const struct dr_guid *guid)
{
    GUID result;
    result.Data1 = guid->data1;
    result.Data2 = guid->data2;
    result.Data3 = guid->data3;
    for (int i = 0; i < 8; ++i)
        result.Data4[i] = guid->data4[i];
    return result;
}

static uint64_t filetime_value(FILETIME time)
{
    return (uint64_t)time.dwHighDateTime << 32 | time.dwLowDateTime;
}

/* Drivers hidden from the user interface are still installed packages, and the filters
 * must be able to reach them too. */
static bool allow_excluded_drivers(HDEVINFO set)
{
    SP_DEVINSTALL_PARAMS_W params;
    ZeroMemory(&params, sizeof params);
    params.cbSize = sizeof params;
    if (!SetupDiGetDeviceInstallParamsW(set, NULL, &params)) {
        dr_report_call_failed("SetupDiGetDeviceInstallParamsW", GetLastError());
        return false;
    }
    params.FlagsEx |= DI_FLAGSEX_ALLOWEXCLUDEDDRVS;
    if (!SetupDiSetDeviceInstallParamsW(set, NULL, &params)) {
        dr_report_call_failed("SetupDiSetDeviceInstallParamsW", GetLastError());
        return false;
    }
    return true;
}

enum visit_result { VISITED, SKIPPED, STOPPED };

/* Fetches the driver's detail block (for its INF file) and visits the driver. */
static enum visit_result visit_driver(HDEVINFO set, SP_DRVINFO_DATA_W *info,
                                      dr_driver_visitor visit, void *context)
{
    /* The size query is expected to fail with ERROR_INSUFFICIENT_BUFFER; only the size
     * it reports matters. */
    DWORD required = 0;
    SetupDiGetDriverInfoDetailW(set, NULL, info, NULL, 0, &required);
    if (required < sizeof(SP_DRVINFO_DETAIL_DATA_W)) {
        dr_report_call_failed("SetupDiGetDriverInfoDetailW", GetLastError());
        return STOPPED;
    }
    SP_DRVINFO_DETAIL_DATA_W *detail = dr_alloc(required);
    if (!detail) {
        dr_report_out_of_memory();
        return STOPPED;
    }
    detail->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_W);

    enum visit_result result = VISITED;
    if (!SetupDiGetDriverInfoDetailW(set, NULL, info, detail, required, NULL)) {
        dr_report_call_failed("SetupDiGetDriverInfoDetailW", GetLastError());
        result = SKIPPED;
    } else {
        const struct dr_driver driver = {
            info->Description,
            info->MfgName,
            info->ProviderName,
            detail->InfFileName,
            filetime_value(info->DriverDate),
            info->DriverVersion,
        };
        visit(context, &driver);
    }
    dr_free(detail);
    return result;
}

static enum dr_enum_result visit_drivers(HDEVINFO set, dr_driver_visitor visit, void *context)
{
    enum dr_enum_result result = DR_ENUM_COMPLETE;
    for (DWORD index = 0;; ++index) {
        SP_DRVINFO_DATA_W info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        if (!SetupDiEnumDriverInfoW(set, NULL, SPDIT_CLASSDRIVER, index, &info)) {
            const DWORD error = GetLastError();
            if (error == ERROR_NO_MORE_ITEMS)
                return result;
            dr_report_call_failed("SetupDiEnumDriverInfoW", error);
            return DR_ENUM_FAILED;
        }
        switch (visit_driver(set, &info, visit, context)) {
        case VISITED:
            break;
        case SKIPPED:
            result = DR_ENUM_DRIVERS_SKIPPED;
            break;
        case STOPPED:
            return DR_ENUM_FAILED;
        }
    }
}

enum dr_enum_result dr_enumerate_class_drivers(const struct dr_guid *class_guid,
                                               dr_driver_visitor visit, void *context)
{
    GUID guid;
    const GUID *guid_or_all = NULL;
    if (class_guid) {
        guid = to_windows_guid(class_guid);
        guid_or_all = &guid;
    }

    HDEVINFO set = SetupDiCreateDeviceInfoList(guid_or_all, NULL);
    if (set == INVALID_HANDLE_VALUE) {
        dr_report_call_failed("SetupDiCreateDeviceInfoList", GetLastError());
        return DR_ENUM_FAILED;
    }
    enum dr_enum_result result = DR_ENUM_FAILED;
    if (allow_excluded_drivers(set)) {
        /* A failure here would otherwise look like a class without drivers. */
        if (SetupDiBuildDriverInfoList(set, NULL, SPDIT_CLASSDRIVER))
            result = visit_drivers(set, visit, context);
        else
            dr_report_call_failed("SetupDiBuildDriverInfoList", GetLastError());
    }
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

/* DiUninstallDriverW exists in newdev.dll from Windows 10 version 1903 on, and not every
 * tool chain declares it: it is declared here and looked up at run time, so that the tool
 * starts on every system and says plainly where the call is missing. */
typedef BOOL(WINAPI *dr_di_uninstall_driver_w)(HWND parent, LPCWSTR inf_path, DWORD flags,
                                                 PBOOL need_reboot);

static dr_di_uninstall_driver_w find_di_uninstall_driver(void)
{
    static bool looked_up = false;
    static dr_di_uninstall_driver_w function = NULL;
    if (looked_up)
        return function;
    looked_up = true;
    HMODULE newdev = LoadLibraryExW(L"newdev.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (newdev)
        function = (dr_di_uninstall_driver_w)(void (*)(void))GetProcAddress(
            newdev, "DiUninstallDriverW");
    if (!function)
        printf("DiUninstallDriverW is not available on this system: uninstalling driver "
               "packages needs Windows 10 version 1903 or later\n");
    return function;
}

bool dr_uninstall_driver_package(const dr_char16 *inf_file_name, uint32_t *error)
{
    const dr_di_uninstall_driver_w uninstall = find_di_uninstall_driver();
    if (!uninstall) {
        *error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    /* No window and no reboot output: a needed reboot is left to Windows to announce. */
    if (uninstall(NULL, inf_file_name, 0, NULL))
        return true;
    *error = GetLastError();
    return false;
}
