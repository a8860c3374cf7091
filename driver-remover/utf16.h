#ifndef DRIVER_REMOVER_UTF16_H
#define DRIVER_REMOVER_UTF16_H

#include <stdbool.h>
#include <stdio.h>

/* Driver names are compared as UTF-16 code units, as Windows stores them, so the
 * filters hold UTF-16 copies of their UTF-8 strings on every platform. */
#ifdef _WIN32
#include <wchar.h>
typedef wchar_t dr_char16;
#else
#include <stdint.h>
typedef uint16_t dr_char16;
#endif

enum dr_utf_result {
    DR_UTF_OK,
    DR_UTF_INVALID,   /* not well-formed UTF-8 */
    DR_UTF_NO_MEMORY, /* the copy could not be allocated */
};

/* Stores a newly allocated, zero-terminated UTF-16 copy of a zero-terminated UTF-8 string
 * in *out (free it with dr_free). Malformed input (overlong forms, surrogates, code points
 * above U+10FFFF, truncated sequences) is refused rather than replaced, because a
 * replaced character would make a filter silently match something else. */
enum dr_utf_result dr_utf8_to_utf16(const char *utf8, dr_char16 **out);

/* Code unit by code unit; NULL equals only NULL. */
bool dr_utf16_equal(const dr_char16 *a, const dr_char16 *b);

/* Newly allocated copy, or NULL when out of memory. */
dr_char16 *dr_utf16_duplicate(const dr_char16 *text);

/* Writes the text as UTF-8; an unpaired surrogate becomes U+FFFD. */
void dr_utf16_write_utf8(const dr_char16 *text, FILE *stream);

#endif
