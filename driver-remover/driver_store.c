/* The stand-in driver store for builds other than Windows; see driver_store.h. */

#define _POSIX_C_SOURCE 200809L

#include "driver_store.h"

#include "filter_file.h"
#include "platform.h"
#include "report.h"
#include "text_formats.h"

#include <cjson/cJSON.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define TIME_OF_DAY_LENGTH 8  /* "HH:MM:SS" */
#define MAX_FRACTION_DIGITS 7 /* FILETIME counts 100-ns units */
#define TICKS_PER_SECOND UINT64_C(10000000)

/* One driver as enumerated: a copy, so that uninstalling (which replaces the JSON tree)
 * leaves the enumeration intact, as the system's driver list is. */
struct store_driver
{
    struct dr_guid class_guid;
    dr_char16 *strings[4]; /* description, mfgName, providerName, infFileName */
    char *inf_file_name;   /* UTF-8, as in the file */
    uint64_t driver_date;
    uint64_t driver_version;
    uint32_t uninstall_error;
};

enum { kDescription, kMfgName, kProviderName, kInfFileName, kStringFields };
static const char *const kStringKeys[kStringFields] = {"description", "mfgName", "providerName",
                                                       "infFileName"};

/* The store is open while an enumeration runs, since uninstalling is only asked for
 * while a driver is visited. Like the system's store, it is one per process. */
static struct
{
    const char *path;
    cJSON *root;
    const struct store_driver *visited;
} g_store;

static void store_error(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    printf("Driver store error: ");
    vprintf(format, args);
    printf("\n");
    va_end(args);
}

static char *duplicate_string(const char *text)
{
    const size_t size = strlen(text) + 1;
    char *copy = dr_alloc(size);
    if (copy)
        memcpy(copy, text, size);
    return copy;
}

static bool two_digits(const char *text, unsigned max_value, unsigned *out)
{
    if (text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
        return false;
    *out = (unsigned)(text[0] - '0') * 10 + (unsigned)(text[1] - '0');
    return *out <= max_value;
}

/* "HH:MM:SS", an optional fraction of up to seven digits, then "Z". */
static bool parse_time_of_day(const char *text, uint64_t *ticks)
{
    unsigned hour, minute, second;
    if (!two_digits(text, 23, &hour) || text[2] != ':' || !two_digits(text + 3, 59, &minute) ||
        text[5] != ':' || !two_digits(text + 6, 59, &second))
        return false;
    uint64_t fraction = 0;
    const char *p = text + TIME_OF_DAY_LENGTH;
    if (*p == '.') {
        int digits = 0;
        for (++p; *p >= '0' && *p <= '9' && digits < MAX_FRACTION_DIGITS; ++p, ++digits)
            fraction = fraction * 10 + (uint64_t)(*p - '0');
        if (digits == 0)
            return false;
        for (; digits < MAX_FRACTION_DIGITS; ++digits)
            fraction *= 10;
    }
    if (strcmp(p, "Z") != 0)
        return false;
    *ticks = ((uint64_t)hour * 3600 + minute * 60 + second) * TICKS_PER_SECOND + fraction;
    return true;
}

/* "YYYY-MM-DDTHH:MM:SS[.fffffff]Z" to a FILETIME. */
static bool parse_timestamp(const char *text, uint64_t *filetime)
{
    const char *separator = strchr(text, 'T');
    char date_text[16];
    const size_t date_length = separator ? (size_t)(separator - text) : 0;
    if (!separator || date_length >= sizeof date_text)
        return false;
    memcpy(date_text, text, date_length);
    date_text[date_length] = '\0';
    struct dr_date date;
    uint64_t ticks;
    if (!dr_parse_date(date_text, &date) || !parse_time_of_day(separator + 1, &ticks))
        return false;
    *filetime = dr_date_to_filetime(date) + ticks;
    return true;
}

static const char *string_member(const cJSON *object, const char *key, bool *ok)
{
    const cJSON *item = cJSON_GetObjectItemCaseSensitive(object, key);
    if (!item)
        return NULL;
    if (!cJSON_IsString(item))
        *ok = false;
    return cJSON_IsString(item) ? item->valuestring : NULL;
}

static bool read_uninstall_error(const cJSON *object, uint32_t *error)
{
    const cJSON *item = cJSON_GetObjectItemCaseSensitive(object, "uninstallError");
    *error = 0;
    if (!item)
        return true;
    if (!cJSON_IsNumber(item) || !(item->valuedouble >= 0 && item->valuedouble <= UINT32_MAX))
        return false;
    *error = (uint32_t)item->valuedouble;
    return (double)*error == item->valuedouble;
}

static bool read_driver(const cJSON *object, size_t index, struct store_driver *driver)
{
    if (!cJSON_IsObject(object)) {
        store_error("driver %zu is not an object", index);
        return false;
    }
    bool ok = true;
    const char *class_guid = string_member(object, "classGuid", &ok);
    const char *date = string_member(object, "driverDate", &ok);
    const char *version = string_member(object, "driverVersion", &ok);
    const char *strings[kStringFields];
    for (int i = 0; i < kStringFields; ++i)
        strings[i] = string_member(object, kStringKeys[i], &ok);
    if (!ok || (class_guid && !dr_parse_guid(class_guid, &driver->class_guid)) ||
        (date && !parse_timestamp(date, &driver->driver_date)) ||
        (version && !dr_parse_version(version, &driver->driver_version)) ||
        !read_uninstall_error(object, &driver->uninstall_error)) {
        store_error("driver %zu has a field of the wrong type or form", index);
        return false;
    }
    for (int i = 0; i < kStringFields; ++i) {
        if (dr_utf8_to_utf16(strings[i] ? strings[i] : "", &driver->strings[i]) != DR_UTF_OK) {
            store_error("driver %zu: %s is not valid UTF-8", index, kStringKeys[i]);
            return false;
        }
    }
    driver->inf_file_name = duplicate_string(strings[kInfFileName] ? strings[kInfFileName] : "");
    if (!driver->inf_file_name) {
        dr_report_out_of_memory();
        return false;
    }
    return true;
}

static void free_drivers(struct store_driver *drivers, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        for (int j = 0; j < kStringFields; ++j)
            dr_free(drivers[i].strings[j]);
        dr_free(drivers[i].inf_file_name);
    }
    dr_free(drivers);
}

static bool read_drivers(const cJSON *root, struct store_driver **out, size_t *out_count)
{
    const cJSON *drivers = cJSON_GetObjectItemCaseSensitive(root, "drivers");
    const cJSON *removed = cJSON_GetObjectItemCaseSensitive(root, "removed");
    if (!cJSON_IsArray(drivers) || (removed && !cJSON_IsArray(removed))) {
        store_error("%s needs a \"drivers\" array and may have a \"removed\" array", g_store.path);
        return false;
    }
    size_t count = 0;
    for (const cJSON *item = drivers->child; item; item = item->next)
        ++count;
    struct store_driver *list = dr_alloc((count ? count : 1) * sizeof *list);
    if (!list) {
        dr_report_out_of_memory();
        return false;
    }
    size_t index = 0;
    for (const cJSON *item = drivers->child; item; item = item->next, ++index) {
        if (!read_driver(item, index, &list[index])) {
            free_drivers(list, count);
            return false;
        }
    }
    *out = list;
    *out_count = count;
    return true;
}

static cJSON *open_store(const char *path)
{
    struct dr_file_contents file;
    dr_read_file(path, DR_MAX_FILTER_FILE_BYTES, &file);
    if (file.status != DR_READ_OK) {
        store_error("%s could not be read (error %d)", path, (int)file.error);
        return NULL;
    }
    cJSON *root = cJSON_ParseWithOpts(file.data, NULL, 1);
    dr_free(file.data);
    if (!cJSON_IsObject(root)) {
        store_error("%s does not hold a JSON object", path);
        cJSON_Delete(root);
        return NULL;
    }
    return root;
}

enum dr_enum_result dr_enumerate_class_drivers(const struct dr_guid *class_guid,
                                               dr_driver_visitor visit, void *context)
{
    const char *path = getenv(DR_STORE_ENVIRONMENT_VARIABLE);
    if (!path || !*path) {
        printf("Driver enumeration is not available on this platform "
               "(" DR_STORE_ENVIRONMENT_VARIABLE " is not set)\n");
        return DR_ENUM_FAILED;
    }
    g_store.path = path;
    g_store.root = open_store(path);
    struct store_driver *drivers = NULL;
    size_t count = 0;
    if (!g_store.root || !read_drivers(g_store.root, &drivers, &count)) {
        cJSON_Delete(g_store.root);
        g_store.root = NULL;
        return DR_ENUM_FAILED;
    }

    for (size_t i = 0; i < count; ++i) {
        const struct store_driver *driver = &drivers[i];
        if (class_guid && !dr_guid_equal(class_guid, &driver->class_guid))
            continue;
        const struct dr_driver visited = {
            driver->strings[kDescription],
            driver->strings[kMfgName],
            driver->strings[kProviderName],
            driver->strings[kInfFileName],
            driver->driver_date,
            driver->driver_version,
        };
        g_store.visited = driver;
        visit(context, &visited);
    }

    g_store.visited = NULL;
    free_drivers(drivers, count);
    cJSON_Delete(g_store.root);
    g_store.root = NULL;
    return DR_ENUM_COMPLETE;
}

/* Writes the text to a new file beside the store and renames it over the store, so that
 * the store is always either the old or the new file. Returns 0 or an errno value. */
static int replace_file(const char *path, const char *text)
{
    static const char kSuffix[] = ".XXXXXX";
    const size_t path_length = strlen(path);
    char *temporary = dr_alloc(path_length + sizeof kSuffix);
    if (!temporary)
        return ENOMEM;
    memcpy(temporary, path, path_length);
    memcpy(temporary + path_length, kSuffix, sizeof kSuffix);

    int error = 0;
    struct stat original;
    const int fd = mkstemp(temporary);
    if (fd < 0) {
        error = errno;
    } else {
        /* mkstemp creates the file private to its owner; keep the store's own mode. */
        if (stat(path, &original) == 0 && fchmod(fd, original.st_mode & 07777) != 0)
            error = errno;
        size_t written = 0;
        const size_t length = strlen(text);
        while (!error && written < length) {
            const ssize_t count = write(fd, text + written, length - written);
            if (count < 0 && errno != EINTR)
                error = errno;
            else if (count > 0)
                written += (size_t)count;
        }
        if (!error && fsync(fd) != 0)
            error = errno;
        if (close(fd) != 0 && !error)
            error = errno;
        if (!error && rename(temporary, path) != 0)
            error = errno;
        if (error)
            unlink(temporary);
    }
    dr_free(temporary);
    return error;
}

/* Removes every driver of the INF file from "drivers" and records the file in "removed". */
static bool remove_package(cJSON *root, const char *inf_file_name)
{
    cJSON *drivers = cJSON_GetObjectItemCaseSensitive(root, "drivers");
    cJSON *item = drivers->child;
    while (item) {
        cJSON *next = item->next;
        const char *name =
            cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(item, "infFileName"));
        if (strcmp(name ? name : "", inf_file_name) == 0)
            cJSON_Delete(cJSON_DetachItemViaPointer(drivers, item));
        item = next;
    }
    cJSON *removed = cJSON_GetObjectItemCaseSensitive(root, "removed");
    if (!removed && !(removed = cJSON_AddArrayToObject(root, "removed")))
        return false;
    cJSON *name = cJSON_CreateString(inf_file_name);
    return name && cJSON_AddItemToArray(removed, name);
}

bool dr_uninstall_driver_package(const dr_char16 *inf_file_name, uint32_t *error)
{
    const struct store_driver *driver = g_store.visited;
    if (!g_store.root || !driver || !dr_utf16_equal(driver->strings[kInfFileName], inf_file_name)) {
        *error = (uint32_t)EINVAL;
        return false;
    }
    if (driver->uninstall_error != 0) {
        *error = driver->uninstall_error;
        return false;
    }

    /* Changes go to a copy that replaces the tree only once the file is written, so a
     * failed write leaves memory and file agreeing. */
    cJSON *changed = cJSON_Duplicate(g_store.root, 1);
    char *text = NULL;
    int failure = ENOMEM;
    if (changed && remove_package(changed, driver->inf_file_name) &&
        (text = cJSON_Print(changed)) != NULL)
        failure = replace_file(g_store.path, text);
    cJSON_free(text);
    if (failure) {
        cJSON_Delete(changed);
        *error = (uint32_t)failure;
        return false;
    }
    cJSON_Delete(g_store.root);
    g_store.root = changed;
    return true;
}
