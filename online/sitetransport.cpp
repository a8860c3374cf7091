#include "online/sitetransport.h"

#include "online/siteconfig.h"

#include <QNetworkAccessManager>
#include <QSslConfiguration>

#include <memory>
#include <utility>

namespace sitetransport {

QNetworkRequest makeRequest(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(siteconfig::transferTimeoutMs());
    const QList<QSslCertificate> extras = siteconfig::extraTrustedCertificates();
    if (!extras.isEmpty()) {
        // Setting the CA list turns off Qt's loading of the system roots on demand, and the
        // default configuration's list is empty until then: the system roots are read
        // explicitly (once per process) so that the real service stays trusted as well.
        static const QList<QSslCertificate> systemCertificates =
            QSslConfiguration::systemCaCertificates();
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates(configuration.caCertificates() + systemCertificates +
                                        extras);
        request.setSslConfiguration(configuration);
    }
    return request;
}

void applyTrustChanges(QNetworkAccessManager *manager)
{
    // Touched only on the network thread.
    static int appliedGeneration = 0;
    const int generation = siteconfig::trustGeneration();
    if (generation != appliedGeneration) {
        appliedGeneration = generation;
        manager->clearConnectionCache();
    }
}

namespace {

// The state of one followed reply, shared by its signal handlers.
struct Follower
{
    QNetworkReply *reply = nullptr;
    qint64 maxBytes = 0;
    QString tooLargeMessage;
    std::function<bool()> cancelledByCaller;
    std::function<void(Outcome)> done;
    QByteArray body;
    bool tooLarge = false;
    bool finished = false;

    void giveUpTooLarge()
    {
        tooLarge = true;
        body = QByteArray();
        reply->abort();
    }

    // A declared length over the bound is refused before any of the body arrives.
    void checkDeclaredLength()
    {
        bool known = false;
        const qint64 length =
            reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > maxBytes && !tooLarge)
            giveUpTooLarge();
    }

    // False once the body has passed the bound.
    bool collect()
    {
        if (tooLarge)
            return false;
        if (body.size() + reply->bytesAvailable() > maxBytes) {
            giveUpTooLarge();
            return false;
        }
        body += reply->readAll();
        return true;
    }

    Outcome outcome()
    {
        Outcome result;
        result.error = reply->error();
        // Qt's text for no error is "Unknown error", which must never reach a message.
        if (result.error != QNetworkReply::NoError)
            result.errorString = reply->errorString();
        if (result.error == QNetworkReply::NoError && collect())
            result.body = std::move(body);
        if (tooLarge) {
            result.error = QNetworkReply::UnknownContentError;
            result.errorString = tooLargeMessage;
            result.body = QByteArray();
        } else if (result.error == QNetworkReply::OperationCanceledError && !cancelledByCaller()) {
            result.error = QNetworkReply::TimeoutError;
            result.errorString = kTimeoutMessage;
        }
        return result;
    }

    void finish()
    {
        if (std::exchange(finished, true))
            return;
        Outcome result = outcome();
        reply->deleteLater();
        done(std::move(result));
    }
};

} // namespace

void follow(QNetworkReply *reply, qint64 maxBytes, const QString &tooLargeMessage,
            std::function<bool()> cancelledByCaller, std::function<void(Outcome)> done)
{
    // The handlers go with the reply, and the follower with the last of them.
    auto follower = std::make_shared<Follower>();
    follower->reply = reply;
    follower->maxBytes = maxBytes;
    follower->tooLargeMessage = tooLargeMessage;
    follower->cancelledByCaller = std::move(cancelledByCaller);
    follower->done = std::move(done);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                     [follower] { follower->checkDeclaredLength(); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [follower] { follower->collect(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [follower] { follower->finish(); });
}

} // namespace sitetransport
