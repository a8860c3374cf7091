#pragma once

#include <QString>

class QCoreApplication;

namespace appidentity {

inline const QString kOrganisationName = QStringLiteral("Solvane Hobby");
inline const QString kApplicationName = QStringLiteral("Zandorex Programmer");
inline const QString kApplicationVersion = QStringLiteral("3.10.6");

// Sets organisation, application name and version; QSettings and the data directory
// are derived from them.
void apply();

} // namespace appidentity
