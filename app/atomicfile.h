#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `data` so that a crash or a full disk leaves the old file or
// the new one, never a torn one. Returns whether the new file is in place; on failure
// `errorText` (when given) says why.
[[nodiscard]] bool writeFileAtomically(const QString &path, const QByteArray &data,
                                       QString *errorText = nullptr);
