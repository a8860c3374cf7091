#pragma once

#include "online/sitedata.h"
#include "online/zandorexsite.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QSettings;

namespace updateflow {

inline const QString kCheckFailedText = QStringLiteral("There was a problem checking for updates.");
inline const QString kRegisteredToAnotherAccountText =
    QStringLiteral("The device is registered to another account.");

} // namespace updateflow

// The online check of one device, without widgets: asks the service which updates exist,
// keeps those that fit the device and the one to propose, and says which page the device's
// update widget shows. The log-in and device registration it may need are asked of the user
// through prompts the widget installs.
class UpdateCheck : public QObject
{
    Q_OBJECT

public:
    enum class Page { LoginAndRegister, Checking, Error, NoUpdates, UpdateAvailable };

    struct Device
    {
        QString serialNumber;
        QString version; // dotted decimal
        int productCode = 0;
    };

    // Each prompt runs its dialog to the end and says whether the user went through with it.
    using LogInPrompt = std::function<bool()>;
    using RegisterDevicePrompt = std::function<bool(const QString &serialNumber)>;
    // Starts the updates-list request; the service client by default, tests hand in their own.
    using RequestUpdates =
        std::function<UpdatesReply *(const QString &userGuid, const QString &serialNumber)>;

    explicit UpdateCheck(QSettings &settings, QObject *parent = nullptr);
    // Aborts a request under way.
    ~UpdateCheck() override;

    void setPrompts(LogInPrompt logIn, RegisterDevicePrompt registerDevice);
    void setRequestUpdates(RequestUpdates request) { m_requestUpdates = std::move(request); }

    // Forgets the previous device's outcome; the caller runs the check.
    void setDevice(const Device &device);
    [[nodiscard]] const Device &device() const { return m_device; }

    // A silent check never opens a dialog: without a log-in it stops at the log-in page.
    // A check started while another one runs replaces it.
    void check(bool silent);

    [[nodiscard]] Page page() const { return m_page; }
    // The text of the error page; empty for a device without a serial number.
    [[nodiscard]] const QString &errorMessage() const { return m_errorMessage; }
    [[nodiscard]] bool isChecking() const { return m_pendingReply != nullptr; }

    // The offered updates that fit the device, in the service's order.
    [[nodiscard]] const QList<UpdateData> &availableUpdates() const { return m_available; }
    [[nodiscard]] std::optional<UpdateData> proposal() const;

signals:
    void pageChanged(UpdateCheck::Page page);

private:
    void setPage(Page page, const QString &errorMessage = {});
    void requestUpdates(bool silent);
    void handleReply(UpdatesReply *reply, bool silent);
    void handleFailure(const UpdatesReply &reply, bool silent);
    [[nodiscard]] QString userGuid() const;
    void abortPending();

    QSettings &m_settings;
    LogInPrompt m_logIn;
    RegisterDevicePrompt m_registerDevice;
    RequestUpdates m_requestUpdates;

    Device m_device;
    Page m_page = Page::Checking;
    QString m_errorMessage;
    QPointer<UpdatesReply> m_pendingReply;
    QList<UpdateData> m_available;
    std::optional<int> m_proposedIndex;
    // Counts checks, so that one that waited in a dialog sees whether another replaced it.
    quint64 m_generation = 0;
};
