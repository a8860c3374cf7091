#pragma once

#include <QHash>
#include <QString>

#include <expected>

class QIODevice;

// Tooltip key to help text, loaded once from "tooltips.txt" beside the program.
using TooltipTable = QHash<QString, QString>;

struct TooltipParseError
{
    QString message;
    int line = 0; // 1-based, counting every line of the file
};

// Parses the tooltip file format: "key = value" entry lines, continuation lines that start
// with a space, "//" comments and blank lines (which turn into extra line breaks inside a
// value). Reads the device as UTF-8 to its end.
[[nodiscard]] std::expected<TooltipTable, TooltipParseError> parseTooltips(QIODevice &device);

// Reads the tooltip file at `path`. A missing or unreadable file yields an empty table; a
// parse error is logged in "TooltipsParsing" and also yields an empty table, so the program
// runs on without tooltips.
[[nodiscard]] TooltipTable loadTooltipTable(const QString &path);
// The same; a file that exists but does not parse also leaves the logged line in `problem`.
[[nodiscard]] TooltipTable loadTooltipTable(const QString &path, QString *problem);
