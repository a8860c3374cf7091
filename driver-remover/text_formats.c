#include "text_formats.h"

#include <string.h>

#define MAX_VERSION_PART 65535u
#define VERSION_PARTS 4
#define GUID_TEXT_LENGTH 36

/* Reads a run of decimal digits no larger than max_value and advances past it. */
static bool parse_number(const char **cursor, unsigned max_value, unsigned *out)
{
    const char *p = *cursor;
    unsigned value = 0;
    if (*p < '0' || *p > '9')
        return false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (unsigned)(*p - '0');
        if (value > max_value)
            return false;
    }
    *cursor = p;
    *out = value;
    return true;
}

/* Reads count numbers separated by one separator character, with nothing after them. */
static bool parse_numbers(const char *text, char separator, unsigned max_value, unsigned *out,
                          int count)
{
    const char *p = text;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && *p++ != separator)
            return false;
        if (!parse_number(&p, max_value, &out[i]))
            return false;
    }
    return *p == '\0';
}

static bool is_leap_year(unsigned year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

static unsigned days_in_month(unsigned year, unsigned month)
{
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

bool dr_parse_date(const char *text, struct dr_date *out)
{
    unsigned parts[3];
    if (!parse_numbers(text, '-', DR_LAST_YEAR, parts, 3))
        return false;
    const unsigned year = parts[0], month = parts[1], day = parts[2];
    if (year < DR_FIRST_YEAR || month < 1 || month > 12 || day < 1 ||
        day > days_in_month(year, month))
        return false;
    out->year = year;
    out->month = month;
    out->day = day;
    return true;
}

/* Days from 1601-01-01 to the given date in the proleptic Gregorian calendar. 1601 starts
 * a 400-year cycle, which keeps the leap-day count simple. */
static uint64_t days_since_1601(struct dr_date date)
{
    const uint64_t years = date.year - DR_FIRST_YEAR;
    uint64_t days = years * 365 + years / 4 - years / 100 + years / 400;
    for (unsigned month = 1; month < date.month; ++month)
        days += days_in_month(date.year, month);
    return days + date.day - 1;
}

uint64_t dr_date_to_filetime(struct dr_date date)
{
    return days_since_1601(date) * DR_FILETIME_TICKS_PER_DAY;
}

uint64_t dr_filetime_day(uint64_t filetime)
{
    return filetime / DR_FILETIME_TICKS_PER_DAY * DR_FILETIME_TICKS_PER_DAY;
}

bool dr_parse_version(const char *text, uint64_t *packed)
{
    unsigned parts[VERSION_PARTS];
    if (!parse_numbers(text, '.', MAX_VERSION_PART, parts, VERSION_PARTS))
        return false;
    *packed = (uint64_t)parts[0] << 48 | (uint64_t)parts[1] << 32 | (uint64_t)parts[2] << 16 |
              (uint64_t)parts[3];
    return true;
}

static int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/* Reads digits hex digits at text + offset; the caller has checked the length. */
static bool parse_hex(const char *text, size_t offset, int digits, uint32_t *out)
{
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = hex_value(text[offset + (size_t)i]);
        if (digit < 0)
            return false;
        value = value << 4 | (uint32_t)digit;
    }
    *out = value;
    return true;
}

bool dr_parse_guid(const char *text, struct dr_guid *out)
{
    static const size_t kHyphens[] = {8, 13, 18, 23};
    if (strlen(text) != GUID_TEXT_LENGTH)
        return false;
    for (size_t i = 0; i < sizeof kHyphens / sizeof kHyphens[0]; ++i) {
        if (text[kHyphens[i]] != '-')
            return false;
    }

    uint32_t data1, data2, data3, clock_seq;
    if (!parse_hex(text, 0, 8, &data1) || !parse_hex(text, 9, 4, &data2) ||
        !parse_hex(text, 14, 4, &data3) || !parse_hex(text, 19, 4, &clock_seq))
        return false;
    struct dr_guid guid = {data1, (uint16_t)data2, (uint16_t)data3, {0}};
    guid.data4[0] = (uint8_t)(clock_seq >> 8);
    guid.data4[1] = (uint8_t)clock_seq;
    for (int i = 0; i < 6; ++i) {
        uint32_t byte;
        if (!parse_hex(text, 24 + 2 * (size_t)i, 2, &byte))
            return false;
        guid.data4[2 + i] = (uint8_t)byte;
    }
    *out = guid;
    return true;
}

bool dr_guid_is_nil(const struct dr_guid *guid)
{
    static const struct dr_guid kNil = {0, 0, 0, {0}};
    return dr_guid_equal(guid, &kNil);
}

bool dr_guid_equal(const struct dr_guid *a, const struct dr_guid *b)
{
    return a->data1 == b->data1 && a->data2 == b->data2 && a->data3 == b->data3 &&
           memcmp(a->data4, b->data4, sizeof a->data4) == 0;
}
