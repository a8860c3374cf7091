#ifndef DRIVER_REMOVER_FILTER_FILE_H
#define DRIVER_REMOVER_FILTER_FILE_H

/* The JSON filter file: an optional setup class and the filters, tried in file order. */

#include "platform.h"

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

/* Larger files are refused before anything is allocated for them. */
#define DR_MAX_FILTER_FILE_BYTES ((size_t)1 << 30)

/* One filter. Every present criterion must hold; a filter with none matches every
 * driver. Presence is kept apart from the value so that version 0.0.0.0 and the day
 * 1601-01-01 (FILETIME 0) match only themselves. */
struct dr_filter
{
    dr_char16 *description; /* NULL when absent */
    dr_char16 *mfg_name;
    dr_char16 *provider_name;
    bool has_driver_date;
    bool has_driver_version;
    uint64_t driver_date;    /* FILETIME of 00:00 UTC on the day */
    uint64_t driver_version; /* packed a << 48 | b << 32 | c << 16 | d */
};

struct dr_filter_set
{
    bool has_class_guid; /* false: all classes (classGuid absent or nil) */
    struct dr_guid class_guid;
    size_t count;
    struct dr_filter *filters;
};

/* Makes cJSON take its memory where the rest of the tool does. Call once before parsing. */
void dr_use_tool_allocator_for_json(void);

/* Reads and checks the filter file, printing the first problem. On failure the set is
 * left empty. */
bool dr_load_filter_file(const dr_argchar *path, struct dr_filter_set *out);

/* Checks file contents: length bytes followed by a zero byte. */
bool dr_parse_filter_text(const char *text, size_t length, struct dr_filter_set *out);

void dr_free_filter_set(struct dr_filter_set *set);

#endif
