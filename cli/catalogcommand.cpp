#include "cli/command.h"
#include "cli/console.h"
#include "devicestate/devicecatalog.h"

#include <QJsonObject>

ExitCode runCatalogCommand(CommandContext &context)
{
    if (context.arguments.size() != 1) {
        context.console.printError(QStringLiteral("usage: zanprog catalog SERIAL"));
        return ExitCode::Usage;
    }
    const DeviceCatalogEntry *entry = catalogEntryForSerialNumber(context.arguments.first());
    if (context.console.json()) {
        if (!entry) {
            context.console.printJson(QJsonValue::Null);
        } else {
            const auto index = entry - deviceCatalog().data();
            context.console.printJson(
                QJsonObject{{QStringLiteral("index"), int(index)},
                            {QStringLiteral("productCode"), entry->productCode},
                            {QStringLiteral("displayName"), QLatin1String(entry->displayName)}});
        }
    } else if (entry) {
        context.console.printLine(QLatin1String(entry->displayName));
    }
    if (!entry) {
        context.console.printError(
            QStringLiteral("zanprog: no known product has the serial number %1")
                .arg(context.arguments.first()));
        return ExitCode::Failed;
    }
    return ExitCode::Success;
}
