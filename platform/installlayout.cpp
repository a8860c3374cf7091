#include "platform/installlayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

// Must match the DESTINATION of the data files' install rules.
const QString kInstalledDataFolder = QStringLiteral("../share/zandorex-programmer");

} // namespace

QString dataFilePath(const QString &relative, const QString &programDir)
{
    const QString beside = QDir::cleanPath(programDir + QLatin1Char('/') + relative);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(programDir + QLatin1Char('/') + kInstalledDataFolder +
                                              QLatin1Char('/') + relative);
    if (QFileInfo::exists(installed))
        return installed;
    return beside;
}

QString dataFilePath(const QString &relative)
{
    return dataFilePath(relative, QCoreApplication::applicationDirPath());
}

} // namespace platform
