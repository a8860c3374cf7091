#include "cli/command.h"
#include "cli/console.h"
#include "cli/modelfiles.h"
#include "cli/settingedit.h"
#include "models/devicemodel.h"

#include <QJsonObject>

ExitCode runSetCommand(CommandContext &context)
{
    Console &console = context.console;
    const QStringList &arguments = context.arguments;
    if (arguments.size() != 3 || arguments.first().startsWith(QLatin1Char('-'))) {
        console.printError(QStringLiteral("usage: zanprog set FILE.zrm PATH VALUE"));
        return ExitCode::Usage;
    }
    const QString &path = arguments.at(0);
    const auto model = readModelFile(path);
    if (!model) {
        console.printError(QStringLiteral("zanprog: %1").arg(model.error().message));
        return exitCodeFor(model.error());
    }
    if (const auto changed = setModelSetting(**model, arguments.at(1), arguments.at(2)); !changed) {
        console.printError(QStringLiteral("zanprog: %1").arg(changed.error()));
        return ExitCode::Failed;
    }
    if (const auto written = writeModelFile(**model, path); !written) {
        console.printError(QStringLiteral("zanprog: %1").arg(written.error()));
        return ExitCode::Failed;
    }
    if (console.json())
        console.printJson(QJsonObject{{QStringLiteral("file"), path},
                                      {QStringLiteral("path"), arguments.at(1)},
                                      {QStringLiteral("value"), arguments.at(2)}});
    else
        console.printLine(
            QStringLiteral("%1: %2 = %3").arg(path, arguments.at(1), arguments.at(2)));
    return ExitCode::Success;
}
