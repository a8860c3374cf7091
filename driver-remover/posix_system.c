/* Memory, files and console output for builds other than Windows. */

#define _POSIX_C_SOURCE 200809L

#include "platform.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

void *dr_alloc(size_t size)
{
    return calloc(1, size);
}

void dr_free(void *memory)
{
    free(memory);
}

void dr_print_utf16(const dr_char16 *text)
{
    dr_utf16_write_utf8(text, stdout);
}

/* Reads up to size bytes, fewer only at the end of the file. */
static bool read_fully(int fd, char *buffer, size_t size, size_t *read_bytes, uint32_t *error)
{
    size_t total = 0;
    while (total < size) {
        const ssize_t got = read(fd, buffer + total, size - total);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = (uint32_t)errno;
            return false;
        }
        if (got == 0)
            break;
        total += (size_t)got;
    }
    *read_bytes = total;
    return true;
}

void dr_read_file(const char *path, size_t max_bytes, struct dr_file_contents *out)
{
    *out = (struct dr_file_contents){0};

    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out->status = DR_READ_OPEN_FAILED;
        out->error = (uint32_t)errno;
        return;
    }

    struct stat info;
    if (fstat(fd, &info) != 0) {
        out->status = DR_READ_SIZE_FAILED;
        out->error = (uint32_t)errno;
    } else if (info.st_size < 0 || (unsigned long long)info.st_size > max_bytes) {
        out->status = DR_READ_TOO_LARGE;
    } else {
        const size_t size = (size_t)info.st_size;
        char *buffer = dr_alloc(size + 1);
        size_t length = 0;
        if (!buffer) {
            out->status = DR_READ_NO_MEMORY;
        } else if (!read_fully(fd, buffer, size, &length, &out->error)) {
            out->status = DR_READ_FAILED;
            dr_free(buffer);
        } else {
            buffer[length] = '\0';
            out->data = buffer;
            out->length = length;
            out->status = DR_READ_OK;
        }
    }

    if (close(fd) != 0) {
        out->close_failed = true;
        out->close_error = (uint32_t)errno;
    }
}
