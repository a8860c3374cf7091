#include "cli/command.h"
#include "cli/console.h"
#include "cli/modelfiles.h"
#include "cli/modeljson.h"

ExitCode runInfoCommand(CommandContext &context)
{
    Console &console = context.console;
    QStringList arguments = context.arguments;
    const bool settings = arguments.removeAll(QStringLiteral("--settings")) > 0;
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-'))) {
        console.printError(QStringLiteral("usage: zanprog info FILE.zrm [--settings]"));
        return ExitCode::Usage;
    }
    const auto model = readModelFile(arguments.first());
    if (!model) {
        console.printError(QStringLiteral("zanprog: %1").arg(model.error().message));
        return exitCodeFor(model.error());
    }
    const QJsonObject summary = modelSummaryJson(**model);
    if (console.json()) {
        console.printJson(summary);
        return ExitCode::Success;
    }
    printModelSummary(console, summary);
    if (settings)
        printModelSettings(console, summary);
    return ExitCode::Success;
}
