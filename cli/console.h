#pragma once

#include <QJsonValue>
#include <QString>

class QIODevice;

// Where a command's results and messages go: plain lines, or one JSON document per command
// on standard output with --json; messages always on standard error.
class Console
{
public:
    Console(QIODevice &out, QIODevice &err, bool json);

    [[nodiscard]] bool json() const { return m_json; }

    void printLine(const QString &text);
    void printJson(const QJsonValue &document);
    void printError(const QString &message);

private:
    QIODevice &m_out;
    QIODevice &m_err;
    bool m_json;
};
