#ifndef DRIVER_REMOVER_PLATFORM_H
#define DRIVER_REMOVER_PLATFORM_H

/* What each platform provides to the portable core. The Windows build implements it with
 * the process heap, the Win32 file calls and SetupAPI; every other build with the C
 * library, POSIX files and the stand-in driver store named by DRIVER_REMOVER_STORE. */

#include "utf16.h"

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

/* Command-line arguments: UTF-16 on Windows, where the command line is split from
 * GetCommandLineW, so that file names may hold any character; bytes elsewhere. */
#ifdef _WIN32
typedef wchar_t dr_argchar;
#define DR_ARG(text) L##text
#define DR_ARG_FORMAT "%ls"
#else
typedef char dr_argchar;
#define DR_ARG(text) text
#define DR_ARG_FORMAT "%s"
#endif

/* Zeroed memory, or NULL. Windows takes it from the process heap. */
void *dr_alloc(size_t size);
void dr_free(void *memory);

enum dr_read_status {
    DR_READ_OK,
    DR_READ_OPEN_FAILED,
    DR_READ_SIZE_FAILED,
    DR_READ_TOO_LARGE,
    DR_READ_NO_MEMORY,
    DR_READ_FAILED,
};

struct dr_file_contents
{
    char *data;    /* length bytes and a zero byte after them; dr_free it */
    size_t length; /* bytes actually read */
    enum dr_read_status status;
    uint32_t error;       /* system error number of the failed step */
    bool close_failed;    /* closing failed after the rest went well or badly */
    uint32_t close_error; /* its system error number */
};

/* Reads a whole file of at most max_bytes. Nothing is printed; the caller reports. */
void dr_read_file(const dr_argchar *path, size_t max_bytes, struct dr_file_contents *out);

/* Prints a UTF-16 string to standard output. */
void dr_print_utf16(const dr_char16 *text);

/* A device setup class, laid out as a Windows GUID. */
struct dr_guid
{
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

/* One class driver as the system reports it. The strings belong to the enumeration and
 * live only during the visit. */
struct dr_driver
{
    const dr_char16 *description;
    const dr_char16 *mfg_name;
    const dr_char16 *provider_name;
    const dr_char16 *inf_file_name;
    uint64_t driver_date;    /* FILETIME: 100-ns units since 1601-01-01 UTC */
    uint64_t driver_version; /* four 16-bit parts, most significant first */
};

typedef void (*dr_driver_visitor)(void *context, const struct dr_driver *driver);

enum dr_enum_result {
    DR_ENUM_COMPLETE,        /* every driver was visited */
    DR_ENUM_DRIVERS_SKIPPED, /* the list was walked, but some drivers could not be read */
    DR_ENUM_FAILED,          /* the drivers could not be listed, or the list broke off */
};

/* Visits the class drivers of one setup class, or of all classes when class_guid is NULL,
 * in the system's order. Failures are printed here. */
enum dr_enum_result dr_enumerate_class_drivers(const struct dr_guid *class_guid,
                                               dr_driver_visitor visit, void *context);

/* Uninstalls the driver package of an INF file. Only called while an enumeration visits
 * a driver of that package. On failure *error holds the system error number. */
bool dr_uninstall_driver_package(const dr_char16 *inf_file_name, uint32_t *error);

#endif
