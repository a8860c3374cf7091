#pragma once

#include "online/ui/onlinecontext.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;
class RegisterReply;

// Creates an account on the service. Accepted after the service took the registration; the
// "Almost Done..." box follows on the dialog's parent. Cancel, Escape and the window's close
// button abort a registration that is still running.
class RegisterDialog : public QDialog
{
    Q_OBJECT

public:
    // Registering stores nothing (the new account needs activating and a log-in first); the
    // context is taken so that all account dialogs are made alike.
    explicit RegisterDialog(const OnlineContext &context, QWidget *parent = nullptr);
    ~RegisterDialog() override;

    void reject() override;

public slots:
    void registerClicked();
    void cancelClicked();

private:
    [[nodiscard]] QLineEdit *addLineEdit(const QString &objectName, const QString &accessibleName,
                                         bool password = false);
    [[nodiscard]] QString confirmationMismatch() const;
    void registerFinished(RegisterReply *reply);
    void abortRequest();

    QLineEdit *m_username = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_confirmPassword = nullptr;
    QLineEdit *m_firstName = nullptr;
    QLineEdit *m_lastName = nullptr;
    QLineEdit *m_email = nullptr;
    QLineEdit *m_confirmEmail = nullptr;
    QLineEdit *m_addressLine1 = nullptr;
    QLineEdit *m_addressLine2 = nullptr;
    QLineEdit *m_city = nullptr;
    QComboBox *m_state = nullptr;
    QLineEdit *m_postalCode = nullptr;
    QComboBox *m_country = nullptr;
    QPushButton *m_registerButton = nullptr;
    QPointer<RegisterReply> m_reply;
    // The address as sent; the activation e-mail goes there.
    QString m_requestedEmail;
};
