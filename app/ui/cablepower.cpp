#include "app/ui/cablepower.h"

#include "app/log.h"
#include "device/deviceconnection.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace cablepower {

namespace {

void powerOn(DeviceConnection *connection)
{
    connection->powerOn([](DeviceConnectionError error) {
        if (error != DeviceConnectionError::NoError)
            log(QStringLiteral("DeviceConnection"), QStringLiteral("Powering the cable failed: %1")
                                                        .arg(DeviceConnection::errorString(error)));
    });
}

} // namespace

void powerOnWithWarning(DeviceConnection *connection, QCheckBox *checkBox)
{
    if (QApplication::queryKeyboardModifiers() & Qt::ShiftModifier) {
        powerOn(connection);
        return;
    }
    auto *box = new QMessageBox(QApplication::activeWindow());
    box->setWindowTitle(QString::fromLatin1(kWarningTitle));
    box->setIcon(QMessageBox::Warning);
    box->setText(
        QStringLiteral("To ensure your computer is not damaged, be sure there is no battery "
                       "plugged into the receiver when the computer cable is powered."));
    QPushButton *cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->addButton(QStringLiteral("Power Cable"), QMessageBox::AcceptRole);
    // Powering is the choice that can do harm: it must be picked, never fallen into.
    box->setDefaultButton(cancel);
    box->setWindowModality(Qt::WindowModal);
    QPointer<DeviceConnection> guardedConnection(connection);
    QPointer<QCheckBox> guardedCheckBox(checkBox);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, guardedConnection, guardedCheckBox](int result) {
                         box->deleteLater();
                         if (result == 1 && guardedConnection && guardedConnection->isOpen())
                             powerOn(guardedConnection);
                         else if (result == 0 && guardedCheckBox)
                             guardedCheckBox->setChecked(false);
                     });
    box->open();
}

} // namespace cablepower
