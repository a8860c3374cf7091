#pragma once

#include "online/sitedata.h"

#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QSslError>

#include <atomic>
#include <functional>
#include <memory>

class QBuffer;
struct ZandorexSiteExchange;
class ZandorexSiteReply;
using ExchangeCompletion = std::function<void(const QByteArray &body, ZandorexSiteReply *reply)>;

// One service call as the calling thread sees it. Created parentless on the calling thread;
// finished() comes exactly once, there, also after abort(). The owner deletes it after
// finished(), typically with deleteLater. Deleting it earlier is safe too: the request is
// cancelled and its results are dropped.
class ZandorexSiteReply : public QObject
{
    Q_OBJECT

public:
    ZandorexSiteReply();
    ~ZandorexSiteReply() override;

    // The transport reply while the request is in flight; touched only on the network thread.
    QNetworkReply *networkReply = nullptr;
    // 0 = transport success; OperationCanceledError after abort().
    int networkError = QNetworkReply::NoError;
    QString errorString;
    QList<QSslError> sslErrors;
    // Meaningful only when networkError is 0.
    ZandorexSiteError siteError = ZandorexSiteError::NoError;

    [[nodiscard]] bool isCancelled() const
    {
        return networkError == QNetworkReply::OperationCanceledError;
    }
    [[nodiscard]] bool succeeded() const
    {
        return networkError == QNetworkReply::NoError && siteError == ZandorexSiteError::NoError;
    }

signals:
    void finished();

public slots:
    // Cancels at once (networkError becomes OperationCanceledError); finished() still comes.
    // Does nothing once finished() has been emitted. A reply that ZandorexSite did not start
    // (a test's stand-in) only records the cancel.
    void abort();

private:
    friend void startExchange(ZandorexSiteReply *reply, std::shared_ptr<QBuffer> request,
                              ExchangeCompletion completion);
    std::shared_ptr<ZandorexSiteExchange> m_exchange;
};

// Sends `request` to the service for `reply` (fresh, not started yet) on the network thread;
// `completion` runs on the reply's thread with the body when the transport succeeded and the
// reply was not cancelled, before finished().
void startExchange(ZandorexSiteReply *reply, std::shared_ptr<QBuffer> request,
                   ExchangeCompletion completion);

class LogInReply : public ZandorexSiteReply
{
    Q_OBJECT
public:
    QString userGuid;
    QString firstName;
    QString lastName;
};

class RegisterReply : public ZandorexSiteReply
{
    Q_OBJECT
public:
    QString userGuid;
};

class UpdatesReply : public ZandorexSiteReply
{
    Q_OBJECT
public:
    QList<UpdateData> updates;
};

// The account and update service. Each call returns at once with a new reply the caller
// owns; the exchange runs on the network thread.
class ZandorexSite
{
public:
    [[nodiscard]] static LogInReply *logIn(const QString &username, const QString &password);
    [[nodiscard]] static RegisterReply *register_(const RegisterData &data);
    [[nodiscard]] static ZandorexSiteReply *registerDevice(const QString &userGuid,
                                                           const RegisterDeviceData &data);
    [[nodiscard]] static UpdatesReply *getUpdatesList(const QString &userGuid,
                                                      const QString &serialNumber);

    // Where the client's trace lines ("creating LoginUserRequest", the raw response bodies,
    // "response: ...") go; by default standard output. zanprog points them at its verbose
    // output so they never mix with what it prints for scripts.
    static void setTraceSink(std::function<void(const QString &line)> sink);
    // Writes one trace line to the sink.
    static void trace(const QString &line);
};

using DownloadCompletion = std::function<void(QNetworkReply::NetworkError error, QByteArray body)>;
// One download as the network thread sees it: the transport reply while the GET runs (null
// before and after), and whether the caller aborted it, which also stops a GET that has not
// started yet. Shared, so that a caller destroyed while its download runs leaves the network
// thread nothing dangling to write.
struct DownloadState
{
    std::atomic<QNetworkReply *> reply = nullptr;
    std::atomic<bool> cancelled = false;
};
// One handle serves one download: an aborted handle stays aborted, so make a new one for the
// next download.
using DownloadHandle = std::shared_ptr<DownloadState>;

[[nodiscard]] inline DownloadHandle makeDownloadHandle()
{
    return std::make_shared<DownloadState>();
}

// A plain GET of `url` on the network thread. While it runs, `handle` holds the transport
// reply so that abortDownload can reach it there. `completion` is queued to the calling
// thread with the error code and, on success, the body; a body larger than `maxBytes` is
// aborted and reported as QNetworkReply::UnknownContentError. Callers that may be gone when
// it arrives guard their captures (QPointer).
void downloadFile(const QUrl &url, const DownloadHandle &handle, DownloadCompletion completion,
                  qint64 maxBytes);
// Aborts the download `handle` holds, if it still runs; its completion then reports
// OperationCanceledError.
void abortDownload(const DownloadHandle &handle);
