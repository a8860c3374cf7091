#pragma once

#include "online/ui/onlinecontext.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ZandorexSiteReply;

// Registers the attached device to the logged-in account. Accepted after a successful
// registration; a stale log-in asks for a new one and retries by itself. Cancel, Escape and
// the window's close button abort a registration that is still running.
class RegisterDeviceDialog : public QDialog
{
    Q_OBJECT

public:
    // `context.settings` must be set: the account's GUID is read from there.
    explicit RegisterDeviceDialog(const OnlineContext &context, QWidget *parent = nullptr);
    ~RegisterDeviceDialog() override;

    void setSerialNumber(const QString &serialNumber);

    void reject() override;

public slots:
    void registerDeviceClicked();

private:
    void registerFinished(ZandorexSiteReply *reply);
    void logInAgain();
    void abortRequest();

    OnlineContext m_context;
    QString m_serialNumber;
    QLabel *m_serialNumberLabel = nullptr;
    QLineEdit *m_nickname = nullptr;
    QCheckBox *m_notify = nullptr;
    QPushButton *m_registerButton = nullptr;
    QPointer<ZandorexSiteReply> m_reply;
};
