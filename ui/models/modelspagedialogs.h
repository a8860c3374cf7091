#pragma once

#include "ui/models/modelspagecontroller.h"

#include <QMessageBox>
#include <QString>

// The standard dialogs of the models page and the trash dialog.

// A question with a cancelling button and an accepting one of `acceptRole`; true when the
// accepting one was clicked. Waits for the answer: the operation that asks cannot go on
// without it.
[[nodiscard]] bool askModelQuestion(QWidget *parent, const QString &title, const QString &text,
                                    const QString &cancelText, const QString &acceptText,
                                    QMessageBox::ButtonRole acceptRole);

// The critical box titled "Error" of a failed operation, shown without waiting for it.
void showModelError(QWidget *parent, const QString &text);

// A file dialog as the request says; the chosen path, or empty when the user cancelled.
[[nodiscard]] QString chooseModelFile(QWidget *parent,
                                      const ModelsPageController::FileRequest &request);
