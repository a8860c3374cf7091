#include "cli/sharedsettings.h"

#include "app/appidentity.h"

#include <QSettings>

std::unique_ptr<QSettings> openSharedSettings()
{
    QSettings::setDefaultFormat(QSettings::IniFormat);
    // Named explicitly rather than through the application's identity, so that the file is
    // the same whoever runs the command line (the tests run it inside their own process).
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       appidentity::kOrganisationName,
                                       appidentity::kApplicationName);
}

bool saveSharedSettings(QSettings &settings, QString *error)
{
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error)
        *error =
            QStringLiteral("zanprog: cannot write the settings file %1").arg(settings.fileName());
    return false;
}
