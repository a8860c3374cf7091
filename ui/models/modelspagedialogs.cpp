#include "ui/models/modelspagedialogs.h"

#include "models/libraryoperations.h"

#include <QFileDialog>
#include <QPushButton>

bool askModelQuestion(QWidget *parent, const QString &title, const QString &text,
                      const QString &cancelText, const QString &acceptText,
                      QMessageBox::ButtonRole acceptRole)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton *cancel = box.addButton(cancelText, QMessageBox::RejectRole);
    QPushButton *accept = box.addButton(acceptText, acceptRole);
    // Enter alone must not delete or copy anything.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == accept;
}

void showModelError(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Critical, libraryoperations::kErrorTitle, text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QString chooseModelFile(QWidget *parent, const ModelsPageController::FileRequest &request)
{
    QFileDialog dialog(parent, request.title, request.directory);
    dialog.setNameFilters(request.filters);
    if (request.mode == ModelsPageController::FileRequest::Mode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.selectFile(request.suggestedPath);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
