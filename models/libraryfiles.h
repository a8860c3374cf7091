#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// File-level helpers of the model library: safe names, numbering and atomic writes.
namespace libraryfiles {

// A bare file name inside a library directory: no separators, not "." or "..". Names from a
// manifest or a caller are checked with this before they touch the disk.
[[nodiscard]] bool isPlainFileName(const QString &fileName);

// The number of a "%1.%2" name (digits, a dot, a word), or nothing.
[[nodiscard]] std::optional<qint64> fileNumber(const QString &fileName);

// One more than the largest numbered entry of the directory, 1 for a directory without one.
// Every kind of entry counts, so a new name never collides with a folder.
[[nodiscard]] qint64 nextFileNumber(const QString &directory);

// Copies a file over `target` in one step (see app/atomicfile.h): a file already there stays
// whole when the copy fails.
[[nodiscard]] bool replaceFileAtomically(const QString &source, const QString &target);

// As replaceFileAtomically, to a path that must not exist yet.
[[nodiscard]] bool copyFileAtomically(const QString &source, const QString &target);

} // namespace libraryfiles
