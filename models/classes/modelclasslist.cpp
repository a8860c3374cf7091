#include "models/classes/modelclasslist.h"

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
