#include "testservice/httpmessage.h"

#include <QList>
#include <QUrl>

namespace testservice {

namespace {

const QByteArray kHeadEnd("\r\n\r\n");

struct StatusText
{
    int status;
    const char *reason;
};

constexpr StatusText kReasons[] = {
    {200, "OK"},
    {400, "Bad Request"},
    {404, "Not Found"},
    {411, "Length Required"},
    {413, "Payload Too Large"},
    {431, "Request Header Fields Too Large"},
    {500, "Internal Server Error"},
};

} // namespace

HttpRequestReader::State HttpRequestReader::fail(int status)
{
    m_failureStatus = status;
    m_buffer.clear();
    return m_state = State::Failed;
}

HttpRequestReader::State HttpRequestReader::feed(const QByteArray &bytes)
{
    if (m_state != State::Reading)
        return m_state;
    m_buffer += bytes;
    if (!m_bodyBytes) {
        const int headEnd = m_buffer.indexOf(kHeadEnd);
        if (headEnd < 0) {
            return m_buffer.size() > kMaxRequestHeadBytes ? fail(431) : m_state;
        }
        if (headEnd > kMaxRequestHeadBytes)
            return fail(431);
        const QByteArray head = m_buffer.left(headEnd);
        m_buffer.remove(0, headEnd + kHeadEnd.size());
        if (parseHead(head) == State::Failed)
            return m_state;
    }
    if (m_buffer.size() < *m_bodyBytes)
        return m_state;
    // Anything after the body would be a second request; each connection serves one.
    m_request.body = m_buffer.left(int(*m_bodyBytes));
    m_buffer.clear();
    return m_state = State::Complete;
}

HttpRequestReader::State HttpRequestReader::parseHead(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1."))
        return fail(400);
    m_request.method = requestLine[0];
    const QUrl target(QString::fromLatin1(requestLine[1]));
    if (!target.isValid())
        return fail(400);
    m_request.path = target.path(QUrl::FullyDecoded);

    qint64 length = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const int colon = line.indexOf(':');
        if (colon <= 0)
            return fail(400);
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok || length < 0)
                return fail(400);
        } else if (name == "transfer-encoding" && value.toLower() != "identity") {
            return fail(411);
        }
    }
    if (length > kMaxRequestBodyBytes)
        return fail(413);
    m_bodyBytes = length;
    return m_state;
}

QByteArray reasonPhrase(int status)
{
    for (const StatusText &entry : kReasons) {
        if (entry.status == status)
            return entry.reason;
    }
    return "Unknown";
}

QByteArray responseHead(int status, const QByteArray &contentType,
                        std::optional<qint64> contentLength)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                      "\r\nContent-Type: " + contentType;
    if (contentLength)
        head += "\r\nContent-Length: " + QByteArray::number(*contentLength);
    head += "\r\nConnection: close\r\n\r\n";
    return head;
}

} // namespace testservice
