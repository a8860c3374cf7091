#pragma once

#include <QDialog>

#include <memory>

class EditModelWidget;
class Model;
class QDialogButtonBox;

// "Edit...": the model's name, picture, device and notes, changed through the model's info so
// that the library saves them. Nothing reaches the model before OK: Cancel, Escape or closing
// the window leave it exactly as it was, and OK writes only what the user changed.
class ModelEditDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ModelEditDialog(std::shared_ptr<Model> model, QWidget *parent = nullptr);
    ~ModelEditDialog() override;

    [[nodiscard]] EditModelWidget *editWidget() const { return m_editWidget; }

    void accept() override;

private:
    void updateOkButton();

    std::shared_ptr<Model> m_model;
    EditModelWidget *m_editWidget = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
