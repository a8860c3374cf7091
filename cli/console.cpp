#include "cli/console.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

Console::Console(QIODevice &out, QIODevice &err, bool json)
    : m_out(out)
    , m_err(err)
    , m_json(json)
{}

void Console::printLine(const QString &text)
{
    m_out.write(text.toUtf8() + '\n');
}

void Console::printJson(const QJsonValue &document)
{
    // QJsonDocument holds only objects and arrays; scalars (null above all) are written
    // by hand.
    QByteArray text;
    if (document.isObject())
        text = QJsonDocument(document.toObject()).toJson(QJsonDocument::Indented);
    else if (document.isArray())
        text = QJsonDocument(document.toArray()).toJson(QJsonDocument::Indented);
    else
        text =
            QJsonDocument(QJsonArray{document}).toJson(QJsonDocument::Compact).mid(1).chopped(1) +
            '\n';
    m_out.write(text);
}

void Console::printError(const QString &message)
{
    m_err.write(message.toUtf8() + '\n');
}
