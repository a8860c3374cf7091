#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
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

// Writes the pieces one after another as the new content of `path`, atomically (see
// app/atomicfile.h). A valid `modified` becomes the file's modification time before the file
// takes its place, so that a file written from an older snapshot never looks newer than the
// files written after that snapshot was taken. On failure `errorText` (when given) says why.
[[nodiscard]] bool writePiecesAtomically(const QString &path, const QList<QByteArray> &pieces,
                                         const QDateTime &modified, QString *errorText = nullptr);

} // namespace libraryfiles
