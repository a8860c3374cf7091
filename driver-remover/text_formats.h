#ifndef DRIVER_REMOVER_TEXT_FORMATS_H
#define DRIVER_REMOVER_TEXT_FORMATS_H

/* The textual forms of the filter file: dates, versions and class GUIDs. Each parser
 * accepts exactly its form and nothing around it, since a filter decides which drivers
 * are uninstalled and a half-read value must not widen or shift what it matches. */

#include "platform.h"

#include <stdbool.h>
#include <stdint.h>

/* 100-ns FILETIME units in one day. */
#define DR_FILETIME_TICKS_PER_DAY UINT64_C(864000000000)

/* The years a Windows SYSTEMTIME can convert to a FILETIME. */
#define DR_FIRST_YEAR 1601
#define DR_LAST_YEAR 30827

struct dr_date
{
    unsigned year;
    unsigned month;
    unsigned day;
};

/* "year-month-day" with decimal numbers ("2020-1-2" and "2020-01-02" alike). Fails for
 * anything else, and for a day that does not exist between DR_FIRST_YEAR and
 * DR_LAST_YEAR (2020-13-45, 2021-02-29). */
bool dr_parse_date(const char *text, struct dr_date *out);

/* FILETIME of 00:00 UTC on a date accepted by dr_parse_date. */
uint64_t dr_date_to_filetime(struct dr_date date);

/* The FILETIME truncated to 00:00 UTC of its day. */
uint64_t dr_filetime_day(uint64_t filetime);

/* "a.b.c.d", each part decimal in 0..65535, packed as a << 48 | b << 32 | c << 16 | d. */
bool dr_parse_version(const char *text, uint64_t *packed);

/* "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" in hex digits of either case, without braces. */
bool dr_parse_guid(const char *text, struct dr_guid *out);

bool dr_guid_is_nil(const struct dr_guid *guid);
bool dr_guid_equal(const struct dr_guid *a, const struct dr_guid *b);

#endif
