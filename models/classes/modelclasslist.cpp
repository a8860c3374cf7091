#include "models/classes/modelclasslist.h"

#include "devicestate/devicecatalog.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/gyroboxmodel.h"
#include "models/classes/transmittermodel.h"
#include "models/classes/trivormodel.h"

QList<const ModelClassInfo *> builtinModelClasses()
{
    // The order decides which class serves a device listed by two of them, and is the order
    // in which files are matched to classes.
    return {
        AirplaneRxModel::getModelClassInfoStatic(),
        TrivorModel::getModelClassInfoStatic(),
        TransmitterModel::getModelClassInfoStatic(),
        GyroboxModel::getModelClassInfoStatic(),
    };
}

std::optional<QString> catalogDisplayName(int productCode)
{
    for (const DeviceCatalogEntry &entry : deviceCatalog()) {
        if (entry.productCode == productCode)
            return QString::fromLatin1(entry.displayName);
    }
    return std::nullopt;
}
