#pragma once

#include <QList>
#include <QString>

class ModelLibrary;

// A preset the program ships: the factory settings of one device variant, under a name and
// notes that say what it is a good start for.
struct ShippedPreset
{
    int productCode = 0;
    int parameterVersion = 0;
    QString name;
    // "%1" stands for the variant's display name.
    QString notes;
};

// The shipped presets in the order they are installed.
[[nodiscard]] const QList<ShippedPreset> &shippedPresets();

// Fills an empty presets library with the shipped presets, each a model of its class with the
// class's defaults and the default picture. A library that lists any model is left as it is:
// its presets are the user's or an earlier start's, and a second call adds nothing. Variants
// no model class serves are skipped.
void installShippedPresets(ModelLibrary &presets);
