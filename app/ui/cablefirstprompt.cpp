#include "app/ui/cablefirstprompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

CableFirstPromptBox::CableFirstPromptBox(std::function<void(int)> finished)
    : m_finished(std::move(finished))
{}

void CableFirstPromptBox::showPrompt()
{
    if (m_box)
        return;
    auto *box = new QMessageBox(QApplication::activeWindow());
    box->setWindowTitle(QStringLiteral("Cable First"));
    box->setText(QStringLiteral(
        "You need to plug the programming cable in before opening this app the first time."));
    box->setIcon(QMessageBox::Information);
    box->addButton(QStringLiteral("Exit"), QMessageBox::RejectRole);
    QPushButton *openAnyway =
        box->addButton(QStringLiteral("Open Anyway"), QMessageBox::AcceptRole);
    box->setDefaultButton(openAnyway);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, box, [this, box](int result) {
        box->deleteLater();
        if (m_box == box)
            m_box.clear();
        if (m_finished)
            m_finished(result);
    });
    m_box = box;
    box->open();
}

void CableFirstPromptBox::acceptPrompt()
{
    if (m_box)
        m_box->done(1);
}
