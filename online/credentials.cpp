#include "online/credentials.h"

#include <QSettings>

namespace credentials {

Account account(const QSettings &settings)
{
    Account result;
    result.userGuid = settings.value(kUserGuidKey).toString();
    result.username = settings.value(kUsernameKey).toString();
    result.firstName = settings.value(kFirstNameKey).toString();
    result.lastName = settings.value(kLastNameKey).toString();
    return result;
}

void storeLogIn(QSettings &settings, const QString &typedUsername, const QString &userGuid,
                const QString &firstName, const QString &lastName)
{
    settings.setValue(kUserGuidKey, userGuid);
    settings.setValue(kFirstNameKey, firstName);
    settings.setValue(kLastNameKey, lastName);
    settings.setValue(kUsernameKey, typedUsername);
}

void forgetUserGuid(QSettings &settings)
{
    settings.setValue(kUserGuidKey, QString());
}

void logOut(QSettings &settings)
{
    for (const QString &key : {kUserGuidKey, kFirstNameKey, kLastNameKey, kPasswordKey})
        settings.setValue(key, QString());
}

} // namespace credentials
