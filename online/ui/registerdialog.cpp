#include "online/ui/registerdialog.h"

#include "online/countries.h"
#include "online/zandorexsite.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

// What the service says about a form it refused; any other verdict gets the generic text.
constexpr std::pair<ZandorexSiteError, const char *> kRefusalTexts[] = {
    {ZandorexSiteError::EmailAlreadyRegistered,
     QT_TRANSLATE_NOOP("RegisterDialog",
                       "The email you entered is already registered to an account.")},
    {ZandorexSiteError::UsernameTaken,
     QT_TRANSLATE_NOOP("RegisterDialog", "The username you entered is already taken.")},
    {ZandorexSiteError::InvalidEmail,
     QT_TRANSLATE_NOOP("RegisterDialog", "The email you entered is not a valid format.")},
    {ZandorexSiteError::InvalidPassword,
     QT_TRANSLATE_NOOP("RegisterDialog", "The password you entered is not valid.")},
    {ZandorexSiteError::InvalidUsername,
     QT_TRANSLATE_NOOP("RegisterDialog", "The username you entered is not valid.")},
};

QString failureText(const RegisterReply &reply)
{
    if (reply.networkError == QNetworkReply::NoError) {
        for (const auto &[error, text] : kRefusalTexts) {
            if (reply.siteError == error)
                return RegisterDialog::tr(text);
        }
    }
    return RegisterDialog::tr("An error occurred while trying to register.");
}

void showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void fillChoices(QComboBox *box, const QStringList &pairs)
{
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
        box->addItem(pairs.at(i + 1), pairs.at(i));
}

} // namespace

RegisterDialog::RegisterDialog(const OnlineContext &, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Register"));
    setObjectName(QStringLiteral("registerDialog"));

    auto *intro = new QLabel(
        tr("Enter the following information to register an account on ZandorexNet."), this);
    intro->setWordWrap(true);

    // Created in the order of the form, so that Tab walks down it.
    auto *loginGroup = new QGroupBox(tr("Login Information"), this);
    auto *loginForm = new QFormLayout(loginGroup);
    m_username = addLineEdit(QStringLiteral("username"), tr("Username"));
    m_password = addLineEdit(QStringLiteral("password"), tr("Password"), true);
    m_confirmPassword =
        addLineEdit(QStringLiteral("confirmPassword"), tr("Confirm Password"), true);
    loginForm->addRow(tr("Username:"), m_username);
    loginForm->addRow(tr("Password:"), m_password);
    loginForm->addRow(tr("Confirm Password:"), m_confirmPassword);

    auto *userGroup = new QGroupBox(tr("User Information"), this);
    auto *userForm = new QFormLayout(userGroup);
    m_firstName = addLineEdit(QStringLiteral("firstName"), tr("First Name"));
    m_lastName = addLineEdit(QStringLiteral("lastName"), tr("Last Name"));
    m_email = addLineEdit(QStringLiteral("email"), tr("Email Address"));
    m_confirmEmail = addLineEdit(QStringLiteral("confirmEmail"), tr("Confirm Email Address"));
    m_addressLine1 = addLineEdit(QStringLiteral("addressLine1"), tr("Street Address"));
    m_addressLine2 = addLineEdit(QStringLiteral("addressLine2"), tr("Street Address, line 2"));
    m_city = addLineEdit(QStringLiteral("city"), tr("City"));
    m_state = new QComboBox(this);
    m_state->setObjectName(QStringLiteral("state"));
    m_state->setAccessibleName(tr("State/Province"));
    fillChoices(m_state, countries::stateList());
    // Most of the world has no entry here: the box starts empty and sends nothing.
    m_state->setCurrentIndex(-1);
    m_postalCode = addLineEdit(QStringLiteral("postalCode"), tr("Postal Code"));
    m_country = new QComboBox(this);
    m_country->setObjectName(QStringLiteral("country"));
    m_country->setAccessibleName(tr("Country"));
    fillChoices(m_country, countries::countryList());
    userForm->addRow(tr("First Name:"), m_firstName);
    userForm->addRow(tr("Last Name:"), m_lastName);
    userForm->addRow(tr("Email Address:"), m_email);
    userForm->addRow(tr("Confirm Email Address:"), m_confirmEmail);
    userForm->addRow(tr("Street Address:"), m_addressLine1);
    userForm->addRow(tr("Street Address:"), m_addressLine2);
    userForm->addRow(tr("City:"), m_city);
    userForm->addRow(tr("State/Province:"), m_state);
    userForm->addRow(tr("Postal Code:"), m_postalCode);
    userForm->addRow(tr("Country:"), m_country);

    auto *buttons = new QDialogButtonBox(this);
    m_registerButton = buttons->addButton(tr("Register"), QDialogButtonBox::AcceptRole);
    m_registerButton->setObjectName(QStringLiteral("registerButton"));
    m_registerButton->setDefault(true);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(loginGroup);
    layout->addWidget(userGroup);
    layout->addWidget(buttons);

    connect(m_registerButton, &QPushButton::clicked, this, &RegisterDialog::registerClicked);
    connect(cancel, &QPushButton::clicked, this, &RegisterDialog::cancelClicked);
    m_username->setFocus();
}

RegisterDialog::~RegisterDialog()
{
    abortRequest();
}

void RegisterDialog::reject()
{
    abortRequest();
    QDialog::reject();
}

void RegisterDialog::registerClicked()
{
    if (m_reply)
        return;
    if (const QString mismatch = confirmationMismatch(); !mismatch.isEmpty()) {
        showBox(this, QMessageBox::Critical, tr("Error"), mismatch);
        return;
    }
    m_registerButton->setEnabled(false);

    RegisterData data;
    data.cultureInfoName = QStringLiteral("en");
    data.username = m_username->text();
    data.password = m_password->text();
    data.firstName = m_firstName->text();
    data.lastName = m_lastName->text();
    data.email = m_email->text();
    data.addressLine1 = m_addressLine1->text();
    data.addressLine2 = m_addressLine2->text();
    data.city = m_city->text();
    data.stateAbbr = m_state->currentData().toString();
    data.postalCode = m_postalCode->text();
    data.countryCode = m_country->currentData().toString();
    // The form offers no choice, so nobody is signed up for mail they did not ask for.
    data.emailNotify = false;
    m_requestedEmail = data.email;

    RegisterReply *reply = ZandorexSite::register_(data);
    m_reply = reply;
    connect(reply, &ZandorexSiteReply::finished, reply, &QObject::deleteLater);
    connect(reply, &ZandorexSiteReply::finished, this, [this, reply] { registerFinished(reply); });
}

void RegisterDialog::cancelClicked()
{
    reject();
}

QLineEdit *RegisterDialog::addLineEdit(const QString &objectName, const QString &accessibleName,
                                       bool password)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    if (password)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// A typing slip in a hidden password or in the address the activation mail goes to would
// leave an account nobody can use; the service cannot tell, so the form checks.
QString RegisterDialog::confirmationMismatch() const
{
    if (m_confirmPassword->text() != m_password->text())
        return tr("The passwords you entered do not match.");
    if (m_confirmEmail->text() != m_email->text())
        return tr("The email addresses you entered do not match.");
    return {};
}

void RegisterDialog::registerFinished(RegisterReply *reply)
{
    if (reply->isCancelled() || reply != m_reply)
        return;
    m_reply = nullptr;
    m_registerButton->setEnabled(true);
    if (!reply->succeeded()) {
        showBox(this, QMessageBox::Critical, tr("Error"), failureText(*reply));
        return;
    }
    // The box belongs to the parent: this dialog may be deleted as soon as it closes.
    QWidget *owner = parentWidget();
    const QString text =
        tr("We've sent an email to %1. Open it up to activate your account.").arg(m_requestedEmail);
    accept();
    showBox(owner, QMessageBox::Information, tr("Almost Done..."), text);
}

void RegisterDialog::abortRequest()
{
    if (!m_reply)
        return;
    m_reply->abort();
    m_reply = nullptr;
    m_registerButton->setEnabled(true);
}
