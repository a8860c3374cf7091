/* Memory, files and console output on Windows. */

#include "platform.h"

#include <stdio.h>
#include <windows.h>

/* Everything the tool allocates, cJSON's nodes included, comes from the process heap. */
void *dr_alloc(size_t size)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

void dr_free(void *memory)
{
    if (memory)
        HeapFree(GetProcessHeap(), 0, memory);
}

void dr_print_utf16(const dr_char16 *text)
{
    printf("%ls", text);
}

void dr_read_file(const wchar_t *path, size_t max_bytes, struct dr_file_contents *out)
{
    ZeroMemory(out, sizeof *out);

    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        out->status = DR_READ_OPEN_FAILED;
        out->error = GetLastError();
        return;
    }

    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        out->status = DR_READ_SIZE_FAILED;
        out->error = GetLastError();
    } else if (size.QuadPart < 0 || (ULONGLONG)size.QuadPart > max_bytes) {
        out->status = DR_READ_TOO_LARGE;
    } else {
        /* max_bytes is below 4 GiB, so the size fits the DWORD that ReadFile takes. */
        const DWORD wanted = (DWORD)size.QuadPart;
        char *buffer = dr_alloc((size_t)wanted + 1);
        DWORD got = 0;
        if (!buffer) {
            out->status = DR_READ_NO_MEMORY;
        } else if (!ReadFile(file, buffer, wanted, &got, NULL)) {
            out->status = DR_READ_FAILED;
            out->error = GetLastError();
            dr_free(buffer);
        } else {
            buffer[got] = '\0';
            out->data = buffer;
            out->length = got;
            out->status = DR_READ_OK;
        }
    }

    if (!CloseHandle(file)) {
        out->close_failed = true;
        out->close_error = GetLastError();
    }
}
