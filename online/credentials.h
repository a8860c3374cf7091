#pragma once

#include <QString>

class QSettings;

// The account the program is logged in to, as kept in the settings file that the desktop
// program and zanprog share. The password is never stored with a value.
namespace credentials {

inline const QString kUserGuidKey = QStringLiteral("credentials/userGuid");
inline const QString kUsernameKey = QStringLiteral("credentials/username");
inline const QString kFirstNameKey = QStringLiteral("credentials/firstName");
inline const QString kLastNameKey = QStringLiteral("credentials/lastName");
inline const QString kPasswordKey = QStringLiteral("credentials/password");

struct Account
{
    QString userGuid; // empty = not logged in
    QString username;
    QString firstName;
    QString lastName;

    [[nodiscard]] bool isLoggedIn() const { return !userGuid.isEmpty(); }
};

[[nodiscard]] Account account(const QSettings &settings);
// After a successful log-in: the GUID and names from the service, the name as typed.
void storeLogIn(QSettings &settings, const QString &typedUsername, const QString &userGuid,
                const QString &firstName, const QString &lastName);
// The service no longer knows the stored GUID: the next check asks for a log-in again.
void forgetUserGuid(QSettings &settings);
// Empties the GUID, the names and the password; keeps the user name for the next log-in.
void logOut(QSettings &settings);

} // namespace credentials
