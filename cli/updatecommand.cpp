#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/firmwareinstall.h"
#include "cli/sharedsettings.h"
#include "cli/sitewait.h"
#include "cli/updatecheck.h"
#include "online/siteconfig.h"
#include "online/versions.h"

#include <QSettings>
#include <QUrl>

namespace {

// The desktop program's update page and dialog say the same.
const QString kNoNewVersion = QStringLiteral("No new software version is available at this time.");
const QString kDownloadFailed = QStringLiteral("There was an error downloading the update.");

struct UpdateArguments
{
    std::optional<QString> version; // --version V: this one rather than the proposal
};

std::optional<UpdateArguments> parseArguments(const QStringList &arguments)
{
    UpdateArguments parsed;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) != QLatin1String("--version") || parsed.version ||
            i + 1 >= arguments.size())
            return std::nullopt;
        parsed.version = arguments.at(++i);
    }
    return parsed;
}

// The fitting update with `version`, else the versions there are to choose from.
std::expected<int, QString> indexOfVersion(const QList<UpdateData> &available,
                                           const QString &version)
{
    QStringList versions;
    for (int i = 0; i < available.size(); ++i) {
        if (compareVersions(available.at(i).version, version) == VersionOrder::Equal)
            return i;
        versions.append(available.at(i).version);
    }
    return std::unexpected(
        versions.isEmpty()
            ? QStringLiteral("zanprog: no update with version %1 fits the device; none does")
                  .arg(version)
            : QStringLiteral("zanprog: no update with version %1 fits the device; these do: %2")
                  .arg(version, versions.join(QStringLiteral(", "))));
}

const UpdateData *proposal(const UpdateCheck &check)
{
    return check.choice.proposedIndex ? &check.choice.available.at(*check.choice.proposedIndex)
                                      : nullptr;
}

void printResult(Console &console, const UpdateCheck &check, const UpdateData *installed,
                 const QString &newVersion)
{
    if (console.json()) {
        console.printJson(QJsonObject{
            {QStringLiteral("device"), updateDeviceJson(check.device)},
            {QStringLiteral("installed"),
             installed ? QJsonValue(updateJson(*installed, installed == proposal(check)))
                       : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("version"), newVersion}});
    } else if (!installed) {
        console.printLine(kNoNewVersion);
    } else {
        console.printLine(QStringLiteral("Device %1 updated to software version %2.")
                              .arg(serialNumberDisplayForm(check.device.serialNumber), newVersion));
    }
}

} // namespace

ExitCode runUpdateCommand(CommandContext &context)
{
    Console &console = context.console;
    const std::optional<UpdateArguments> arguments = parseArguments(context.arguments);
    if (!arguments) {
        console.printError(QStringLiteral("usage: zanprog update [--version V]"));
        return ExitCode::Usage;
    }
    const std::unique_ptr<QSettings> settings = openSharedSettings();
    DeviceSession session(context.options, console, context.err);
    const std::expected<UpdateCheck, ExitCode> check =
        logInAndCheckForUpdates(session, *settings, console);
    if (!check)
        return check.error();

    const QList<UpdateData> &available = check->choice.available;
    int chosen = 0;
    if (arguments->version) {
        const std::expected<int, QString> index = indexOfVersion(available, *arguments->version);
        if (!index)
            return session.fail(index.error());
        chosen = *index;
    } else if (check->choice.proposedIndex) {
        chosen = *check->choice.proposedIndex;
    } else {
        printResult(console, *check, nullptr, check->device.version);
        return ExitCode::Success;
    }
    const UpdateData &update = available.at(chosen);

    const QUrl url(update.downloadUri);
    if (!url.isValid() || url.isRelative())
        return session.fail(kDownloadFailed +
                            QStringLiteral("\n\nThe update has no download address."));
    const std::optional<DownloadResult> download = downloadWithProgress(
        url, siteconfig::kMaxUpdateBytes,
        [&session](const std::function<bool()> &condition) {
            return session.waitUntil(condition, -1) == DeviceSession::Wait::Done;
        },
        context.err, QStringLiteral("Downloading update"));
    if (!download)
        return session.fail(DeviceConnectionError::NoReply);
    if (download->error != QNetworkReply::NoError)
        return session.fail(kDownloadFailed +
                            QStringLiteral("\n\nNetwork error %1.").arg(int(download->error)));
    // A file the service should not have offered stops before the device is touched.
    if (const auto fault = saxFileFault(download->body))
        return session.fail(*fault);

    if (const ExitCode installed = installFirmware(session, 0, download->body);
        installed != ExitCode::Success)
        return installed;
    // The device identifies itself again once its new software runs.
    if (const ExitCode settled = session.settle(); settled != ExitCode::Success)
        return settled;
    printResult(console, *check, &update, deviceVersionText(session.manager()));
    return ExitCode::Success;
}
