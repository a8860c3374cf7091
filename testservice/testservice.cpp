#include "testservice/testservice.h"

#include "testservice/faultplan.h"
#include "testservice/requesthandler.h"
#include "testservice/serviceconnection.h"

#include <QFile>
#include <QSet>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <utility>

namespace testservice {

namespace {

constexpr qint64 kDefaultHugeBodyBytes = 2 << 20;
const QString kDownloadOperation = QStringLiteral("download");

// Hands each accepted descriptor over before any socket exists, so that a TLS socket can be
// made from it.
class DescriptorServer : public QTcpServer
{
public:
    std::function<void(qintptr descriptor)> accepted;

protected:
    void incomingConnection(qintptr descriptor) override { accepted(descriptor); }
};

// The same document, one element deeper: well-formed, but its root is not "Response".
QByteArray wrappedInAnotherRoot(const QByteArray &document)
{
    const int declarationEnd = document.indexOf("?>");
    const QByteArray content = declarationEnd < 0 ? document : document.mid(declarationEnd + 2);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Envelope>" + content.trimmed() +
           "</Envelope>\n";
}

void deliver(ServiceConnection *connection, HttpAnswer answer, const std::optional<Fault> &fault)
{
    if (!fault)
        return connection->send(answer);
    switch (fault->kind) {
    case FaultKind::ErrorCode:
        return connection->send(answer);
    case FaultKind::Delay:
        QTimer::singleShot(int(qMax<qint64>(0, fault->value)), connection,
                           [connection, answer] { connection->send(answer); });
        return;
    case FaultKind::Stall:
        return connection->stall(answer);
    case FaultKind::MalformedBody:
        answer.body = "This is not a response document: <Response><<ErrorCode>\n";
        return connection->send(answer);
    case FaultKind::WrongRoot:
        answer.body = wrappedInAnotherRoot(answer.body);
        return connection->send(answer);
    case FaultKind::TruncatedBody:
        return connection->sendTruncated(answer);
    case FaultKind::CloseConnection:
        return connection->drop();
    case FaultKind::HugeBody:
        return connection->streamHugeBody(fault->value > 0 ? fault->value : kDefaultHugeBodyBytes);
    case FaultKind::RawBody:
        answer.body = fault->body;
        return connection->send(answer);
    }
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString certificateFolder()
{
    return QStringLiteral(ZX_TEST_CERTIFICATE_DIR);
}

struct TestService::Private
{
    explicit Private(TestService *owner)
        : q(owner)
    {
        server.accepted = [this](qintptr descriptor) { accept(descriptor); };
    }

    void accept(qintptr descriptor);
    void serve(ServiceConnection *connection, const HttpRequest &request);
    void answerDocument(ServiceConnection *connection, const QByteArray &body);
    void answerDownload(ServiceConnection *connection, const QString &path);

    TestService *q;
    DescriptorServer server;
    QSslCertificate certificate;
    QSslKey key;
    ServiceRecords records;
    FaultPlan faults;
    QList<QByteArray> requests;
    int downloadCount = 0;
    QSet<ServiceConnection *> connections;

    [[nodiscard]] bool usesTls() const { return !certificate.isNull(); }
};

TestService::TestService(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{}

TestService::~TestService()
{
    d->server.close();
    const QSet<ServiceConnection *> open = std::exchange(d->connections, {});
    qDeleteAll(open);
}

bool TestService::listen(quint16 port, QString *error)
{
    if (d->usesTls() && !QSslSocket::supportsSsl()) {
        if (error)
            *error = QStringLiteral("TLS is not available in this Qt build");
        return false;
    }
    if (d->server.listen(QHostAddress::LocalHost, port))
        return true;
    if (error)
        *error = d->server.errorString();
    return false;
}

void TestService::setCertificate(const QSslCertificate &certificate, const QSslKey &key)
{
    d->certificate = certificate;
    d->key = key;
}

bool TestService::loadCertificate(const QString &certificateFile, const QString &keyFile,
                                  QSslCertificate *certificate, QSslKey *key)
{
    const QList<QSslCertificate> certificates =
        QSslCertificate::fromData(readFile(certificateFile), QSsl::Pem);
    const QByteArray keyData = readFile(keyFile);
    QSslKey loaded(keyData, QSsl::Rsa, QSsl::Pem);
    if (loaded.isNull())
        loaded = QSslKey(keyData, QSsl::Ec, QSsl::Pem);
    if (certificates.isEmpty() || loaded.isNull())
        return false;
    *certificate = certificates.first();
    *key = loaded;
    return true;
}

QUrl TestService::baseUrl() const
{
    QUrl url;
    url.setScheme(d->usesTls() ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(d->server.serverPort());
    url.setPath(QStringLiteral("/"));
    return url;
}

QUrl TestService::serviceUrl() const
{
    QUrl url = baseUrl();
    url.setPath(QLatin1String(kServicePath));
    return url;
}

void TestService::addAccount(const Account &account)
{
    d->records.accounts.append(account);
}

void TestService::addDevice(const KnownDevice &device)
{
    d->records.devices.append(device);
}

void TestService::addUpdate(const OfferedUpdate &update)
{
    d->records.updates.append(update);
}

void TestService::addFault(const Fault &fault)
{
    d->faults.add(fault);
}

void TestService::clearFaults()
{
    d->faults.clear();
}

const QList<Account> &TestService::accounts() const
{
    return d->records.accounts;
}

const QList<KnownDevice> &TestService::devices() const
{
    return d->records.devices;
}

const QList<OfferedUpdate> &TestService::updates() const
{
    return d->records.updates;
}

const QList<QByteArray> &TestService::requests() const
{
    return d->requests;
}

int TestService::downloadCount() const
{
    return d->downloadCount;
}

int TestService::openConnectionCount() const
{
    return int(d->connections.size());
}

void TestService::Private::accept(qintptr descriptor)
{
    auto *socket = new QSslSocket;
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (usesTls()) {
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->setProtocol(QSsl::TlsV1_2OrLater);
        socket->startServerEncryption();
    }
    auto *connection = new ServiceConnection(socket, q);
    connections.insert(connection);
    QObject::connect(connection, &ServiceConnection::closed, q, [this, connection] {
        connections.remove(connection);
        connection->deleteLater();
    });
    QObject::connect(
        connection, &ServiceConnection::requestReady, q,
        [this, connection](const HttpRequest &request) { serve(connection, request); });
}

void TestService::Private::serve(ServiceConnection *connection, const HttpRequest &request)
{
    if (request.method == "POST" && request.path == QLatin1String(kServicePath))
        answerDocument(connection, request.body);
    else if (request.method == "GET" && isDownloadPath(request.path))
        answerDownload(connection, request.path);
    else
        connection->send({404, "text/plain; charset=utf-8", "Not Found\n"});
}

void TestService::Private::answerDocument(ServiceConnection *connection, const QByteArray &body)
{
    requests.append(body);
    const auto request = readRequestDocument(body);
    const QString operation = request ? request->operation : QString();
    emit q->requestReceived(operation);
    const std::optional<Fault> fault = faults.take(operation);

    HttpAnswer answer;
    // A request answered with a forced code, or never answered, changes nothing here.
    if (fault && fault->kind == FaultKind::CloseConnection)
        return connection->drop();
    if (fault && fault->kind == FaultKind::ErrorCode)
        answer.body = errorDocument(fault->code, errorDescription(fault->code));
    else if (!request)
        answer.body = errorDocument(QLatin1String(kUnreadableRequestCode), request.error());
    else
        answer.body = answerRequest(records, *request, q->baseUrl());
    deliver(connection, answer, fault);
}

void TestService::Private::answerDownload(ServiceConnection *connection, const QString &path)
{
    ++downloadCount;
    emit q->requestReceived(kDownloadOperation);
    const std::optional<Fault> fault = faults.take(kDownloadOperation);
    if (fault && fault->kind == FaultKind::CloseConnection)
        return connection->drop();

    HttpAnswer answer{404, "text/plain; charset=utf-8", "Not Found\n"};
    if (fault && fault->kind == FaultKind::ErrorCode)
        answer = {500, "text/xml; charset=utf-8",
                  errorDocument(fault->code, errorDescription(fault->code))};
    else if (const auto file = findDownload(records, path))
        answer = {200, file->contentType, file->body};
    deliver(connection, answer, fault);
}

} // namespace testservice
