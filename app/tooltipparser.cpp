#include "app/tooltipparser.h"

#include "app/log.h"

#include <QFile>
#include <QTextStream>

namespace {

const QString kUnexpectedContinuation =
    QStringLiteral("unexpected multiline text not part of a value");

class TooltipEntryBuilder
{
public:
    [[nodiscard]] bool isOpen() const { return m_open; }

    void start(const QString &key, const QString &value)
    {
        m_open = true;
        m_key = key;
        m_value = value;
    }

    void appendLine(int precedingBlankLines, const QString &text)
    {
        m_value += QLatin1Char('\n');
        m_value += QString(precedingBlankLines, QLatin1Char('\n'));
        m_value += text;
    }

    void storeInto(TooltipTable &table)
    {
        if (m_open)
            table.insert(m_key, m_value.trimmed());
        m_open = false;
    }

private:
    bool m_open = false;
    QString m_key;
    QString m_value;
};

} // namespace

std::expected<TooltipTable, TooltipParseError> parseTooltips(QIODevice &device)
{
    QTextStream stream(&device);
    stream.setCodec("UTF-8");

    TooltipTable table;
    TooltipEntryBuilder entry;
    int pendingBlankLines = 0;
    int lineNumber = 0;
    QString line;
    while (stream.readLineInto(&line)) {
        ++lineNumber;
        const int commentStart = line.indexOf(QLatin1String("//"));
        if (commentStart >= 0)
            line.truncate(commentStart);

        if (line.isEmpty()) {
            ++pendingBlankLines;
            continue;
        }
        if (line.front() == QLatin1Char(' ')) {
            if (!entry.isOpen())
                return std::unexpected(TooltipParseError{kUnexpectedContinuation, lineNumber});
            entry.appendLine(pendingBlankLines, line.trimmed());
            pendingBlankLines = 0;
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue; // neither entry nor continuation: ignored, blank lines stay pending
        entry.storeInto(table);
        entry.start(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        pendingBlankLines = 0;
    }
    entry.storeInto(table);
    return table;
}

TooltipTable loadTooltipTable(const QString &path)
{
    return loadTooltipTable(path, nullptr);
}

TooltipTable loadTooltipTable(const QString &path, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    auto parsed = parseTooltips(file);
    if (!parsed) {
        const QString line = QStringLiteral("error on line %1: %2")
                                 .arg(parsed.error().line)
                                 .arg(parsed.error().message);
        log(QStringLiteral("TooltipsParsing"), line);
        if (problem)
            *problem = line;
        return {};
    }
    return std::move(*parsed);
}
