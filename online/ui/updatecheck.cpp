#include "online/ui/updatecheck.h"

#include "online/credentials.h"
#include "online/updatechoice.h"
#include "online/versions.h"
#include "online/zandorexsite.h"

#include <QSettings>

UpdateCheck::UpdateCheck(QSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_requestUpdates(&ZandorexSite::getUpdatesList)
{}

UpdateCheck::~UpdateCheck()
{
    abortPending();
}

void UpdateCheck::setPrompts(LogInPrompt logIn, RegisterDevicePrompt registerDevice)
{
    m_logIn = std::move(logIn);
    m_registerDevice = std::move(registerDevice);
}

void UpdateCheck::setDevice(const Device &device)
{
    ++m_generation;
    abortPending();
    m_device = device;
    m_available.clear();
    m_proposedIndex.reset();
}

void UpdateCheck::check(bool silent)
{
    const quint64 generation = ++m_generation;
    abortPending();
    m_available.clear();
    m_proposedIndex.reset();

    if (isUnprogrammedSerialNumber(m_device.serialNumber)) {
        setPage(Page::Error);
        return;
    }
    setPage(Page::Checking);
    if (userGuid().isEmpty()) {
        setPage(Page::LoginAndRegister);
        if (silent || !m_logIn)
            return;
        const QPointer<UpdateCheck> self(this);
        const bool loggedIn = m_logIn();
        // The dialog ran an event loop: this check may have been replaced, or its owner gone.
        if (!self || generation != m_generation || !loggedIn || userGuid().isEmpty())
            return;
        setPage(Page::Checking);
    }
    requestUpdates(silent);
}

std::optional<UpdateData> UpdateCheck::proposal() const
{
    if (!m_proposedIndex || *m_proposedIndex < 0 || *m_proposedIndex >= m_available.size())
        return std::nullopt;
    return m_available.at(*m_proposedIndex);
}

void UpdateCheck::setPage(Page page, const QString &errorMessage)
{
    m_page = page;
    m_errorMessage = errorMessage;
    emit pageChanged(page);
}

void UpdateCheck::requestUpdates(bool silent)
{
    UpdatesReply *reply = m_requestUpdates(userGuid(), m_device.serialNumber);
    if (!reply) {
        setPage(Page::Error, updateflow::kCheckFailedText);
        return;
    }
    m_pendingReply = reply;
    // The reply is ours whatever becomes of this check, also when it was aborted.
    connect(reply, &UpdatesReply::finished, reply, &QObject::deleteLater);
    connect(reply, &UpdatesReply::finished, this,
            [this, reply, silent] { handleReply(reply, silent); });
}

void UpdateCheck::handleReply(UpdatesReply *reply, bool silent)
{
    if (reply->isCancelled() || reply != m_pendingReply)
        return;
    m_pendingReply = nullptr;
    if (!reply->succeeded()) {
        handleFailure(*reply, silent);
        return;
    }
    UpdateChoice choice = chooseUpdates(reply->updates, m_device.version, m_device.productCode);
    m_available = std::move(choice.available);
    m_proposedIndex = choice.proposedIndex;
    setPage(proposal() ? Page::UpdateAvailable : Page::NoUpdates);
}

void UpdateCheck::handleFailure(const UpdatesReply &reply, bool silent)
{
    // The dialogs these outcomes lead to run from the event loop, not inside the reply's
    // signal, which must finish before anything can delete the reply.
    const quint64 generation = m_generation;
    const auto later = [this, generation](std::function<void()> step) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, step = std::move(step)] {
                if (generation == m_generation)
                    step();
            },
            Qt::QueuedConnection);
    };

    QString message = updateflow::kCheckFailedText;
    if (reply.networkError == QNetworkReply::NoError) {
        switch (reply.siteError) {
        case ZandorexSiteError::DeviceNotRegistered:
            setPage(Page::LoginAndRegister);
            if (silent || !m_registerDevice)
                return;
            later([this] {
                const QPointer<UpdateCheck> self(this);
                const quint64 generation = m_generation;
                const bool registered = m_registerDevice(m_device.serialNumber);
                if (self && generation == m_generation && registered)
                    check(false);
            });
            return;
        case ZandorexSiteError::InvalidUserGuid:
            credentials::forgetUserGuid(m_settings);
            setPage(Page::LoginAndRegister);
            if (!silent)
                later([this] { check(false); });
            return;
        case ZandorexSiteError::RegisteredToAnotherAccount:
            message += QLatin1Char(' ') + updateflow::kRegisteredToAnotherAccountText;
            break;
        default:
            break;
        }
    }
    setPage(Page::Error, message);
}

QString UpdateCheck::userGuid() const
{
    return credentials::account(m_settings).userGuid;
}

void UpdateCheck::abortPending()
{
    if (UpdatesReply *reply = m_pendingReply.data()) {
        m_pendingReply = nullptr;
        reply->abort();
    }
}
