#include "filter_file.h"

#include "report.h"
#include "text_formats.h"

#include <cjson/cJSON.h>
#include <stdio.h>
#include <string.h>

static void *CJSON_CDECL json_alloc(size_t size)
{
    return dr_alloc(size);
}

static void CJSON_CDECL json_free(void *memory)
{
    dr_free(memory);
}

void dr_use_tool_allocator_for_json(void)
{
    cJSON_Hooks hooks = {json_alloc, json_free};
    cJSON_InitHooks(&hooks);
}

static const cJSON *member(const cJSON *object, const char *key)
{
    return cJSON_GetObjectItemCaseSensitive(object, key);
}

/* cJSON ends a string at a \u0000 escape without saying so, which would turn a filter for
 * "A\u0000B" into one for "A". Such strings cannot name a driver, so the file is refused.
 * Runs on text cJSON has accepted, so every string is closed. */
static bool has_escaped_nul(const char *text)
{
    bool in_string = false;
    for (const char *p = text; *p; ++p) {
        if (!in_string) {
            in_string = *p == '"';
        } else if (*p == '"') {
            in_string = false;
        } else if (*p == '\\') {
            if (strncmp(p + 1, "u0000", 5) == 0)
                return true;
            if (p[1])
                ++p; /* an escaped quote does not end the string */
        }
    }
    return false;
}

static bool convert_date(const cJSON *item, struct dr_filter *filter)
{
    if (!cJSON_IsString(item)) {
        printf("JSON error: driverDate must be a string\n");
        return false;
    }
    struct dr_date date;
    if (!dr_parse_date(item->valuestring, &date)) {
        printf("JSON error: invalid driverDate format\n");
        return false;
    }
    filter->has_driver_date = true;
    filter->driver_date = dr_date_to_filetime(date);
    return true;
}

static bool convert_version(const cJSON *item, struct dr_filter *filter)
{
    if (!cJSON_IsString(item)) {
        printf("JSON error: driverVersion must be a string\n");
        return false;
    }
    if (!dr_parse_version(item->valuestring, &filter->driver_version)) {
        printf("JSON error: invalid driverVersion format\n");
        return false;
    }
    filter->has_driver_version = true;
    return true;
}

enum { kStringCriteria = 3 };

static bool convert_strings(const cJSON *element, struct dr_filter *filter)
{
    static const char *const kKeys[kStringCriteria] = {"description", "mfgName", "providerName"};
    dr_char16 **const targets[kStringCriteria] = {&filter->description, &filter->mfg_name,
                                                  &filter->provider_name};
    const cJSON *items[kStringCriteria];

    /* All types are checked before anything is converted. */
    for (int i = 0; i < kStringCriteria; ++i) {
        items[i] = member(element, kKeys[i]);
        if (items[i] && !cJSON_IsString(items[i])) {
            printf("JSON error: %s must be a string\n", kKeys[i]);
            return false;
        }
    }
    for (int i = 0; i < kStringCriteria; ++i) {
        if (!items[i])
            continue;
        switch (dr_utf8_to_utf16(items[i]->valuestring, targets[i])) {
        case DR_UTF_OK:
            break;
        case DR_UTF_INVALID:
            printf("JSON error: %s is not valid UTF-8\n", kKeys[i]);
            return false;
        case DR_UTF_NO_MEMORY:
            dr_report_out_of_memory();
            return false;
        }
    }
    return true;
}

static bool has_only_unknown_keys(const cJSON *object)
{
    static const char *const kKnownKeys[] = {"driverDate", "driverVersion", "description",
                                             "mfgName", "providerName"};
    if (!object->child)
        return false;
    for (const cJSON *item = object->child; item; item = item->next) {
        for (size_t i = 0; i < sizeof kKnownKeys / sizeof kKnownKeys[0]; ++i) {
            if (strcmp(item->string, kKnownKeys[i]) == 0)
                return false;
        }
    }
    return true;
}

static bool convert_filter(const cJSON *element, struct dr_filter *filter)
{
    /* A filter without criteria matches, and uninstalls, every driver of the class. Only
     * an empty object may ask for that: a non-object or a misspelt key must not. */
    if (!cJSON_IsObject(element)) {
        printf("JSON error: each filter must be an object\n");
        return false;
    }
    if (has_only_unknown_keys(element)) {
        printf("JSON error: filter has only unknown keys (keys are case-sensitive)\n");
        return false;
    }
    const cJSON *date = member(element, "driverDate");
    if (date && !convert_date(date, filter))
        return false;
    const cJSON *version = member(element, "driverVersion");
    if (version && !convert_version(version, filter))
        return false;
    return convert_strings(element, filter);
}

static bool convert_class_guid(const cJSON *root, struct dr_filter_set *set)
{
    const cJSON *item = member(root, "classGuid");
    if (!item)
        return true;
    if (!cJSON_IsString(item)) {
        printf("JSON error: classGuid must be a string\n");
        return false;
    }
    if (!dr_parse_guid(item->valuestring, &set->class_guid)) {
        printf("JSON error: invalid classGuid format\n");
        return false;
    }
    set->has_class_guid = !dr_guid_is_nil(&set->class_guid);
    return true;
}

static bool convert_filters(const cJSON *root, struct dr_filter_set *set)
{
    const cJSON *filters = member(root, "filters");
    if (!cJSON_IsArray(filters)) {
        printf("JSON error: filters must be an array\n");
        return false;
    }
    size_t count = 0;
    for (const cJSON *element = filters->child; element; element = element->next)
        ++count;
    if (count == 0)
        return true;
    if (count > SIZE_MAX / sizeof(struct dr_filter) ||
        !(set->filters = dr_alloc(count * sizeof(struct dr_filter)))) {
        dr_report_out_of_memory();
        return false;
    }
    set->count = count;
    size_t index = 0;
    for (const cJSON *element = filters->child; element; element = element->next) {
        if (!convert_filter(element, &set->filters[index++]))
            return false;
    }
    return true;
}

static bool convert_root(const cJSON *root, const char *text, struct dr_filter_set *set)
{
    if (!cJSON_IsObject(root)) {
        printf("JSON error: expected object at root\n");
        return false;
    }
    if (has_escaped_nul(text)) {
        printf("JSON error: strings must not contain \\u0000\n");
        return false;
    }
    return convert_class_guid(root, set) && convert_filters(root, set);
}

bool dr_parse_filter_text(const char *text, size_t length, struct dr_filter_set *out)
{
    memset(out, 0, sizeof *out);

    /* cJSON reads up to the first zero byte; whatever followed it would go unseen. */
    const char *nul = memchr(text, '\0', length);
    if (nul) {
        printf("JSON parse error: NUL byte at offset %zu\n", (size_t)(nul - text));
        return false;
    }

    /* Requiring the end of the text after the value refuses trailing content, such as a
     * second document appended to the first. */
    cJSON *root = cJSON_ParseWithOpts(text, NULL, 1);
    if (!root) {
        const char *error = cJSON_GetErrorPtr();
        if (error) {
            printf("JSON parse error: %s\n", error);
            return false;
        }
    }
    const bool converted = convert_root(root, text, out);
    cJSON_Delete(root);
    if (!converted)
        dr_free_filter_set(out);
    return converted;
}

bool dr_load_filter_file(const dr_argchar *path, struct dr_filter_set *out)
{
    memset(out, 0, sizeof *out);

    struct dr_file_contents file;
    dr_read_file(path, DR_MAX_FILTER_FILE_BYTES, &file);
    switch (file.status) {
    case DR_READ_OK:
        break;
    case DR_READ_OPEN_FAILED:
        dr_report_call_failed("CreateFile", file.error);
        break;
    case DR_READ_SIZE_FAILED:
        dr_report_call_failed("GetFileSizeEx", file.error);
        break;
    case DR_READ_TOO_LARGE:
        printf("file too large\n");
        break;
    case DR_READ_NO_MEMORY:
        dr_report_out_of_memory();
        break;
    case DR_READ_FAILED:
        dr_report_call_failed("ReadFile", file.error);
        break;
    }
    if (file.close_failed)
        dr_report_call_failed("CloseHandle", file.close_error);

    const bool loaded =
        file.status == DR_READ_OK && dr_parse_filter_text(file.data, file.length, out);
    dr_free(file.data);
    return loaded;
}

void dr_free_filter_set(struct dr_filter_set *set)
{
    for (size_t i = 0; i < set->count; ++i) {
        dr_free(set->filters[i].description);
        dr_free(set->filters[i].mfg_name);
        dr_free(set->filters[i].provider_name);
    }
    dr_free(set->filters);
    memset(set, 0, sizeof *set);
}
