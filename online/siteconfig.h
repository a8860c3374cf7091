#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <expected>

// Where the client sends its requests and what it trusts. The service address, the document
// namespace and the client's access credentials are fixed when the program is built (CMake
// cache variables ZX_SERVICE_URL, ZX_SERVICE_NAMESPACE, ZX_SERVICE_LICENSE_NUMBER,
// ZX_SERVICE_USER_ID, ZX_SERVICE_PASSWORD). At run time only tests and the demo replace the
// address, and only with one on the loopback interface, so that a command line can never send
// an account's password elsewhere.
namespace siteconfig {

inline constexpr auto kXpciVersion = "1.0.1";
// A request or download that receives nothing for this long ends with a timeout error.
inline constexpr int kTransferTimeoutMs = 30'000;
// Bodies larger than these are cut off with an error instead of being held in memory.
inline constexpr qint64 kMaxResponseBytes = 1 << 20;   // response documents
inline constexpr qint64 kMaxChangeListBytes = 1 << 20; // change lists
inline constexpr qint64 kMaxUpdateBytes = 64 << 20;    // update files

[[nodiscard]] QUrl builtInServiceUrl();
[[nodiscard]] QString documentNamespace();
[[nodiscard]] QString accessLicenseNumber();
[[nodiscard]] QString accessUserId();
[[nodiscard]] QString accessPassword();

// The address every request goes to: the built-in one unless replaced.
[[nodiscard]] QUrl serviceUrl();
// Accepts only http or https URLs whose host is 127.0.0.1, ::1 or localhost; an empty URL
// restores the built-in address. The error says what is wrong with the URL.
[[nodiscard]] std::expected<void, QString> setServiceUrlOverride(const QUrl &url);

// Certificates (PEM) trusted in addition to the system's, for a test service on loopback.
// An unreadable file or one without a certificate is refused with the reason.
[[nodiscard]] std::expected<void, QString> addTrustedCertificatesFile(const QString &path);
[[nodiscard]] QList<QSslCertificate> extraTrustedCertificates();
void clearExtraTrustedCertificates();
// Counts the changes to the trusted certificates, so that connections opened under the old
// trust are not reused under the new.
[[nodiscard]] int trustGeneration();

// Tests shorten the transfer timeout; 0 or less restores kTransferTimeoutMs.
void setTransferTimeoutMs(int milliseconds);
[[nodiscard]] int transferTimeoutMs();

} // namespace siteconfig
