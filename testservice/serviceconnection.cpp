#include "testservice/serviceconnection.h"

#include <QSslSocket>

namespace testservice {

namespace {

constexpr qint64 kFillerChunkBytes = 16 << 10;
// Another chunk is queued only when less than this is still waiting in the socket, so a
// client that stops reading stops the stream too.
constexpr qint64 kFillerBacklogBytes = 64 << 10;

// A huge body looks like the start of a real answer, so only its size can stop the client.
const QByteArray kFillerStart("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Response>"
                              "<GetListofUpdatesResponse><DeviceUpdate><UpdateDescription>");

} // namespace

ServiceConnection::ServiceConnection(QSslSocket *socket, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
{
    m_socket->setParent(nullptr);
    connect(m_socket, &QIODevice::readyRead, this, &ServiceConnection::readAvailable);
    connect(m_socket, &QAbstractSocket::disconnected, this, &ServiceConnection::markClosed);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] {
        // A failed handshake or a reset need not bring the socket down by itself.
        if (m_socket->state() != QAbstractSocket::UnconnectedState)
            m_socket->abort();
        markClosed();
    });
    connect(m_socket, &QIODevice::bytesWritten, this, &ServiceConnection::writeMoreFiller);
    connect(m_socket, &QSslSocket::encryptedBytesWritten, this,
            &ServiceConnection::writeMoreFiller);
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &ServiceConnection::readAvailable, Qt::QueuedConnection);
}

ServiceConnection::~ServiceConnection()
{
    // Nothing the socket reports while it goes may reach a half-destroyed connection.
    m_socket->disconnect(this);
    m_socket->abort();
    delete m_socket;
}

void ServiceConnection::readAvailable()
{
    const QByteArray bytes = m_socket->readAll();
    if (m_answered || m_closed)
        return;
    switch (m_reader.feed(bytes)) {
    case HttpRequestReader::State::Reading:
        return;
    case HttpRequestReader::State::Failed:
        send({m_reader.failureStatus(), "text/plain; charset=utf-8",
              reasonPhrase(m_reader.failureStatus()) + '\n'});
        return;
    case HttpRequestReader::State::Complete:
        m_answered = true;
        emit requestReady(m_reader.request());
        return;
    }
}

void ServiceConnection::send(const HttpAnswer &answer)
{
    if (m_closed)
        return;
    m_answered = true;
    m_socket->write(responseHead(answer.status, answer.contentType, answer.body.size()));
    m_socket->write(answer.body);
    finishWriting();
}

void ServiceConnection::sendTruncated(const HttpAnswer &answer)
{
    if (m_closed)
        return;
    m_answered = true;
    m_socket->write(responseHead(answer.status, answer.contentType, std::nullopt));
    m_socket->write(answer.body.left(answer.body.size() / 2));
    finishWriting();
}

void ServiceConnection::stall(const HttpAnswer &answer)
{
    if (m_closed)
        return;
    m_answered = true;
    m_socket->write(responseHead(answer.status, answer.contentType, answer.body.size()));
    m_socket->flush();
}

void ServiceConnection::streamHugeBody(qint64 bytes)
{
    if (m_closed)
        return;
    m_answered = true;
    m_socket->write(responseHead(200, "text/xml; charset=utf-8", std::nullopt));
    m_fillerLeft = bytes;
    const QByteArray start = kFillerStart.left(int(qMin<qint64>(bytes, kFillerStart.size())));
    m_socket->write(start);
    m_fillerLeft -= start.size();
    if (m_fillerLeft == 0)
        finishWriting();
    else
        writeMoreFiller();
}

void ServiceConnection::drop()
{
    m_answered = true;
    if (!m_closed)
        m_socket->abort();
    markClosed();
}

void ServiceConnection::writeMoreFiller()
{
    if (m_closed || m_fillerLeft <= 0 || m_socket->bytesToWrite() >= kFillerBacklogBytes)
        return;
    const qint64 chunk = qMin(m_fillerLeft, kFillerChunkBytes);
    m_socket->write(QByteArray(int(chunk), 'a'));
    m_fillerLeft -= chunk;
    if (m_fillerLeft == 0)
        finishWriting();
}

void ServiceConnection::finishWriting()
{
    // Waits for the queued bytes, then closes; disconnected() follows.
    m_socket->disconnectFromHost();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        markClosed();
}

void ServiceConnection::markClosed()
{
    if (m_closed)
        return;
    m_closed = true;
    m_fillerLeft = 0;
    emit closed();
}

} // namespace testservice
