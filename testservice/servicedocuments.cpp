#include "testservice/servicedocuments.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace testservice {

namespace {

const QString kTransactionReference = QStringLiteral("TransactionReference");

bool readAccessRequest(QXmlStreamReader &reader)
{
    QHash<QString, QString> values;
    while (reader.readNextStartElement())
        values.insert(reader.name().toString(),
                      reader.readElementText(QXmlStreamReader::IncludeChildElements));
    for (const char *name : {"AccessLicenseNumber", "UserId", "Password"}) {
        if (values.value(QLatin1String(name)).trimmed().isEmpty())
            return false;
    }
    return true;
}

bool readTransactionReference(QXmlStreamReader &reader)
{
    bool hasAccess = false;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("AccessRequest"))
            hasAccess = readAccessRequest(reader);
        else
            reader.skipCurrentElement();
    }
    return hasAccess;
}

QByteArray writeResponse(const std::function<void(QXmlStreamWriter &writer)> &writeBody)
{
    QByteArray document;
    QXmlStreamWriter writer(&document);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("Response"));
    writeBody(writer);
    writer.writeEndElement();
    writer.writeEndDocument();
    return document;
}

} // namespace

std::expected<ServiceRequest, QString> readRequestDocument(const QByteArray &body)
{
    QXmlStreamReader reader(body);
    if (!reader.readNextStartElement())
        return std::unexpected(reader.hasError() ? reader.errorString()
                                                 : QStringLiteral("no document element"));
    if (reader.name() != QLatin1String("Request"))
        return std::unexpected(QStringLiteral("the document element is %1, not Request")
                                   .arg(reader.name().toString()));
    ServiceRequest request;
    while (reader.readNextStartElement()) {
        if (reader.name() == kTransactionReference) {
            request.hasAccess = readTransactionReference(reader) || request.hasAccess;
        } else if (request.operation.isEmpty()) {
            request.operation = reader.name().toString();
            while (reader.readNextStartElement()) {
                const QString name = reader.name().toString();
                const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
                if (!request.fields.contains(name))
                    request.fields.insert(name, text);
            }
        } else {
            reader.skipCurrentElement();
        }
    }
    // A document that breaks off is refused as a whole, whatever was read of it.
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return std::unexpected(reader.errorString());
    return request;
}

QByteArray errorDocument(const QString &code, const QString &description)
{
    return writeResponse([&](QXmlStreamWriter &writer) {
        writer.writeStartElement(QStringLiteral("ErrorResponse"));
        writer.writeTextElement(QStringLiteral("ErrorCode"), code);
        writer.writeTextElement(QStringLiteral("ErrorDescription"), description);
        writer.writeEndElement();
    });
}

QByteArray successDocument(const QString &element,
                           const std::function<void(QXmlStreamWriter &writer)> &writeChildren)
{
    return writeResponse([&](QXmlStreamWriter &writer) {
        writer.writeStartElement(element);
        if (writeChildren)
            writeChildren(writer);
        writer.writeEndElement();
    });
}

} // namespace testservice
