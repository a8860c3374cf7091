#pragma once

#include "cli/commandline.h"
#include "cli/exitcode.h"

#include <QStringList>

#include <functional>
#include <span>

class Console;
class QIODevice;

struct CommandContext
{
    const GlobalOptions &options;
    const QStringList &arguments;
    Console &console;
    QIODevice &err; // standard error, for progress and the log
};

struct Command
{
    const char *name;
    const char *usage; // arguments after the name
    const char *summary;
    std::function<ExitCode(CommandContext &)> run;
};

// Every command zanprog knows, in the order --help lists them.
[[nodiscard]] std::span<const Command> commandTable();

[[nodiscard]] const Command *findCommand(const QString &name);

// Runs a whole command line (without the program name) and returns the exit status.
[[nodiscard]] ExitCode runCommandLine(const QStringList &arguments, QIODevice &out, QIODevice &err);

// The commands, one file each.
ExitCode runLayoutCommand(CommandContext &context);
ExitCode runCatalogCommand(CommandContext &context);
ExitCode runInfoCommand(CommandContext &context);
ExitCode runDiffCommand(CommandContext &context);
ExitCode runSetCommand(CommandContext &context);
// Device commands: they find, open and identify the device first (cli/devicesession.h).
ExitCode runPortsCommand(CommandContext &context);
ExitCode runIdentifyCommand(CommandContext &context);
ExitCode runFlashCommand(CommandContext &context);
ExitCode runBackupCommand(CommandContext &context);
ExitCode runRestoreCommand(CommandContext &context);
// The account and update service.
ExitCode runLoginCommand(CommandContext &context);
ExitCode runLogoutCommand(CommandContext &context);
// Online update commands: they need a log-in and the device.
ExitCode runUpdatesCommand(CommandContext &context);
ExitCode runUpdateCommand(CommandContext &context);
