#include "app/appidentity.h"

#include <QCoreApplication>

namespace appidentity {

void apply()
{
    QCoreApplication::setOrganizationName(kOrganisationName);
    QCoreApplication::setApplicationName(kApplicationName);
    QCoreApplication::setApplicationVersion(kApplicationVersion);
}

} // namespace appidentity
