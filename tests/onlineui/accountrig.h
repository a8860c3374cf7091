#pragma once

#include "online/credentials.h"
#include "online/siteconfig.h"
#include "online/ui/onlinecontext.h"
#include "online/zandorexsite.h"
#include "testservice/testservice.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace accounttest {

inline constexpr int kWaitMs = 10000;

inline const QString kUsername = QStringLiteral("pilot");
inline const QString kPassword = QStringLiteral("s3cret");
inline const QString kUserGuid = QStringLiteral("6f1c2a9e-3b7d-4c55-9a10-2f8e4b6d7c01");

// Records every message box that shows up, wherever it comes from, and answers it, so that a
// test sees exactly which boxes the user would have had to dismiss.
class MessageBoxCatcher
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { closeVisibleBoxes(); });
        m_timer.start();
    }

    [[nodiscard]] bool waitForBoxes(int count)
    {
        return QTest::qWaitFor([&] { return boxes.size() >= count; }, kWaitMs);
    }

    // "title: text" of each box, in the order they showed.
    QStringList boxes;

private:
    void closeVisibleBoxes()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible())
                continue;
            boxes.append(box->windowTitle() + QStringLiteral(": ") + box->text());
            box->done(QMessageBox::Ok);
        }
    }

    QTimer m_timer;
};

inline QString errorBox(const QString &text)
{
    return QStringLiteral("Error: ") + text;
}

// The first visible window of type T, e.g. a dialog another dialog opened.
template <typename T> T *visibleWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<T *>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

template <typename T> [[nodiscard]] T *waitForWindow()
{
    T *found = nullptr;
    (void)QTest::qWaitFor([&] { return (found = visibleWindow<T>()) != nullptr; }, kWaitMs);
    return found;
}

[[nodiscard]] inline bool waitUntilClosed(QDialog &dialog)
{
    return QTest::qWaitFor([&] { return !dialog.isVisible(); }, kWaitMs);
}

// A fault that hits the next request of `operation`. A dropped connection hits every request
// from then on: Qt sends a request again once when the connection closes before any answer.
inline testservice::Fault fault(const char *operation, testservice::FaultKind kind,
                                const QString &code = {})
{
    testservice::Fault fault;
    fault.operation = QString::fromLatin1(operation);
    fault.kind = kind;
    fault.code = code;
    fault.count = kind == testservice::FaultKind::CloseConnection ? 0 : 1;
    return fault;
}

inline QLineEdit *lineEdit(QWidget &dialog, const char *objectName)
{
    return dialog.findChild<QLineEdit *>(QString::fromLatin1(objectName));
}

inline QPushButton *button(QWidget &dialog, const char *objectName)
{
    return dialog.findChild<QPushButton *>(QString::fromLatin1(objectName));
}

// The settings on a temporary INI file, and the test service on loopback with the client
// pointed at it. The service knows one activated account (kUsername, kPassword, kUserGuid).
// With `untrustedTls` it speaks HTTPS with a self-signed certificate the client does not
// trust, so that every request fails in the TLS handshake.
class AccountRig
{
public:
    explicit AccountRig(bool untrustedTls = false)
    {
        settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")),
                                               QSettings::IniFormat);
        QObject::connect(&service, &testservice::TestService::requestReceived, &service,
                         [this](const QString &operation) { operations.append(operation); });
        service.addAccount({kUsername, kPassword, kUserGuid, QStringLiteral("Ada"),
                            QStringLiteral("Lovelace"), QStringLiteral("ada@example.com"), true});
        siteconfig::clearExtraTrustedCertificates();
        if (untrustedTls) {
            const QDir certificates(testservice::certificateFolder());
            QSslCertificate certificate;
            QSslKey key;
            if (!testservice::TestService::loadCertificate(
                    certificates.filePath(QStringLiteral("untrusted.pem")),
                    certificates.filePath(QStringLiteral("untrusted.key")), &certificate, &key))
                return;
            service.setCertificate(certificate, key);
        }
        m_ready = service.listen(0, &m_error) &&
                  siteconfig::setServiceUrlOverride(service.serviceUrl()).has_value();
    }

    ~AccountRig() { (void)siteconfig::setServiceUrlOverride(QUrl()); }

    AccountRig(const AccountRig &) = delete;
    AccountRig &operator=(const AccountRig &) = delete;

    // False when the service could not be started; `error()` then says why.
    [[nodiscard]] bool isReady() const { return m_ready; }
    [[nodiscard]] QString error() const { return m_error; }

    [[nodiscard]] OnlineContext context()
    {
        OnlineContext context;
        context.settings = settings.get();
        context.accountChanged = [this] { ++accountChangedCount; };
        return context;
    }

    void logInAs(const QString &userGuid)
    {
        credentials::storeLogIn(*settings, kUsername, userGuid, QStringLiteral("Ada"),
                                QStringLiteral("Lovelace"));
    }

    [[nodiscard]] int requestCount(const QString &operation) const
    {
        return int(operations.count(operation));
    }

    // Waits until every reply started before it has come back to this thread. Replies
    // travel back in the order the network thread finished them, and an aborted one is
    // finished there before a later request is even sent, so a test can then be sure that a
    // cancelled reply's late finished() has been delivered.
    [[nodiscard]] bool drainReplies()
    {
        std::unique_ptr<LogInReply> reply(ZandorexSite::logIn(kUsername, kPassword));
        bool finished = false;
        QObject::connect(reply.get(), &ZandorexSiteReply::finished, reply.get(),
                         [&] { finished = true; });
        return QTest::qWaitFor([&] { return finished; }, kWaitMs);
    }

    [[nodiscard]] bool waitForClosedConnections()
    {
        return QTest::qWaitFor([&] { return service.openConnectionCount() == 0; }, kWaitMs);
    }

    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    testservice::TestService service;
    // The request elements the service received, in order.
    QStringList operations;
    int accountChangedCount = 0;

private:
    bool m_ready = false;
    QString m_error;
};

} // namespace accounttest
