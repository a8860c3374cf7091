#include "app/datadirectory.h"

#include "platform/appdatafolder.h"

#include <QCoreApplication>
#include <QDir>

namespace datadirectory {

QString dataDirectoryPath()
{
    static const QString path = computeDataDirectoryPath();
    return path;
}

QString computeDataDirectoryPath()
{
    return platform::userAppDataFolder() + QLatin1Char('/') + QCoreApplication::organizationName() +
           QLatin1Char('/') + QCoreApplication::applicationName();
}

QString betaDataDirectoryPath(const QString &dataDirectory)
{
    return dataDirectory + kBetaSuffix;
}

QString settingsFolderPath(const QString &dataDirectory)
{
    return QDir::cleanPath(dataDirectory + QStringLiteral("/.."));
}

} // namespace datadirectory
