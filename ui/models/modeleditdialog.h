#pragma once

#include <QDialog>

#include <memory>

class Model;

// "Edit...": the model's name, picture, device and notes, changed through the model's info so
// that the library saves them.
class ModelEditDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ModelEditDialog(std::shared_ptr<Model> model, QWidget *parent = nullptr);
};
