#include "models/classes/modelclasslist.h"

QList<const ModelClassInfo *> builtinModelClasses()
{
    return {};
}
