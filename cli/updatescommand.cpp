#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/sharedsettings.h"
#include "cli/updatecheck.h"
#include "online/versions.h"

#include <QJsonArray>
#include <QSettings>

namespace {

// The desktop program's update page says the same.
const QString kNoNewVersion = QStringLiteral("No new software version is available at this time.");

void printPlain(Console &console, const UpdateCheck &check)
{
    console.printLine(QStringLiteral("Device %1, product %2, software version %3")
                          .arg(serialNumberDisplayForm(check.device.serialNumber))
                          .arg(check.device.productCode)
                          .arg(check.device.version));
    const QList<UpdateData> &available = check.choice.available;
    for (int i = 0; i < available.size(); ++i)
        console.printLine(updateLine(available.at(i), check.choice.proposedIndex == i));
    if (!check.choice.proposedIndex)
        console.printLine(kNoNewVersion);
}

} // namespace

ExitCode runUpdatesCommand(CommandContext &context)
{
    Console &console = context.console;
    // --json after the command name as well as before it.
    const bool json = context.arguments == QStringList{QStringLiteral("--json")};
    if (!context.arguments.isEmpty() && !json) {
        console.printError(QStringLiteral("usage: zanprog updates [--json]"));
        return ExitCode::Usage;
    }
    const std::unique_ptr<QSettings> settings = openSharedSettings();
    DeviceSession session(context.options, console, context.err);
    const std::expected<UpdateCheck, ExitCode> check =
        logInAndCheckForUpdates(session, *settings, console);
    if (!check)
        return check.error();

    if (json || console.json()) {
        QJsonArray updates;
        const QList<UpdateData> &available = check->choice.available;
        for (int i = 0; i < available.size(); ++i)
            updates.append(updateJson(available.at(i), check->choice.proposedIndex == i));
        console.printJson(QJsonObject{{QStringLiteral("device"), updateDeviceJson(check->device)},
                                      {QStringLiteral("updates"), updates}});
    } else {
        printPlain(console, *check);
    }
    return ExitCode::Success;
}
