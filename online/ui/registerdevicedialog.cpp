#include "online/ui/registerdevicedialog.h"

#include "online/credentials.h"
#include "online/ui/logindialog.h"
#include "online/versions.h"
#include "online/zandorexsite.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <utility>

namespace {

// What the service says about a device it would not register; any other verdict, and any
// transport failure, gets the generic text.
constexpr std::pair<ZandorexSiteError, const char *> kRefusalTexts[] = {
    {ZandorexSiteError::DeviceAlreadyRegistered,
     QT_TRANSLATE_NOOP("RegisterDeviceDialog", "The device is already registered.")},
    {ZandorexSiteError::DeviceNotRegistrable,
     QT_TRANSLATE_NOOP("RegisterDeviceDialog", "This product cannot be registered.")},
    {ZandorexSiteError::SerialNumberNotRecognized,
     QT_TRANSLATE_NOOP("RegisterDeviceDialog",
                       "The device's serial number was not recognized. Please call customer "
                       "service to fix this problem.")},
};

QString failureText(const ZandorexSiteReply &reply)
{
    if (reply.networkError == QNetworkReply::NoError) {
        for (const auto &[error, text] : kRefusalTexts) {
            if (reply.siteError == error)
                return RegisterDeviceDialog::tr(text);
        }
    }
    return RegisterDeviceDialog::tr("An error occurred while trying to register device.");
}

void showError(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Critical, RegisterDeviceDialog::tr("Error"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

RegisterDeviceDialog::RegisterDeviceDialog(const OnlineContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_serialNumberLabel(new QLabel(this))
    , m_nickname(new QLineEdit(this))
    , m_notify(new QCheckBox(
          tr("Please notify me about Zandorex updates for my products and new releases."), this))
{
    Q_ASSERT(m_context.settings);
    setWindowTitle(tr("Register Device"));
    setObjectName(QStringLiteral("registerDeviceDialog"));

    auto *intro = new QLabel(tr("You need to register this device to your ZandorexNet account "
                                "before checking for an update or downloading model files."),
                             this);
    intro->setWordWrap(true);

    m_serialNumberLabel->setObjectName(QStringLiteral("serialNumber"));
    // Users read it out to customer service, so it can be copied.
    m_serialNumberLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_nickname->setObjectName(QStringLiteral("nickname"));
    m_nickname->setAccessibleName(tr("Nickname"));
    m_notify->setObjectName(QStringLiteral("notify"));

    auto *form = new QFormLayout;
    form->addRow(tr("Serial Number:"), m_serialNumberLabel);
    form->addRow(tr("Nickname:"), m_nickname);

    auto *buttons = new QDialogButtonBox(this);
    m_registerButton = buttons->addButton(tr("Register Device"), QDialogButtonBox::AcceptRole);
    m_registerButton->setObjectName(QStringLiteral("registerDeviceButton"));
    m_registerButton->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_notify);
    layout->addWidget(buttons);

    connect(m_registerButton, &QPushButton::clicked, this,
            &RegisterDeviceDialog::registerDeviceClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &RegisterDeviceDialog::reject);
    m_nickname->setFocus();
}

RegisterDeviceDialog::~RegisterDeviceDialog()
{
    abortRequest();
}

void RegisterDeviceDialog::setSerialNumber(const QString &serialNumber)
{
    m_serialNumber = serialNumber;
    m_serialNumberLabel->setText(serialNumberDisplayForm(serialNumber));
}

void RegisterDeviceDialog::reject()
{
    abortRequest();
    QDialog::reject();
}

void RegisterDeviceDialog::registerDeviceClicked()
{
    if (m_reply)
        return;
    m_registerButton->setEnabled(false);

    RegisterDeviceData data;
    data.serialNumber = m_serialNumber;
    data.nickname = m_nickname->text();
    data.notifyUpdatesAndNewReleases = m_notify->isChecked();
    const QString userGuid = credentials::account(*m_context.settings).userGuid;

    ZandorexSiteReply *reply = ZandorexSite::registerDevice(userGuid, data);
    m_reply = reply;
    connect(reply, &ZandorexSiteReply::finished, reply, &QObject::deleteLater);
    connect(reply, &ZandorexSiteReply::finished, this, [this, reply] { registerFinished(reply); });
}

void RegisterDeviceDialog::registerFinished(ZandorexSiteReply *reply)
{
    if (reply->isCancelled() || reply != m_reply)
        return;
    m_reply = nullptr;
    m_registerButton->setEnabled(true);
    if (reply->succeeded()) {
        accept();
        return;
    }
    if (reply->networkError == QNetworkReply::NoError &&
        reply->siteError == ZandorexSiteError::InvalidUserGuid) {
        logInAgain();
        return;
    }
    showError(this, failureText(*reply));
}

// The service no longer knows the stored account (it was removed, or logged in elsewhere
// under another one): forget it, and once the user has logged in again, retry as if OK had
// been pressed once more.
void RegisterDeviceDialog::logInAgain()
{
    credentials::forgetUserGuid(*m_context.settings);
    if (m_context.accountChanged)
        m_context.accountChanged();
    auto *dialog = new LogInDialog(m_context, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, m_registerButton, &QPushButton::click);
    dialog->open();
}

void RegisterDeviceDialog::abortRequest()
{
    if (!m_reply)
        return;
    m_reply->abort();
    m_reply = nullptr;
    m_registerButton->setEnabled(true);
}
