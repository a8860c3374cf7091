#pragma once

#include "ui/models/modelscontext.h"

#include <QDialog>

// "Download Preset...": the presets library, each with its picture and notes; "Use Preset"
// copies one into the models library.
class PresetsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PresetsDialog(ModelsContext context, QWidget *parent = nullptr);
};
