#include "online/ui/logindialog.h"

#include "online/credentials.h"
#include "online/ui/registerdialog.h"
#include "online/zandorexsite.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSslError>
#include <QVBoxLayout>

namespace {

QString failureText(const LogInReply &reply)
{
    const QString generic = QObject::tr("An error occurred while trying to log in.");
    if (reply.networkError == QNetworkReply::NoError) {
        if (reply.siteError == ZandorexSiteError::InvalidCredentials)
            return QObject::tr("The username or password you entered is not correct, or your "
                               "account has not been activated.");
        return generic;
    }
    // One-pass arg(): a transport text holding "%2" must not pull the code into itself.
    QString text =
        generic +
        QStringLiteral("\n\n%1 (%2)").arg(reply.errorString, QString::number(reply.networkError));
    for (const QSslError &error : reply.sslErrors)
        text += QStringLiteral("\n%1 (%2)")
                    .arg(error.errorString(), QString::number(int(error.error())));
    return text;
}

void showError(QWidget *parent, const QString &text)
{
    auto *box =
        new QMessageBox(QMessageBox::Critical, QObject::tr("Error"), text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not exec(): the device work behind the main window keeps its event loop.
    box->open();
}

} // namespace

LogInDialog::LogInDialog(const OnlineContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_username(new QLineEdit(this))
    , m_password(new QLineEdit(this))
{
    Q_ASSERT(m_context.settings);
    setWindowTitle(tr("Log In"));
    setObjectName(QStringLiteral("logInDialog"));

    auto *intro = new QLabel(
        tr("You need to log into your ZandorexNet account before checking for an update."), this);
    intro->setWordWrap(true);

    m_username->setObjectName(QStringLiteral("username"));
    m_username->setAccessibleName(tr("Username"));
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setAccessibleName(tr("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_username->setText(m_context.settings->value(credentials::kUsernameKey).toString());
    m_password->setText(m_context.settings->value(credentials::kPasswordKey).toString());

    auto *form = new QFormLayout;
    form->addRow(tr("Username:"), m_username);
    form->addRow(tr("Password:"), m_password);

    auto *buttons = new QDialogButtonBox(this);
    m_logInButton = buttons->addButton(tr("Log In"), QDialogButtonBox::AcceptRole);
    m_logInButton->setObjectName(QStringLiteral("logInButton"));
    m_logInButton->setDefault(true);
    QPushButton *createAccount =
        buttons->addButton(tr("Create an Account..."), QDialogButtonBox::ActionRole);
    createAccount->setObjectName(QStringLiteral("createAccountButton"));
    buttons->addButton(QDialogButtonBox::Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_logInButton, &QPushButton::clicked, this, &LogInDialog::logInClicked);
    connect(createAccount, &QPushButton::clicked, this, &LogInDialog::createAccountClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &LogInDialog::reject);

    // A returning user usually only has the password left to type.
    if (m_username->text().isEmpty())
        m_username->setFocus();
    else
        m_password->setFocus();
}

LogInDialog::~LogInDialog()
{
    abortRequest();
}

void LogInDialog::reject()
{
    abortRequest();
    QDialog::reject();
}

void LogInDialog::logInClicked()
{
    if (m_reply)
        return;
    m_logInButton->setEnabled(false);
    m_requestedUsername = m_username->text();
    LogInReply *reply = ZandorexSite::logIn(m_requestedUsername, m_password->text());
    m_reply = reply;
    // The reply cleans up after itself, also when this dialog is gone by then.
    connect(reply, &ZandorexSiteReply::finished, reply, &QObject::deleteLater);
    connect(reply, &ZandorexSiteReply::finished, this, [this, reply] { logInFinished(reply); });
}

void LogInDialog::createAccountClicked()
{
    // This dialog may be deleted as soon as it closes; the register dialog lives on its own.
    QWidget *owner = parentWidget();
    const OnlineContext context = m_context;
    reject();
    auto *dialog = new RegisterDialog(context, owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void LogInDialog::logInFinished(LogInReply *reply)
{
    if (reply->isCancelled() || reply != m_reply)
        return;
    m_reply = nullptr;
    m_logInButton->setEnabled(true);
    if (!reply->succeeded()) {
        showError(this, failureText(*reply));
        return;
    }
    credentials::storeLogIn(*m_context.settings, m_requestedUsername, reply->userGuid,
                            reply->firstName, reply->lastName);
    if (m_context.accountChanged)
        m_context.accountChanged();
    accept();
}

void LogInDialog::abortRequest()
{
    if (!m_reply)
        return;
    m_reply->abort();
    m_reply = nullptr;
    m_logInButton->setEnabled(true);
}
