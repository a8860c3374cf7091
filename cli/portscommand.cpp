#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QString modesName(SupportedModes modes)
{
    switch (modes) {
    case SupportedModes::BootloaderOnly:
        return QStringLiteral("bootloader");
    case SupportedModes::ApplicationOnly:
        return QStringLiteral("application");
    case SupportedModes::Announced:
        break;
    }
    return QStringLiteral("announced");
}

} // namespace

ExitCode runPortsCommand(CommandContext &context)
{
    if (!context.arguments.isEmpty()) {
        context.console.printError(QStringLiteral("usage: zanprog ports"));
        return ExitCode::Usage;
    }
    const DeviceStreamList streams = selectedStreams(context.options);
    if (context.console.json()) {
        QJsonArray list;
        for (const auto &stream : streams)
            list.append(QJsonObject{
                {QStringLiteral("identity"), stream->identityText},
                {QStringLiteral("description"), stream->description()},
                {QStringLiteral("supportedModes"), modesName(stream->supportedModes())}});
        context.console.printJson(list);
    } else {
        for (const auto &stream : streams)
            context.console.printLine(QStringLiteral("%1 (%2, modes: %3)")
                                          .arg(stream->identityText, stream->description(),
                                               modesName(stream->supportedModes())));
    }
    return ExitCode::Success;
}
