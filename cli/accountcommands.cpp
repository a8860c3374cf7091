#include "cli/command.h"
#include "cli/console.h"
#include "cli/consoleoutput.h"
#include "cli/passwordprompt.h"
#include "cli/sharedsettings.h"
#include "cli/sitewait.h"
#include "online/credentials.h"
#include "online/zandorexsite.h"

#include <QJsonObject>
#include <QSettings>

#include <memory>

namespace {

// The desktop program's log-in dialog says the same.
const QString kLogInFailed = QStringLiteral("An error occurred while trying to log in.");
const QString kWrongCredentials =
    QStringLiteral("The username or password you entered is not correct, or your account has "
                   "not been activated.");

QString failureMessage(const LogInReply &reply)
{
    if (reply.networkError == QNetworkReply::NoError) {
        if (reply.siteError == ZandorexSiteError::InvalidCredentials)
            return kWrongCredentials;
        if (reply.siteError == ZandorexSiteError::NoError)
            // A success without the account's GUID would store "not logged in".
            return kLogInFailed + QStringLiteral("\n\nThe service sent no user GUID.");
        return kLogInFailed;
    }
    return kLogInFailed + transportDetails(reply);
}

} // namespace

ExitCode runLoginCommand(CommandContext &context)
{
    Console &console = context.console;
    if (context.arguments.size() != 1 || context.arguments.first().startsWith(QLatin1Char('-'))) {
        console.printError(QStringLiteral("usage: zanprog login USER"));
        return ExitCode::Usage;
    }
    const QString username = context.arguments.first();
    const std::optional<QString> password = readPassword(QStringLiteral("Password: "));
    if (!password || password->isEmpty()) {
        console.printError(QStringLiteral("zanprog: no password given"));
        return ExitCode::Usage;
    }

    // The service's trace with --verbose, as the device commands show the device's.
    std::unique_ptr<ConsoleLogWriter> logWriter;
    if (context.options.verbose)
        logWriter = std::make_unique<ConsoleLogWriter>(context.err);
    InterruptibleWait wait;
    const std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(username, *password));
    if (!awaitReply(*reply, wait.function())) {
        console.printError(QStringLiteral("zanprog: interrupted"));
        return ExitCode::Failed;
    }
    if (!reply->succeeded() || reply->userGuid.isEmpty()) {
        console.printError(failureMessage(*reply));
        return ExitCode::Failed;
    }

    const std::unique_ptr<QSettings> settings = openSharedSettings();
    credentials::storeLogIn(*settings, username, reply->userGuid, reply->firstName,
                            reply->lastName);
    if (QString error; !saveSharedSettings(*settings, &error)) {
        console.printError(error);
        return ExitCode::Failed;
    }
    if (console.json())
        console.printJson(QJsonObject{{QStringLiteral("username"), username},
                                      {QStringLiteral("firstName"), reply->firstName},
                                      {QStringLiteral("lastName"), reply->lastName}});
    else
        console.printLine(QStringLiteral("Logged in as %1")
                              .arg(reply->firstName.isEmpty() ? username : reply->firstName));
    return ExitCode::Success;
}

ExitCode runLogoutCommand(CommandContext &context)
{
    Console &console = context.console;
    if (!context.arguments.isEmpty()) {
        console.printError(QStringLiteral("usage: zanprog logout"));
        return ExitCode::Usage;
    }
    const std::unique_ptr<QSettings> settings = openSharedSettings();
    credentials::logOut(*settings);
    if (QString error; !saveSharedSettings(*settings, &error)) {
        console.printError(error);
        return ExitCode::Failed;
    }
    if (console.json())
        console.printJson(QJsonObject{{QStringLiteral("loggedIn"), false}});
    else
        console.printLine(QStringLiteral("Logged out"));
    return ExitCode::Success;
}
