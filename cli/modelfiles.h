#pragma once

#include "cli/exitcode.h"

#include <QString>

#include <expected>
#include <memory>

class DeviceModel;

// Model files for the commands: read through the program's own loader, and when it refuses a
// file, a message that says why; written whole or not at all.

// The largest file taken for a model file; real ones are a few hundred kilobytes.
inline constexpr qint64 kMaxModelFileBytes = 64 * 1024 * 1024;

struct ModelFileError
{
    enum class Kind {
        Unreadable, // missing, a directory, no permission: nothing was read
        NotAModel,  // read, but not a model file this program can use
    };
    Kind kind;
    QString message;
};

[[nodiscard]] std::expected<std::shared_ptr<DeviceModel>, ModelFileError>
readModelFile(const QString &path);
// A file that could not be read is a bad argument; one that was read and refused, a failure.
[[nodiscard]] ExitCode exitCodeFor(const ModelFileError &error);

// Writes through QSaveFile: an interrupted or failed write leaves the old file, or none.
[[nodiscard]] std::expected<void, QString> writeModelFile(const DeviceModel &model,
                                                          const QString &path);

// The file name a model file needs for the program to read it again.
[[nodiscard]] bool hasModelFileName(const QString &path);
