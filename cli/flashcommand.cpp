#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/firmwareinstall.h"

#include <QFile>
#include <QJsonObject>

namespace {

// The largest firmware file we read into memory: far above any application area.
constexpr qint64 kMaxSaxFileBytes = 16 * 1024 * 1024;
constexpr int kMaxTarget = kMaxInstallTarget;

struct FlashArguments
{
    QString path;
    int target = 0;
};

std::optional<FlashArguments> parseArguments(const QStringList &arguments)
{
    FlashArguments parsed;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--target")) {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            bool ok = false;
            parsed.target = arguments.at(++i).toInt(&ok);
            if (!ok || parsed.target < 0 || parsed.target > kMaxTarget)
                return std::nullopt;
        } else if (parsed.path.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
            parsed.path = argument;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.path.isEmpty())
        return std::nullopt;
    return parsed;
}

} // namespace

ExitCode runFlashCommand(CommandContext &context)
{
    Console &console = context.console;
    const std::optional<FlashArguments> arguments = parseArguments(context.arguments);
    if (!arguments) {
        console.printError(QStringLiteral("usage: zanprog flash FILE.sax [--target N] (N 0 to %1)")
                               .arg(kMaxTarget));
        return ExitCode::Usage;
    }
    QFile input(arguments->path);
    if (!input.open(QIODevice::ReadOnly)) {
        console.printError(QStringLiteral("zanprog: cannot read %1: %2")
                               .arg(arguments->path, input.errorString()));
        return ExitCode::Usage;
    }
    if (input.size() > kMaxSaxFileBytes) {
        console.printError(DeviceConnection::errorString(DeviceConnectionError::NotSaxFile));
        return ExitCode::Failed;
    }
    const QByteArray file = input.readAll();
    // Faults of the file itself show before any device is waited for.
    if (const auto fault = saxFileFault(file)) {
        console.printError(DeviceConnection::errorString(*fault));
        return ExitCode::Failed;
    }

    DeviceSession session(context.options, console, context.err);
    if (const ExitCode opened = session.open(); opened != ExitCode::Success)
        return opened;
    if (const ExitCode installed = installFirmware(session, arguments->target, file);
        installed != ExitCode::Success)
        return installed;

    if (console.json())
        console.printJson(QJsonObject{{QStringLiteral("file"), arguments->path},
                                      {QStringLiteral("target"), arguments->target},
                                      {QStringLiteral("bytes"), int(file.size())},
                                      {QStringLiteral("mode"), deviceModeName(DeviceMode::FSK)}});
    else
        console.printLine(QStringLiteral("Firmware of device %1 updated from %2.")
                              .arg(arguments->target)
                              .arg(arguments->path));
    return ExitCode::Success;
}
