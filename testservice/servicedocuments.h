#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <expected>
#include <functional>

class QXmlStreamWriter;

// The XML form of the service: request documents read, response documents written.
namespace testservice {

// One request document as the service sees it.
struct ServiceRequest
{
    QString operation;              // the body element, e.g. "LoginUserRequest"
    QHash<QString, QString> fields; // the body's children by name (CDATA read as text)
    bool hasAccess = false;         // the access block is there, with all three values
};

// Codes of this service for documents it cannot take; the client knows none of them.
inline constexpr auto kUnreadableRequestCode = "1000";
inline constexpr auto kAccessMissingCode = "1001";
inline constexpr auto kUnknownRequestCode = "1002";

// Fails with the reader's message when the document is not a readable "Request" document.
[[nodiscard]] std::expected<ServiceRequest, QString> readRequestDocument(const QByteArray &body);

[[nodiscard]] QByteArray errorDocument(const QString &code, const QString &description);
// A Response holding `element`, whose children `writeChildren` writes.
[[nodiscard]] QByteArray
successDocument(const QString &element,
                const std::function<void(QXmlStreamWriter &writer)> &writeChildren = {});

} // namespace testservice
