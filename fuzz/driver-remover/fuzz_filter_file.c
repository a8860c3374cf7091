/* Feeds arbitrary file contents to the filter-file checks, and runs the filters it accepts
 * against a few drivers, as the tool does in a dry run. */

#define _POSIX_C_SOURCE 200809L

#include "filter_file.h"
#include "matcher.h"
#include "platform.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int LLVMFuzzerInitialize(int *argc, char ***argv);
int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

enum { kSampleDrivers = 3 };
static struct dr_driver g_drivers[kSampleDrivers];

static dr_char16 *utf16(const char *text)
{
    dr_char16 *converted = NULL;
    if (dr_utf8_to_utf16(text, &converted) != DR_UTF_OK)
        abort();
    return converted;
}

int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    (void)argv;
    /* The loader prints every problem it finds; that would drown libFuzzer's reports. */
    if (!freopen("/dev/null", "w", stdout))
        abort();
    dr_use_tool_allocator_for_json();

    /* 2020-01-02 13:45 UTC, version 1.2.3.4; a driver of the FILETIME epoch and version
     * 0.0.0.0; and one with text outside the Basic Multilingual Plane. */
    const struct dr_driver drivers[kSampleDrivers] = {
        {utf16("Alpha"), utf16("Acme"), utf16("Acme Inc"), utf16("oem1.inf"),
         UINT64_C(132224463000000000), UINT64_C(0x0001000200030004)},
        {utf16(""), utf16(""), utf16(""), utf16("oem2.inf"), 0, 0},
        {utf16("Ger\xc3\xa4t \xf0\x9f\x98\x80"), utf16("Acme"), utf16("acme inc"),
         utf16("oem3.inf"), UINT64_C(132224831999999999), UINT64_C(0xFFFFFFFFFFFFFFFF)},
    };
    memcpy(g_drivers, drivers, sizeof drivers);
    return 0;
}

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    /* The file reader hands over the bytes followed by a zero byte. */
    char *text = dr_alloc(size + 1);
    if (!text)
        return 0;
    if (size)
        memcpy(text, data, size);

    struct dr_filter_set filters;
    if (dr_parse_filter_text(text, size, &filters)) {
        struct dr_matcher matcher;
        dr_matcher_init(&matcher, &filters, true);
        for (int i = 0; i < kSampleDrivers; ++i)
            dr_matcher_visit(&matcher, &g_drivers[i]);
        dr_matcher_free(&matcher);
        dr_free_filter_set(&filters);
    }
    dr_free(text);
    return 0;
}
