#include "app/ui/messageboxpresenter.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxPresenter::showMessage(MessageSeverity severity, const QString &title,
                                      const QString &text)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    if (severity == MessageSeverity::Warning)
        icon = QMessageBox::Warning;
    else if (severity == MessageSeverity::Critical)
        icon = QMessageBox::Critical;
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(box->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}
