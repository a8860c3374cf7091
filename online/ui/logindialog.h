#pragma once

#include "online/ui/onlinecontext.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class LogInReply;
class QLineEdit;
class QPushButton;

// Logs in to the account service and remembers the account in the settings. Accepted after a
// successful log-in; "Create an Account..." closes it and opens the register dialog.
// Cancel, Escape and the window's close button abort a log-in that is still running.
class LogInDialog : public QDialog
{
    Q_OBJECT

public:
    // `context.settings` must be set; `context.accountChanged` is called after a log-in.
    explicit LogInDialog(const OnlineContext &context, QWidget *parent = nullptr);
    ~LogInDialog() override;

    void reject() override;

public slots:
    void logInClicked();
    void createAccountClicked();

private:
    void logInFinished(LogInReply *reply);
    void abortRequest();

    OnlineContext m_context;
    QLineEdit *m_username = nullptr;
    QLineEdit *m_password = nullptr;
    QPushButton *m_logInButton = nullptr;
    QPointer<LogInReply> m_reply;
    // The name as it was typed when "Log In" was pressed; the box may change while waiting.
    QString m_requestedUsername;
};
