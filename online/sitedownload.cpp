#include "app/networkthread.h"
#include "online/sitetransport.h"
#include "online/zandorexsite.h"

#include <QMetaObject>
#include <QNetworkAccessManager>

namespace {

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

void downloadFile(const QUrl &url, const DownloadHandle &callerHandle,
                  DownloadCompletion completion, qint64 maxBytes)
{
    // Without a handle the download simply cannot be aborted.
    const DownloadHandle handle = callerHandle ? callerHandle : makeDownloadHandle();
    // The completion goes back to this thread through an object that lives here; it exists
    // only for this download and goes once the completion has run.
    auto *courier = new QObject;
    const auto finish = [courier, handle,
                         completion = std::move(completion)](sitetransport::Outcome outcome) {
        QMetaObject::invokeMethod(
            courier,
            [courier, handle, completion, outcome = std::move(outcome)] {
                // An abort that came after the transfer had ended is still an abort for the
                // caller, who may already have moved on.
                if (handle->cancelled)
                    completion(QNetworkReply::OperationCanceledError, QByteArray());
                else
                    completion(outcome.error, outcome.body);
                courier->deleteLater();
            },
            Qt::QueuedConnection);
    };

    // The addresses come from the service: only web addresses are fetched, never a local file
    // or a resource of the program.
    if (!isWebUrl(url)) {
        finish({QNetworkReply::ProtocolUnknownError, QString(), {}});
        return;
    }

    const QNetworkRequest request = sitetransport::makeRequest(url);
    const QString tooLargeMessage =
        QStringLiteral("The download is larger than %1 bytes.").arg(maxBytes);
    invokeInNetworkThread(
        [request, handle, finish, maxBytes, tooLargeMessage](QNetworkAccessManager *manager) {
            if (handle->cancelled) {
                finish({QNetworkReply::OperationCanceledError, QString(), {}});
                return;
            }
            sitetransport::applyTrustChanges(manager);
            QNetworkReply *reply = manager->get(request);
            handle->reply.exchange(reply);
            sitetransport::follow(
                reply, maxBytes, tooLargeMessage, [handle] { return handle->cancelled.load(); },
                [handle, finish](sitetransport::Outcome outcome) {
                    handle->reply = nullptr;
                    finish(std::move(outcome));
                });
        });
}

void abortDownload(const DownloadHandle &handle)
{
    if (!handle)
        return;
    handle->cancelled = true;
    invokeInNetworkThread([handle](QNetworkAccessManager *) {
        if (QNetworkReply *reply = handle->reply.load())
            reply->abort();
    });
}
