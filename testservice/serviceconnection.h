#pragma once

#include "testservice/httpmessage.h"

#include <QByteArray>
#include <QObject>

class QSslSocket;

namespace testservice {

struct HttpAnswer
{
    int status = 200;
    QByteArray contentType = "text/xml; charset=utf-8";
    QByteArray body;
};

// One client connection: reads its request, then answers it once, whole or in one of the
// broken ways the faults ask for, and ends. closed() comes once, when the socket is gone
// (answered, dropped by the client, or failed during the TLS handshake).
class ServiceConnection : public QObject
{
    Q_OBJECT

public:
    // Takes the socket over; it is connected, and encrypting already when TLS is used.
    ServiceConnection(QSslSocket *socket, QObject *parent);
    ~ServiceConnection() override;

    void send(const HttpAnswer &answer);
    // The head without a length, then the first half of the body, then the end of the
    // connection: to the client a complete answer whose document breaks off.
    void sendTruncated(const HttpAnswer &answer);
    // The head (announcing the whole body), then silence with the connection kept open.
    void stall(const HttpAnswer &answer);
    // A body of `bytes` that ends with the connection, without a declared length, so that only
    // counting what arrives can stop the client. Written as the socket drains, never held in
    // memory whole.
    void streamHugeBody(qint64 bytes);
    // Ends the connection without an answer.
    void drop();

    [[nodiscard]] bool isOpen() const { return !m_closed; }

signals:
    void requestReady(const testservice::HttpRequest &request);
    void closed();

private:
    void readAvailable();
    void writeMoreFiller();
    void finishWriting();
    void markClosed();

    QSslSocket *m_socket;
    HttpRequestReader m_reader;
    bool m_answered = false;
    bool m_closed = false;
    qint64 m_fillerLeft = 0;
};

} // namespace testservice
