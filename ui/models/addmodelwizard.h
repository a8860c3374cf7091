#pragma once

#include "ui/models/modelscontext.h"

#include <QWizard>

// "Add New...": a new model, its first page (name, picture, device, notes) and the set-up
// pages of its model class.
class AddModelWizard : public QWizard
{
    Q_OBJECT

public:
    explicit AddModelWizard(ModelsContext context, QWidget *parent = nullptr);
};
