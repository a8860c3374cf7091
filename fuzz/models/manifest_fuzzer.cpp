// Feeds arbitrary bytes to the library's manifest reader as manifest.json. Every entry is
// decoded as the model list would show it, and the manifest written from what was read must
// read back with the same entries; a sanitizer report, a crash or a lost entry is a finding.
#include "models/librarymanifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Qt 5.15's JSON parser leaks a few bytes on some malformed documents (reproduced with
// QJsonDocument::fromJson alone). Its frames are unsymbolised, so the suppression names the
// library; out-of-bounds accesses, undefined behaviour and crashes are still reported.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LibraryManifest manifest;
    (void)manifest.parse(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    for (const QString &fileName : manifest.fileNames())
        (void)manifest.info(fileName);

    LibraryManifest reread;
    if (!reread.parse(manifest.toJson()) || reread.fileNames() != manifest.fileNames())
        std::abort();
    return 0;
}
