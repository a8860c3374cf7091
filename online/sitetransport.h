#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

// What the service requests and the downloads share on their way through the network thread.
namespace sitetransport {

inline const QString kTimeoutMessage = QStringLiteral("The service did not answer in time.");

struct Outcome
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    QByteArray body; // only when error is NoError
};

// A request for `url` with the transfer timeout and, when extra certificates are trusted,
// a TLS configuration that adds them to the system's. No other header is set.
[[nodiscard]] QNetworkRequest makeRequest(const QUrl &url);

// Network thread, before each request: the manager keeps connections open, each with the TLS
// configuration it was opened with, so a change of the trusted certificates (a test service
// trusted after a failed attempt) drops them first.
void applyTrustChanges(QNetworkAccessManager *manager);

// Follows `reply` to its end on the network thread and hands `done` what it came to; the
// reply is scheduled for deletion before `done` runs.
// - The body is collected as it arrives; once it would pass `maxBytes` the reply is aborted
//   and the outcome is UnknownContentError with `tooLargeMessage`, so no more than the bound
//   is ever held.
// - Qt 5.15 ends a transfer timeout as OperationCanceledError, the same as an abort; unless
//   `cancelledByCaller` says the caller aborted, that becomes TimeoutError with
//   kTimeoutMessage, so the timeout is shown as a failure instead of ignored as a cancel.
void follow(QNetworkReply *reply, qint64 maxBytes, const QString &tooLargeMessage,
            std::function<bool()> cancelledByCaller, std::function<void(Outcome)> done);

} // namespace sitetransport
