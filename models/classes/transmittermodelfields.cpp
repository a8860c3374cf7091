#include "models/classes/transmittermodelfields.h"

FieldLocation locateElement(const FieldLocation &parent, const QString &name, int index)
{
    const FieldLocation element = parent.locate(name, index);
    if (!element.found() || index < 0 || index >= element.node->count())
        return {parent.offset, nullptr};
    return element;
}
