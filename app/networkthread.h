#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QThread;

// The thread that owns the shared network access manager and every network reply. Work
// reaches it only through invoke(); results go back by queued calls.
class NetworkService
{
public:
    // The address whose system proxy is applied before every request.
    static inline const QUrl kProxyLookupUrl =
        QUrl(QStringLiteral("https://www.solvanehobby.com/"));
    static inline const QString kThreadName = QStringLiteral("ZanProg network");

    NetworkService();
    ~NetworkService(); // stops the thread; the process-wide service is never destroyed
    NetworkService(const NetworkService &) = delete;
    NetworkService &operator=(const NetworkService &) = delete;

    [[nodiscard]] QThread *thread() const { return m_thread; }

    // Queues `work` on the network thread. There the system proxy for kProxyLookupUrl is
    // looked up first and, when there is one, set on the shared manager; then `work` runs
    // with the manager.
    void invoke(std::function<void(QNetworkAccessManager *)> work);

private:
    QThread *m_thread;
    QNetworkAccessManager *m_manager;
};

// The process-wide network thread, created (and started) on first use; safe to call from
// any thread.
[[nodiscard]] QThread *networkThread();
void invokeInNetworkThread(std::function<void(QNetworkAccessManager *)> work);
