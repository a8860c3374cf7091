#include "utf16.h"

#include "platform.h"

#include <stddef.h>
#include <stdint.h>

enum {
    kMaxBmpCodePoint = 0xFFFF,
    kMaxCodePoint = 0x10FFFF,
    kSurrogateFirst = 0xD800,
    kLowSurrogateFirst = 0xDC00,
    kSurrogateLast = 0xDFFF,
    kReplacementCharacter = 0xFFFD,
};

/* Decodes one UTF-8 sequence at *cursor and advances past it. Returns false for any
 * ill-formed sequence, including overlong forms and encoded surrogates. */
static bool decode_utf8(const unsigned char **cursor, uint32_t *code_point)
{
    const unsigned char *p = *cursor;
    const unsigned char lead = p[0];
    uint32_t value;
    uint32_t minimum;
    int continuation_bytes;

    if (lead < 0x80) {
        *code_point = lead;
        *cursor = p + 1;
        return true;
    }
    if ((lead & 0xE0) == 0xC0) {
        value = lead & 0x1Fu;
        minimum = 0x80;
        continuation_bytes = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        value = lead & 0x0Fu;
        minimum = 0x800;
        continuation_bytes = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        value = lead & 0x07u;
        minimum = 0x10000;
        continuation_bytes = 3;
    } else {
        return false;
    }
    for (int i = 1; i <= continuation_bytes; ++i) {
        /* The zero terminator is not a continuation byte, so this never reads past it. */
        if ((p[i] & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (p[i] & 0x3Fu);
    }
    if (value < minimum || value > kMaxCodePoint ||
        (value >= kSurrogateFirst && value <= kSurrogateLast))
        return false;
    *code_point = value;
    *cursor = p + 1 + continuation_bytes;
    return true;
}

enum dr_utf_result dr_utf8_to_utf16(const char *utf8, dr_char16 **out)
{
    *out = NULL;

    /* First pass validates and counts, so the copy is allocated once at its size. */
    size_t units = 0;
    const unsigned char *cursor = (const unsigned char *)utf8;
    while (*cursor) {
        uint32_t code_point;
        if (!decode_utf8(&cursor, &code_point))
            return DR_UTF_INVALID;
        units += code_point > kMaxBmpCodePoint ? 2 : 1;
    }
    if (units >= SIZE_MAX / sizeof(dr_char16))
        return DR_UTF_NO_MEMORY;

    dr_char16 *copy = dr_alloc((units + 1) * sizeof(dr_char16));
    if (!copy)
        return DR_UTF_NO_MEMORY;
    size_t at = 0;
    cursor = (const unsigned char *)utf8;
    while (*cursor) {
        uint32_t code_point;
        decode_utf8(&cursor, &code_point);
        if (code_point > kMaxBmpCodePoint) {
            code_point -= 0x10000;
            copy[at++] = (dr_char16)(kSurrogateFirst + (code_point >> 10));
            copy[at++] = (dr_char16)(kLowSurrogateFirst + (code_point & 0x3FF));
        } else {
            copy[at++] = (dr_char16)code_point;
        }
    }
    copy[at] = 0;
    *out = copy;
    return DR_UTF_OK;
}

bool dr_utf16_equal(const dr_char16 *a, const dr_char16 *b)
{
    if (!a || !b)
        return a == b;
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

dr_char16 *dr_utf16_duplicate(const dr_char16 *text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    dr_char16 *copy = dr_alloc((length + 1) * sizeof(dr_char16));
    if (!copy)
        return NULL;
    for (size_t i = 0; i <= length; ++i)
        copy[i] = text[i];
    return copy;
}

static bool is_high_surrogate(uint32_t unit)
{
    return unit >= kSurrogateFirst && unit < kLowSurrogateFirst;
}

static bool is_low_surrogate(uint32_t unit)
{
    return unit >= kLowSurrogateFirst && unit <= kSurrogateLast;
}

void dr_utf16_write_utf8(const dr_char16 *text, FILE *stream)
{
    for (const dr_char16 *p = text; *p; ++p) {
        uint32_t code_point = (uint16_t)*p;
        if (is_high_surrogate(code_point) && is_low_surrogate((uint16_t)p[1])) {
            code_point = 0x10000 + ((code_point - kSurrogateFirst) << 10) +
                         ((uint16_t)p[1] - kLowSurrogateFirst);
            ++p;
        } else if (is_high_surrogate(code_point) || is_low_surrogate(code_point)) {
            code_point = kReplacementCharacter;
        }

        unsigned char bytes[4];
        size_t count;
        if (code_point < 0x80) {
            bytes[0] = (unsigned char)code_point;
            count = 1;
        } else if (code_point < 0x800) {
            bytes[0] = (unsigned char)(0xC0 | (code_point >> 6));
            bytes[1] = (unsigned char)(0x80 | (code_point & 0x3F));
            count = 2;
        } else if (code_point < 0x10000) {
            bytes[0] = (unsigned char)(0xE0 | (code_point >> 12));
            bytes[1] = (unsigned char)(0x80 | ((code_point >> 6) & 0x3F));
            bytes[2] = (unsigned char)(0x80 | (code_point & 0x3F));
            count = 3;
        } else {
            bytes[0] = (unsigned char)(0xF0 | (code_point >> 18));
            bytes[1] = (unsigned char)(0x80 | ((code_point >> 12) & 0x3F));
            bytes[2] = (unsigned char)(0x80 | ((code_point >> 6) & 0x3F));
            bytes[3] = (unsigned char)(0x80 | (code_point & 0x3F));
            count = 4;
        }
        fwrite(bytes, 1, count, stream);
    }
}
