#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/modelfiles.h"
#include "cli/modeljson.h"
#include "cli/modelsync.h"
#include "models/devicemodel.h"

#include <QJsonObject>

ExitCode runRestoreCommand(CommandContext &context)
{
    Console &console = context.console;
    if (context.arguments.size() != 1 || context.arguments.first().startsWith(QLatin1Char('-'))) {
        console.printError(QStringLiteral("usage: zanprog restore FILE.zrm"));
        return ExitCode::Usage;
    }
    const QString path = context.arguments.first();
    // The file is checked before any device is waited for.
    const auto loaded = readModelFile(path);
    if (!loaded) {
        console.printError(QStringLiteral("zanprog: %1").arg(loaded.error().message));
        return exitCodeFor(loaded.error());
    }
    DeviceModel &model = **loaded;

    DeviceSession session(context.options, console, context.err);
    if (const ExitCode opened = openForModels(session); opened != ExitCode::Success)
        return opened;
    DeviceManager &manager = session.manager();
    if (!modelSuitsDevice(model, manager))
        return session.fail(
            QStringLiteral("zanprog: %1 is a model for %2; the device is %3")
                .arg(path, variantText(model.info().productCode(), model.info().parameterVersion()),
                     variantText(manager.productCode(), manager.parameterVersion())));

    const DeviceConnectionError written =
        syncModel(session, model, InitialSyncDirection::ComputerToDevice);
    if (written != DeviceConnectionError::NoError)
        return session.fail(written);
    if (const ExitCode identified = reidentify(session); identified != ExitCode::Success)
        return identified;

    const bool matches = model.matchesDeviceCrcs(manager.parameterCrc(), manager.targetSections());
    if (console.json()) {
        console.printJson(QJsonObject{
            {QStringLiteral("file"), path},
            {QStringLiteral("serialNumber"), manager.serialNumber()},
            {QStringLiteral("matches"), matches},
            {QStringLiteral("modelCrc"), qint64(model.modelCrc())},
            {QStringLiteral("parameterCrc"), qint64(manager.parameterCrc())},
            {QStringLiteral("targetSections"), deviceSectionsJson(manager.targetSections())},
        });
    } else {
        console.printLine(QStringLiteral("Restored %1 to %2: model CRC %3, device CRC %4.")
                              .arg(path, displaySerial(manager.serialNumber()),
                                   crcText(model.modelCrc()), crcText(manager.parameterCrc())));
        if (matches)
            console.printLine(QStringLiteral("The device's settings match the model."));
    }
    if (!matches)
        return session.fail(
            QStringLiteral("zanprog: the device's settings do not match %1 after the restore")
                .arg(path));
    return ExitCode::Success;
}
