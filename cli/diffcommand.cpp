#include "cli/command.h"
#include "cli/console.h"
#include "cli/modelfiles.h"
#include "cli/modeljson.h"
#include "models/modeldiff.h"

#include <QJsonArray>
#include <QJsonObject>

ExitCode runDiffCommand(CommandContext &context)
{
    Console &console = context.console;
    const QStringList &arguments = context.arguments;
    if (arguments.size() != 2 || arguments.at(0).startsWith(QLatin1Char('-')) ||
        arguments.at(1).startsWith(QLatin1Char('-'))) {
        console.printError(QStringLiteral("usage: zanprog diff A.zrm B.zrm"));
        return ExitCode::Usage;
    }
    std::shared_ptr<DeviceModel> models[2];
    for (int i = 0; i < 2; ++i) {
        auto model = readModelFile(arguments.at(i));
        if (!model) {
            // As diff(1) does: 1 means "different", so trouble with a file is 2.
            console.printError(QStringLiteral("zanprog: %1").arg(model.error().message));
            return ExitCode::Usage;
        }
        models[i] = std::move(*model);
    }

    const QList<ModelDifference> differences = modelDifferences(*models[0], *models[1]);
    if (console.json()) {
        QJsonArray list;
        for (const ModelDifference &difference : differences)
            list.append(QJsonObject{{QStringLiteral("path"), difference.path},
                                    {QStringLiteral("first"), difference.first},
                                    {QStringLiteral("second"), difference.second}});
        console.printJson(QJsonObject{{QStringLiteral("equal"), differences.isEmpty()},
                                      {QStringLiteral("differences"), list}});
    } else {
        for (const ModelDifference &difference : differences)
            console.printLine(QStringLiteral("%1: %2 -> %3")
                                  .arg(difference.path, settingText(difference.first),
                                       settingText(difference.second)));
    }
    return differences.isEmpty() ? ExitCode::Success : ExitCode::Failed;
}
