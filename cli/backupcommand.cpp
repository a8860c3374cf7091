#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/modelfiles.h"
#include "cli/modeljson.h"
#include "cli/modelsync.h"
#include "models/devicemodel.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral("usage: zanprog backup -o FILE.zrm");

std::optional<QString> parseOutput(const QStringList &arguments)
{
    if (arguments.size() != 2 || (arguments.first() != QLatin1String("-o") &&
                                  arguments.first() != QLatin1String("--output")))
        return std::nullopt;
    return arguments.at(1);
}

} // namespace

ExitCode runBackupCommand(CommandContext &context)
{
    Console &console = context.console;
    const std::optional<QString> output = parseOutput(context.arguments);
    if (!output) {
        console.printError(kUsage);
        return ExitCode::Usage;
    }
    if (!hasModelFileName(*output)) {
        console.printError(
            QStringLiteral("zanprog: %1: a model file's name ends in .zrm").arg(*output));
        return ExitCode::Usage;
    }
    // Found out before the device is read, not after.
    const QFileInfo target(*output);
    if (target.isDir() || !target.absoluteDir().exists()) {
        console.printError(
            QStringLiteral("zanprog: cannot write %1: no such directory, or it is one")
                .arg(*output));
        return ExitCode::Usage;
    }

    DeviceSession session(context.options, console, context.err);
    if (const ExitCode opened = openForModels(session); opened != ExitCode::Success)
        return opened;
    const DeviceManager &manager = session.manager();
    const std::shared_ptr<DeviceModel> model = newModelForDevice(manager);
    if (!model)
        return noModelClass(session);

    const DeviceConnectionError read =
        syncModel(session, *model, InitialSyncDirection::DeviceToComputer);
    if (read != DeviceConnectionError::NoError)
        return session.fail(read);
    if (session.interrupted())
        return session.fail(DeviceConnectionError::NoReply);

    if (const auto written = writeModelFile(*model, *output); !written)
        return session.fail(QStringLiteral("zanprog: %1").arg(written.error()));

    // Read back whole, the model equals the device; anything else means the device changed
    // its settings while they were read.
    const bool matches = model->matchesDeviceCrcs(manager.parameterCrc(), manager.targetSections());
    const QJsonObject summary = modelSummaryJson(*model);
    if (console.json()) {
        QJsonObject report = summary;
        report.remove(QStringLiteral("settings"));
        report.insert(QStringLiteral("file"), *output);
        report.insert(QStringLiteral("matches"), matches);
        console.printJson(report);
    } else {
        int bytes = 0;
        for (int i = 0; i < model->memory().sectionCount(); ++i)
            bytes += int(model->memory().modelData(i).size());
        console.printLine(QStringLiteral("Backed up %1 bytes of settings of %2 (%3) to %4.")
                              .arg(bytes)
                              .arg(displaySerial(manager.serialNumber()),
                                   summary.value(QLatin1String("class")).toString(), *output));
    }
    if (!matches)
        console.printError(QStringLiteral("zanprog: note: the backup's CRCs differ from those the "
                                          "device reported when it was identified"));
    return ExitCode::Success;
}
