// ModelInfoEdits: the editable part of a model's description.
#include "ui/models/wizardmodeledits.h"

#include "models/modelinfo.h"

ModelInfoEdits ModelInfoEdits::of(const ModelInfo &info)
{
    return {info.name(), info.image(), info.notes()};
}

bool ModelInfoEdits::applyTo(ModelInfo &info) const
{
    bool changed = false;
    if (info.name() != name) {
        info.setName(name);
        changed = true;
    }
    if (info.image() != image) {
        info.setImage(image);
        changed = true;
    }
    if (info.notes() != notes) {
        info.setNotes(notes);
        changed = true;
    }
    return changed;
}
