#pragma once

#include "cli/exitcode.h"
#include "online/credentials.h"
#include "online/updatechoice.h"

#include <QJsonObject>
#include <QString>

#include <expected>
#include <optional>

class Console;
class DeviceManager;
class DeviceSession;
class QSettings;

// The device as the service and the choice of updates see it.
struct UpdateDevice
{
    QString serialNumber;
    int productCode = 0;
    QString version; // "major.minor.release", or "major.minor" without a release number
};

struct UpdateCheck
{
    UpdateDevice device;
    UpdateChoice choice;
};

// The software version as the update page shows it.
[[nodiscard]] QString deviceVersionText(const DeviceManager &manager);

// The account the update commands need; none, with the message printed, when nobody is
// logged in.
[[nodiscard]] std::optional<credentials::Account> requireLogIn(const QSettings &settings,
                                                               Console &console);

// Asks the service which updates there are for the session's identified device and which of
// them fit it. Failures are printed as the service's verdicts call for (a log-in the service
// no longer knows is forgotten) and come back as the exit status.
[[nodiscard]] std::expected<UpdateCheck, ExitCode>
checkForUpdates(DeviceSession &session, QSettings &settings, const credentials::Account &account);

// What both update commands begin with: the log-in, the device found and identified through
// `session`, and the service's offer for it.
[[nodiscard]] std::expected<UpdateCheck, ExitCode>
logInAndCheckForUpdates(DeviceSession &session, QSettings &settings, Console &console);

[[nodiscard]] QJsonObject updateDeviceJson(const UpdateDevice &device);
[[nodiscard]] QJsonObject updateJson(const UpdateData &update, bool proposed);
// One line of the list: "* VERSION  TITLE  DATE  (proposed)", unmarked when not proposed.
[[nodiscard]] QString updateLine(const UpdateData &update, bool proposed);
