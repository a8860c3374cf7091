#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Just enough HTTP/1.1 for the client's network access manager: one request per connection,
// a body only by Content-Length, every answer ends with the connection.
namespace testservice {

inline constexpr qint64 kMaxRequestBodyBytes = 1 << 20;
inline constexpr qint64 kMaxRequestHeadBytes = 64 << 10;

struct HttpRequest
{
    QByteArray method;
    QString path; // decoded, without the query
    QByteArray body;
};

// Collects the bytes of one request. A request that cannot be served ends reading with the
// status to answer (400, 411, 413, 431).
class HttpRequestReader
{
public:
    enum class State { Reading, Complete, Failed };

    State feed(const QByteArray &bytes);
    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] const HttpRequest &request() const { return m_request; }
    [[nodiscard]] int failureStatus() const { return m_failureStatus; }

private:
    State fail(int status);
    State parseHead(const QByteArray &head);

    QByteArray m_buffer;
    HttpRequest m_request;
    std::optional<qint64> m_bodyBytes; // known once the head is read
    State m_state = State::Reading;
    int m_failureStatus = 0;
};

[[nodiscard]] QByteArray reasonPhrase(int status);
// The status line and headers of an answer; without a length the body ends with the
// connection.
[[nodiscard]] QByteArray responseHead(int status, const QByteArray &contentType,
                                      std::optional<qint64> contentLength);

} // namespace testservice
