#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class QTcpServer;

// A stand-in for the maker's account and update service, on the loopback interface, over HTTP
// or HTTPS. It answers the four request documents as the real service does (the same
// elements and error codes), serves update files and change lists, and can be told to
// misbehave, so that tests and the demo exercise every path of the client without the real
// service. Runs on the thread that creates it; the client runs on its own network thread.
namespace testservice {

// The path every request document is posted to.
inline constexpr auto kServicePath = "/Services/TellimarkServices.ashx";

struct Account
{
    QString username;
    QString password;
    QString userGuid;
    QString firstName;
    QString lastName;
    QString email;
    bool activated = true; // an account not yet activated cannot log in ("7003")
};

// A device the service knows: it can be registered, and updates are listed for it.
struct KnownDevice
{
    QString serialNumber;
    int productCode = 0;
    bool registrable = true; // false: "3008"
    QString registeredTo;    // user GUID; empty = not registered
};

// One update offered for the devices of `productCode` (all devices when < 0). The file and
// the change list are served by the service itself at addresses it fills in as the download
// and manual download URIs (unless these are set already).
struct OfferedUpdate
{
    QString guid;
    QString title;
    QString description;
    QString version;
    QString releaseDate;     // as sent; ISO 8601 normally
    QString productCodeText; // as sent ("0x8A", "138", empty = element left out)
    int productCode = -1;    // which devices get it listed; < 0 = every device
    QString minVersion, maxVersion, requiredMinVersion, requiredMaxVersion;
    QByteArray file;           // the SAX file
    QByteArray changes;        // the change list; empty = no manual download URI
    QString downloadUri;       // empty: served here
    QString manualDownloadUri; // empty: served here when `changes` is not empty
};

enum class FaultKind {
    ErrorCode,       ///< The operation answers with an ErrorResponse carrying `code`.
    Delay,           ///< The answer is sent `value` ms late.
    Stall,           ///< The headers are sent, then nothing more; the connection stays open.
    MalformedBody,   ///< The body is not XML.
    WrongRoot,       ///< A well-formed document whose root is not "Response".
    TruncatedBody,   ///< The answer breaks off half-way through the body (no length is
                     ///< declared, so the transport succeeds with half a document).
    CloseConnection, ///< The connection is closed without an answer.
    HugeBody,        ///< A body of `value` bytes (default 2 MiB) that never ends in time; no
                     ///< length is declared, so only counting what arrives stops the client.
    RawBody,         ///< The body is `body` exactly (entity tricks, invalid UTF-8, ...).
};

// A forced error code or a closed connection leaves the service's records as they were; with
// the other kinds the request is carried out and only its answer spoilt.
struct Fault
{
    // The request element it hits ("LoginUserRequest", "RegisterUserRequest",
    // "RegisterDeviceRequest", "GetListofUpdatesRequest"), "download" for files and change
    // lists, or empty for every request.
    QString operation;
    FaultKind kind = FaultKind::ErrorCode;
    QString code;      // ErrorCode
    qint64 value = -1; // Delay ms, HugeBody bytes
    QByteArray body;   // RawBody
    int count = 1;     // how many requests it hits; 0 = all from now on
};

// The folder of the test certificates: "test-ca.pem" (the authority to trust with
// --service-ca), "service.pem"/"service.key" (signed by it, for 127.0.0.1 and localhost) and
// "untrusted.pem"/"untrusted.key" (self-signed, for the TLS failure path).
[[nodiscard]] QString certificateFolder();

class TestService : public QObject
{
    Q_OBJECT

public:
    explicit TestService(QObject *parent = nullptr);
    ~TestService() override;

    // HTTPS when a certificate is given, plain HTTP otherwise. Port 0 picks a free one.
    [[nodiscard]] bool listen(quint16 port = 0, QString *error = nullptr);
    void setCertificate(const QSslCertificate &certificate, const QSslKey &key);
    // PEM files, e.g. those of certificateFolder().
    [[nodiscard]] static bool loadCertificate(const QString &certificateFile,
                                              const QString &keyFile, QSslCertificate *certificate,
                                              QSslKey *key);

    [[nodiscard]] QUrl serviceUrl() const; // scheme://127.0.0.1:port/Services/...
    [[nodiscard]] QUrl baseUrl() const;    // scheme://127.0.0.1:port/

    void addAccount(const Account &account);
    void addDevice(const KnownDevice &device);
    void addUpdate(const OfferedUpdate &update);
    void addFault(const Fault &fault);
    void clearFaults();

    [[nodiscard]] const QList<Account> &accounts() const;
    [[nodiscard]] const QList<KnownDevice> &devices() const;
    [[nodiscard]] const QList<OfferedUpdate> &updates() const;
    // The request documents received, in order, as sent.
    [[nodiscard]] const QList<QByteArray> &requests() const;
    // How many requests for files and change lists arrived.
    [[nodiscard]] int downloadCount() const;
    // Connections currently open (to check that cancelled requests were really closed).
    [[nodiscard]] int openConnectionCount() const;

    // The demo: account "demo" with password "demo", every profile device of the simulator
    // known and registered to it, and for each product an update to a higher version that
    // the simulated device accepts, with a change list. `extraDevices` (a simulator started
    // with a serial number of its own) are registered to the demo account as well.
    void addDemoContent(const QList<KnownDevice> &extraDevices = {});

signals:
    void requestReceived(const QString &operation);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace testservice
