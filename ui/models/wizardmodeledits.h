#pragma once

#include <QImage>
#include <QString>

class ModelInfo;

// What the user edits of a model's description: name, picture and notes.
struct ModelInfoEdits
{
    QString name;
    QImage image;
    QString notes;

    [[nodiscard]] static ModelInfoEdits of(const ModelInfo &info);
    // Sets, through the info's setters, only the fields that differ: each setter call makes the
    // library write the model, which an untouched field must not cause. Returns whether any
    // field changed.
    bool applyTo(ModelInfo &info) const;
};
