#include "online/zandorexsite.h"

#include "app/networkthread.h"
#include "online/siteconfig.h"
#include "online/siterequests.h"
#include "online/siteresponses.h"
#include "online/sitetransport.h"

#include <QBuffer>
#include <QMetaObject>
#include <QNetworkAccessManager>

#include <cstdio>
#include <mutex>

// What the calling thread and the network thread share about one request. The reply pointer
// is guarded by the mutex because the owner may delete the reply while the network thread is
// about to post to it; a post made under the mutex either sees null or lands in the reply's
// event queue, which its destruction empties.
struct ZandorexSiteExchange
{
    std::mutex mutex;
    ZandorexSiteReply *reply = nullptr;
    // Set by abort() or by deleting the reply; read by the network thread before sending and
    // to tell a transfer timeout from a cancel.
    std::atomic<bool> cancelled = false;
    // Calling thread only.
    bool finished = false;
    // Network thread only.
    QNetworkReply *transport = nullptr;

    // Queues `work` on the reply's thread, unless the reply is gone.
    template <typename Work> void postToReply(Work work)
    {
        const std::lock_guard lock(mutex);
        if (reply)
            QMetaObject::invokeMethod(reply, std::move(work), Qt::QueuedConnection);
    }

    // Network thread: the transport reply's pointer, kept in the reply's field as well.
    void setTransport(QNetworkReply *transportReply)
    {
        transport = transportReply;
        const std::lock_guard lock(mutex);
        if (reply)
            reply->networkReply = transportReply;
    }

    // Calling thread: asks the network thread to abort the transport, which may not exist yet
    // (then the cancelled flag stops the send).
    static void cancel(const std::shared_ptr<ZandorexSiteExchange> &exchange)
    {
        exchange->cancelled = true;
        invokeInNetworkThread([exchange](QNetworkAccessManager *) {
            if (exchange->transport)
                exchange->transport->abort();
        });
    }
};

namespace {

const QString kTooLargeMessage = QStringLiteral("The service's answer is larger than 1 MiB.");

struct TraceSink
{
    std::mutex mutex;
    std::function<void(const QString &)> sink;
};

TraceSink &traceSink()
{
    static TraceSink instance;
    return instance;
}

void writeToStandardOutput(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// Network thread: the reply's result, delivered to it on its own thread.
void deliver(const std::shared_ptr<ZandorexSiteExchange> &exchange,
             const ExchangeCompletion &completion, sitetransport::Outcome outcome)
{
    exchange->postToReply([exchange, completion, outcome = std::move(outcome)] {
        ZandorexSiteReply *reply = exchange->reply;
        exchange->finished = true;
        if (reply->networkError == QNetworkReply::NoError) {
            reply->networkError = outcome.error;
            reply->errorString = outcome.errorString;
        }
        // A reply cancelled after the transport had already succeeded still reports only
        // the cancel: its handlers ignore it, so nothing may be parsed into it.
        if (reply->networkError == QNetworkReply::NoError)
            completion(outcome.body, reply);
        emit reply->finished();
    });
}

// Network thread: sends the request, unless it was cancelled before it got here.
void send(QNetworkAccessManager *manager, const std::shared_ptr<ZandorexSiteExchange> &exchange,
          const QNetworkRequest &request, const std::shared_ptr<QBuffer> &body,
          const ExchangeCompletion &completion)
{
    if (exchange->cancelled) {
        deliver(exchange, completion, {QNetworkReply::OperationCanceledError, QString(), {}});
        return;
    }
    sitetransport::applyTrustChanges(manager);
    QNetworkReply *transport = manager->sendCustomRequest(request, "POST", body.get());
    exchange->setTransport(transport);

    QObject::connect(transport, &QNetworkReply::sslErrors, transport,
                     [exchange](const QList<QSslError> &errors) {
                         exchange->postToReply(
                             [exchange, errors] { exchange->reply->sslErrors = errors; });
                     });
    // The body buffer rides along in the completion until the transport is done with it.
    sitetransport::follow(
        transport, siteconfig::kMaxResponseBytes, kTooLargeMessage,
        [exchange] { return exchange->cancelled.load(); },
        [exchange, completion, body](sitetransport::Outcome outcome) {
            exchange->setTransport(nullptr);
            deliver(exchange, completion, std::move(outcome));
        });
}

// The four operations share this: the reply is created here, on the calling thread, and the
// exchange runs on the network thread.
template <typename Reply>
Reply *genericRequest(std::shared_ptr<QBuffer> request,
                      std::function<void(const QByteArray &body, Reply *reply)> completion)
{
    auto *reply = new Reply;
    startExchange(
        reply, std::move(request),
        [completion = std::move(completion)](const QByteArray &body, ZandorexSiteReply *base) {
            ZandorexSite::trace(QString::fromUtf8(body));
            completion(body, static_cast<Reply *>(base));
        });
    return reply;
}

} // namespace

void startExchange(ZandorexSiteReply *reply, std::shared_ptr<QBuffer> request,
                   ExchangeCompletion completion)
{
    auto exchange = std::make_shared<ZandorexSiteExchange>();
    exchange->reply = reply;
    reply->m_exchange = exchange;

    // Read here, so that the request goes where the configuration said when it was made.
    const QNetworkRequest networkRequest = sitetransport::makeRequest(siteconfig::serviceUrl());
    // The transport reads the buffer on the network thread, and the buffer is deleted there.
    request->moveToThread(networkThread());
    invokeInNetworkThread([exchange, networkRequest, request = std::move(request),
                           completion = std::move(completion)](QNetworkAccessManager *manager) {
        send(manager, exchange, networkRequest, request, completion);
    });
}

ZandorexSiteReply::ZandorexSiteReply() = default;

ZandorexSiteReply::~ZandorexSiteReply()
{
    if (!m_exchange)
        return;
    {
        const std::lock_guard lock(m_exchange->mutex);
        m_exchange->reply = nullptr;
    }
    if (!m_exchange->finished)
        ZandorexSiteExchange::cancel(m_exchange);
}

void ZandorexSiteReply::abort()
{
    if ((m_exchange && m_exchange->finished) || isCancelled())
        return;
    networkError = QNetworkReply::OperationCanceledError;
    if (m_exchange)
        ZandorexSiteExchange::cancel(m_exchange);
}

LogInReply *ZandorexSite::logIn(const QString &username, const QString &password)
{
    trace(QStringLiteral("creating LoginUserRequest"));
    return genericRequest<LogInReply>(
        createLogInRequest(username, password), [](const QByteArray &body, LogInReply *reply) {
            reply->siteError =
                parseLogInResponse(body, reply->userGuid, reply->firstName, reply->lastName);
        });
}

RegisterReply *ZandorexSite::register_(const RegisterData &data)
{
    trace(QStringLiteral("creating RegisterUserRequest"));
    return genericRequest<RegisterReply>(
        createRegisterRequest(data), [](const QByteArray &body, RegisterReply *reply) {
            reply->siteError = parseRegisterResponse(body, reply->userGuid);
        });
}

ZandorexSiteReply *ZandorexSite::registerDevice(const QString &userGuid,
                                                const RegisterDeviceData &data)
{
    trace(QStringLiteral("creating RegisterDeviceRequest"));
    return genericRequest<ZandorexSiteReply>(createRegisterDeviceRequest(userGuid, data),
                                             [](const QByteArray &body, ZandorexSiteReply *reply) {
                                                 reply->siteError =
                                                     parseRegisterDeviceResponse(body);
                                             });
}

UpdatesReply *ZandorexSite::getUpdatesList(const QString &userGuid, const QString &serialNumber)
{
    trace(QStringLiteral("creating GetListofUpdatesRequest"));
    return genericRequest<UpdatesReply>(createUpdatesListRequest(userGuid, serialNumber),
                                        [](const QByteArray &body, UpdatesReply *reply) {
                                            reply->siteError =
                                                parseUpdatesListResponse(body, reply->updates);
                                        });
}

void ZandorexSite::setTraceSink(std::function<void(const QString &line)> sink)
{
    TraceSink &target = traceSink();
    const std::lock_guard lock(target.mutex);
    target.sink = std::move(sink);
}

void ZandorexSite::trace(const QString &line)
{
    std::function<void(const QString &)> sink;
    {
        TraceSink &target = traceSink();
        const std::lock_guard lock(target.mutex);
        sink = target.sink;
    }
    if (sink)
        sink(line);
    else
        writeToStandardOutput(line);
}
