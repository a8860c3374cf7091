#include "cli/updatecheck.h"

#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/sharedsettings.h"
#include "cli/sitewait.h"
#include "online/versions.h"
#include "online/zandorexsite.h"

#include <QSettings>

#include <memory>

namespace {

// The desktop program's update page says the same.
const QString kCheckFailed = QStringLiteral("There was a problem checking for updates.");
const QString kRegisteredElsewhere = QStringLiteral("The device is registered to another account.");

// What to print for a failed updates-list request; a stale log-in is forgotten on the way.
QString failureMessage(const UpdatesReply &reply, QSettings &settings)
{
    if (reply.networkError != QNetworkReply::NoError)
        return kCheckFailed + transportDetails(reply);
    switch (reply.siteError) {
    case ZandorexSiteError::DeviceNotRegistered:
        return QStringLiteral("zanprog: the device is not registered to your account: register "
                              "it in the desktop program");
    case ZandorexSiteError::InvalidUserGuid: {
        credentials::forgetUserGuid(settings);
        QString message =
            QStringLiteral("zanprog: your log-in has expired: run zanprog login USER again");
        if (QString error; !saveSharedSettings(settings, &error))
            message += QLatin1Char('\n') + error;
        return message;
    }
    case ZandorexSiteError::RegisteredToAnotherAccount:
        return kCheckFailed + QLatin1Char(' ') + kRegisteredElsewhere;
    case ZandorexSiteError::InvalidResponse:
        return kCheckFailed + QStringLiteral("\n\nThe service's answer could not be read.");
    default:
        return kCheckFailed + QStringLiteral("\n\nThe service refused the request (error %1).")
                                  .arg(int(reply.siteError));
    }
}

// Devices report their serial number in a fixed-size field padded with NULs, which have no
// place in a request document (the service refuses it as invalid XML) or on screen.
QString withoutPadding(QString serialNumber)
{
    while (serialNumber.endsWith(QChar(0)))
        serialNumber.chop(1);
    return serialNumber;
}

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString releaseDateText(const UpdateData &update)
{
    return update.releaseDate.isValid() ? update.releaseDate.date().toString(Qt::ISODate)
                                        : QStringLiteral("-");
}

} // namespace

QString deviceVersionText(const DeviceManager &manager)
{
    if (const std::optional<int> release = manager.appVersionRelease())
        return QStringLiteral("%1.%2.%3")
            .arg(manager.appVersionMajor())
            .arg(manager.appVersionMinor())
            .arg(*release);
    return QStringLiteral("%1.%2").arg(manager.appVersionMajor()).arg(manager.appVersionMinor());
}

std::optional<credentials::Account> requireLogIn(const QSettings &settings, Console &console)
{
    credentials::Account account = credentials::account(settings);
    if (account.isLoggedIn())
        return account;
    console.printError(QStringLiteral("zanprog: not logged in: run zanprog login USER first"));
    return std::nullopt;
}

std::expected<UpdateCheck, ExitCode> checkForUpdates(DeviceSession &session, QSettings &settings,
                                                     const credentials::Account &account)
{
    const DeviceManager &manager = session.manager();
    UpdateCheck check;
    if (isUnprogrammedSerialNumber(manager.serialNumber()))
        return std::unexpected(session.fail(QStringLiteral(
            "zanprog: the device has no serial number, so no updates can be listed for it")));
    check.device = {withoutPadding(manager.serialNumber()), manager.productCode(),
                    deviceVersionText(manager)};

    const std::unique_ptr<UpdatesReply> reply(
        ZandorexSite::getUpdatesList(account.userGuid, check.device.serialNumber));
    const bool finished = awaitReply(*reply, [&session](const std::function<bool()> &condition) {
        return session.waitUntil(condition, -1) == DeviceSession::Wait::Done;
    });
    if (!finished)
        return std::unexpected(session.fail(DeviceConnectionError::NoReply));
    if (!reply->succeeded())
        return std::unexpected(session.fail(failureMessage(*reply, settings)));

    check.choice = chooseUpdates(reply->updates, check.device.version, check.device.productCode);
    return check;
}

QJsonObject updateDeviceJson(const UpdateDevice &device)
{
    return {{QStringLiteral("serialNumber"), device.serialNumber},
            {QStringLiteral("productCode"), device.productCode},
            {QStringLiteral("version"), device.version}};
}

QJsonObject updateJson(const UpdateData &update, bool proposed)
{
    return {
        {QStringLiteral("version"), update.version},
        {QStringLiteral("title"), update.title},
        {QStringLiteral("description"), update.description},
        {QStringLiteral("releaseDate"), update.releaseDate.isValid()
                                            ? QJsonValue(update.releaseDate.toString(Qt::ISODate))
                                            : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("productCode"),
         update.productCode ? QJsonValue(int(*update.productCode)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("guid"), update.guid},
        {QStringLiteral("downloadUri"), orNull(update.downloadUri)},
        {QStringLiteral("proposed"), proposed},
    };
}

QString updateLine(const UpdateData &update, bool proposed)
{
    QString line = QStringLiteral("%1 %2  %3  %4")
                       .arg(proposed ? QLatin1Char('*') : QLatin1Char(' '))
                       .arg(update.version, update.title, releaseDateText(update));
    if (proposed)
        line += QStringLiteral("  (proposed)");
    return line;
}

std::expected<UpdateCheck, ExitCode> logInAndCheckForUpdates(DeviceSession &session,
                                                             QSettings &settings, Console &console)
{
    const std::optional<credentials::Account> account = requireLogIn(settings, console);
    if (!account)
        return std::unexpected(ExitCode::Failed);
    if (const ExitCode opened = session.open(); opened != ExitCode::Success)
        return std::unexpected(opened);
    return checkForUpdates(session, settings, *account);
}
