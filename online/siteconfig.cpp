#include "online/siteconfig.h"

#include <QFile>
#include <QHostAddress>

#include <mutex>

namespace siteconfig {

namespace {

// Run-time replacements, set by tests and the demo before any request and read when one is
// made; the mutex keeps a request started from another thread from seeing half a change.
struct Overrides
{
    std::mutex mutex;
    QUrl serviceUrl;
    QList<QSslCertificate> extraCertificates;
    int trustGeneration = 0;
    int transferTimeoutMs = kTransferTimeoutMs;
};

Overrides &overrides()
{
    static Overrides instance;
    return instance;
}

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return address == QHostAddress(QHostAddress::LocalHost) ||
           address == QHostAddress(QHostAddress::LocalHostIPv6);
}

} // namespace

QUrl builtInServiceUrl()
{
    return QUrl(QStringLiteral(ZX_SERVICE_URL));
}

QString documentNamespace()
{
    return QStringLiteral(ZX_SERVICE_NAMESPACE);
}

QString accessLicenseNumber()
{
    return QStringLiteral(ZX_SERVICE_LICENSE_NUMBER);
}

QString accessUserId()
{
    return QStringLiteral(ZX_SERVICE_USER_ID);
}

QString accessPassword()
{
    return QStringLiteral(ZX_SERVICE_PASSWORD);
}

QUrl serviceUrl()
{
    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    return o.serviceUrl.isEmpty() ? builtInServiceUrl() : o.serviceUrl;
}

std::expected<void, QString> setServiceUrlOverride(const QUrl &url)
{
    if (!url.isEmpty()) {
        const QString shown = url.toDisplayString();
        if (!url.isValid())
            return std::unexpected(QStringLiteral("\"%1\" is not a valid URL.").arg(shown));
        const QString scheme = url.scheme().toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
            return std::unexpected(
                QStringLiteral("The service address \"%1\" must be an http or https URL.")
                    .arg(shown));
        // 127.0.0.2 and friends are loopback too, but nothing needs them, and a short list
        // is easier to trust.
        if (!isLoopbackHost(url.host()))
            return std::unexpected(
                QStringLiteral(
                    "The service address \"%1\" must be on this computer (127.0.0.1, ::1 or "
                    "localhost).")
                    .arg(shown));
    }
    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    o.serviceUrl = url;
    return {};
}

std::expected<void, QString> addTrustedCertificatesFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("Cannot read the certificates file \"%1\": %2")
                                   .arg(path, file.errorString()));
    const QList<QSslCertificate> certificates =
        QSslCertificate::fromData(file.readAll(), QSsl::Pem);
    QList<QSslCertificate> usable;
    for (const QSslCertificate &certificate : certificates) {
        if (!certificate.isNull())
            usable.append(certificate);
    }
    if (usable.isEmpty())
        return std::unexpected(
            QStringLiteral("The file \"%1\" holds no PEM certificate.").arg(path));

    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    o.extraCertificates.append(usable);
    ++o.trustGeneration;
    return {};
}

QList<QSslCertificate> extraTrustedCertificates()
{
    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    return o.extraCertificates;
}

void clearExtraTrustedCertificates()
{
    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    o.extraCertificates.clear();
    ++o.trustGeneration;
}

int trustGeneration()
{
    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    return o.trustGeneration;
}

void setTransferTimeoutMs(int milliseconds)
{
    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    o.transferTimeoutMs = milliseconds > 0 ? milliseconds : kTransferTimeoutMs;
}

int transferTimeoutMs()
{
    Overrides &o = overrides();
    const std::lock_guard lock(o.mutex);
    return o.transferTimeoutMs;
}

} // namespace siteconfig
