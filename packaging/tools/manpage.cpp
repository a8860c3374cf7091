// manpage: writes a command's manual page (man(7) markup) from what the command itself says,
// so that the page cannot drift from the command.
//
// Usage: manpage --help-of PROGRAM OUTPUT.1 --summary TEXT --version TEXT [--append EXTRA.md]
//        manpage --markdown README.md OUTPUT.1 --summary TEXT --version TEXT
//                [--omit HEADING]... [--append EXTRA.md]
//
// --help-of runs PROGRAM --help and reads the help text in the form our commands print it:
//
//   Usage: NAME ARGUMENTS            the synopsis, up to the first blank line; an indented line
//          more arguments            continues it, an indented line that starts with NAME is
//          NAME OTHER ARGUMENTS      another synopsis
//   Text at the margin.              paragraphs
//     --option ARG  what it does     items: a tag, two spaces or more, the text; deeper
//                   and more         indented lines continue the text
//     command ARGS                   an item whose text starts on the next, deeper line
//         what it does
//     name                           a run of items without text: a list of names
//   Heading:                         a section of its own
//   Exit status: text                a short heading and its first paragraph
//   word        text                 at the margin under a heading: an item of one word
//
// --markdown reads a README in the Markdown our READMEs use, and refuses anything else rather
// than guess:
//
//   # NAME               the first line: the command's name
//   ## Heading           a section (.SH, upper case); --omit leaves a section out
//   ### Heading          a subsection (.SS)
//   text                 paragraphs, with `code` (bold), **bold** and [text](address)
//   - item / * item      bullets; continuation lines are indented
//   ```...``` or 4-space code, shown unfilled; the first one before any ## heading becomes
//                        the SYNOPSIS, the rest of the text there the DESCRIPTION
//   | a | b |            tables: the header row is dropped, and each row becomes a tagged
//                        paragraph, the first cell its tag and the others its text
//
// --append adds the ## sections of a Markdown file of ours (files, see also) after the rest.
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>
#include <expected>
#include <optional>

namespace {

constexpr int kHelpTimeoutMs = 30'000;

int fail(const QString &message)
{
    std::fprintf(stderr, "manpage: %s\n", qPrintable(message));
    return 1;
}

// --- roff -----------------------------------------------------------------------------------

// Text as roff shows it literally: backslashes escaped, hyphens as the minus that shells and
// options need (roff would print them as typographic hyphens).
QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\e");
        else if (c == QLatin1Char('-'))
            out += QStringLiteral("\\-");
        else
            out += c;
    }
    return out;
}

// A line of roff input must not start with a control character: it would be read as a request.
QString guardedLine(const QString &line)
{
    if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
        return QStringLiteral("\\&") + line;
    return line;
}

QString sectionHeading(QString heading)
{
    heading.remove(QLatin1Char('`'));
    heading.remove(QStringLiteral("**"));
    return QStringLiteral(".SH \"%1\"\n")
        .arg(escaped(heading.toUpper()).replace(QLatin1Char('"'), QStringLiteral("\\(dq")));
}

struct Page
{
    QString name;        // the command
    QString synopsis;    // roff, empty when the source shows no command line
    QString description; // roff: the text before the first section
    QString sections;    // roff: the sections in order
};

// --- Markdown -------------------------------------------------------------------------------

// Inline Markdown: `code`, **bold** and [text](address); everything else stays text.
QString inlineText(const QString &text)
{
    static const QRegularExpression span(
        QStringLiteral(R"(`([^`]+)`|\*\*([^*]+)\*\*|\[([^\]]+)\]\(([^)\s]+)\))"));
    QString out;
    int at = 0;
    for (auto it = span.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out += escaped(text.mid(at, match.capturedStart() - at));
        if (match.capturedLength(1) > 0 || match.capturedLength(2) > 0) {
            const QString inner =
                match.capturedLength(1) > 0 ? match.captured(1) : match.captured(2);
            out += QStringLiteral("\\fB") + escaped(inner) + QStringLiteral("\\fR");
        } else {
            out += escaped(match.captured(3)) + QStringLiteral(" <") + escaped(match.captured(4)) +
                   QLatin1Char('>');
        }
        at = match.capturedEnd();
    }
    out += escaped(text.mid(at));
    return out;
}

QStringList tableCells(const QString &line)
{
    QString inner = line.trimmed().mid(1); // past the leading '|'
    if (inner.endsWith(QLatin1Char('|')))
        inner.chop(1);
    QStringList cells = inner.split(QLatin1Char('|'));
    for (QString &cell : cells)
        cell = cell.trimmed();
    return cells;
}

bool isTableSeparator(const QString &line)
{
    static const QRegularExpression separator(QStringLiteral(R"(^\|(\s*:?-+:?\s*\|)+\s*$)"));
    return separator.match(line).hasMatch();
}

bool isBullet(const QString &line)
{
    return line.startsWith(QStringLiteral("- ")) || line.startsWith(QStringLiteral("* "));
}

bool isIndentedCode(const QString &line)
{
    return line.startsWith(QStringLiteral("    "));
}

class MarkdownReader
{
public:
    // lines: the text after the title line.
    MarkdownReader(QStringList lines, QStringList omitted, Page *page)
        : m_lines(std::move(lines))
        , m_omitted(std::move(omitted))
        , m_page(page)
    {}

    std::optional<QString> read()
    {
        while (m_at < m_lines.size()) {
            const QString line = m_lines.at(m_at);
            if (line.trimmed().isEmpty()) {
                ++m_at;
            } else if (line.startsWith(QStringLiteral("## "))) {
                startSection(line.mid(3).trimmed());
            } else if (line.startsWith(QStringLiteral("### "))) {
                QString heading = line.mid(4).trimmed();
                heading.remove(QLatin1Char('`'));
                out() += QStringLiteral(".SS \"%1\"\n").arg(escaped(heading));
                ++m_at;
            } else if (line.startsWith(QLatin1Char('#'))) {
                return QStringLiteral("line %1: only the title may be a # heading, and "
                                      "headings go no deeper than ###")
                    .arg(lineNumber());
            } else if (line.startsWith(QStringLiteral("```"))) {
                if (const auto problem = fencedCode())
                    return problem;
            } else if (isIndentedCode(line)) {
                indentedCode();
            } else if (isBullet(line)) {
                bullet();
            } else if (line.startsWith(QLatin1Char('|'))) {
                if (const auto problem = table())
                    return problem;
            } else {
                paragraph();
            }
        }
        return std::nullopt;
    }

    void setFirstLineNumber(int number) { m_firstLineNumber = number; }

private:
    int lineNumber() const { return m_at + m_firstLineNumber; }

    QString &out()
    {
        if (m_skipping) {
            m_omittedText.clear();
            return m_omittedText;
        }
        return m_inSection ? m_page->sections : m_page->description;
    }

    void startSection(const QString &heading)
    {
        m_inSection = true;
        m_skipping = m_omitted.contains(heading, Qt::CaseInsensitive);
        out() += sectionHeading(heading);
        ++m_at;
    }

    void codeBlock(const QStringList &code)
    {
        QString roff;
        for (const QString &line : code)
            roff += guardedLine(escaped(line)) + QLatin1Char('\n');
        if (!m_inSection && m_page->synopsis.isEmpty()) {
            m_page->synopsis = QStringLiteral(".nf\n") + roff + QStringLiteral(".fi\n");
            return;
        }
        out() += QStringLiteral(".PP\n.RS 4\n.nf\n") + roff + QStringLiteral(".fi\n.RE\n");
    }

    std::optional<QString> fencedCode()
    {
        const int opened = lineNumber();
        QStringList code;
        for (++m_at; m_at < m_lines.size(); ++m_at) {
            if (m_lines.at(m_at).startsWith(QStringLiteral("```"))) {
                ++m_at;
                codeBlock(code);
                return std::nullopt;
            }
            code << m_lines.at(m_at);
        }
        return QStringLiteral("line %1: the code block is never closed").arg(opened);
    }

    void indentedCode()
    {
        QStringList code;
        while (m_at < m_lines.size() &&
               (isIndentedCode(m_lines.at(m_at)) || m_lines.at(m_at).trimmed().isEmpty())) {
            code << m_lines.at(m_at).mid(4);
            ++m_at;
        }
        while (!code.isEmpty() && code.last().trimmed().isEmpty())
            code.removeLast();
        codeBlock(code);
    }

    // Lines up to the next blank line or block start, for roff to fill.
    QString joinedText(const QString &first)
    {
        QStringList parts{first.trimmed()};
        for (++m_at; m_at < m_lines.size(); ++m_at) {
            const QString &line = m_lines.at(m_at);
            if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')) ||
                line.startsWith(QStringLiteral("```")) || line.startsWith(QLatin1Char('|')) ||
                isBullet(line))
                break;
            parts << line.trimmed();
        }
        QString roff;
        for (const QString &part : parts)
            roff += guardedLine(inlineText(part)) + QLatin1Char('\n');
        return roff;
    }

    void paragraph() { out() += QStringLiteral(".PP\n") + joinedText(m_lines.at(m_at)); }

    void bullet()
    {
        out() += QStringLiteral(".IP \\(bu 2\n") + joinedText(m_lines.at(m_at).mid(2));
    }

    std::optional<QString> table()
    {
        const int first = lineNumber();
        QStringList rows;
        for (; m_at < m_lines.size() && m_lines.at(m_at).startsWith(QLatin1Char('|')); ++m_at)
            rows << m_lines.at(m_at);
        if (rows.size() < 2 || !isTableSeparator(rows.at(1)))
            return QStringLiteral("line %1: a table needs a header row and a separator row")
                .arg(first);
        for (int i = 2; i < rows.size(); ++i) {
            const QStringList cells = tableCells(rows.at(i));
            if (cells.size() < 2)
                return QStringLiteral("line %1: a table row needs two cells").arg(first + i);
            out() += QStringLiteral(".TP\n") + guardedLine(inlineText(cells.first())) +
                     QLatin1Char('\n') +
                     guardedLine(inlineText(cells.mid(1).join(QStringLiteral("; ")))) +
                     QLatin1Char('\n');
        }
        return std::nullopt;
    }

    const QStringList m_lines;
    const QStringList m_omitted;
    Page *m_page;
    int m_at = 0;
    int m_firstLineNumber = 1;
    bool m_inSection = false;
    bool m_skipping = false;
    QString m_omittedText;
};

std::expected<QStringList, QString> readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

std::optional<QString> readMarkdown(const QString &path, const QStringList &omitted, Page *page)
{
    const auto lines = readLines(path);
    if (!lines)
        return lines.error();
    static const QRegularExpression title(QStringLiteral(R"(^# ([A-Za-z0-9][A-Za-z0-9._-]*)\s*$)"));
    const QRegularExpressionMatch match = title.match(lines->value(0));
    if (!match.hasMatch())
        return QStringLiteral("%1: the first line must be \"# COMMAND-NAME\"").arg(path);
    page->name = match.captured(1);
    MarkdownReader reader(lines->mid(1), omitted, page);
    reader.setFirstLineNumber(2);
    if (const auto problem = reader.read())
        return QStringLiteral("%1: %2").arg(path, *problem);
    return std::nullopt;
}

// Sections of ours that a page gets in addition to what the command says.
std::optional<QString> appendMarkdown(const QString &path, Page *page)
{
    const auto lines = readLines(path);
    if (!lines)
        return lines.error();
    Page extra;
    if (const auto problem = MarkdownReader(*lines, {}, &extra).read())
        return QStringLiteral("%1: %2").arg(path, *problem);
    if (!extra.description.isEmpty() || !extra.synopsis.isEmpty())
        return QStringLiteral("%1: everything must stand under a ## heading").arg(path);
    page->sections += extra.sections;
    return std::nullopt;
}

// --- Help texts -----------------------------------------------------------------------------

int indentOf(const QString &line)
{
    int indent = 0;
    while (indent < line.size() && line.at(indent) == QLatin1Char(' '))
        ++indent;
    return indent;
}

// An item's tag: the command word and the options bold, their arguments as they are.
QString itemTag(const QString &tag)
{
    QStringList words;
    const QStringList parts = tag.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        const QString &word = parts.at(i);
        if (i == 0 || word.startsWith(QLatin1Char('-')))
            words << QStringLiteral("\\fB") + escaped(word) + QStringLiteral("\\fR");
        else
            words << escaped(word);
    }
    return words.join(QLatin1Char(' '));
}

class HelpReader
{
public:
    HelpReader(QStringList lines, Page *page)
        : m_lines(std::move(lines))
        , m_page(page)
    {}

    std::optional<QString> read()
    {
        if (const auto problem = readUsage())
            return problem;
        while (m_at < m_lines.size())
            readBlockLine();
        endBlock();
        return std::nullopt;
    }

private:
    QString &out() { return m_inSection ? m_page->sections : m_page->description; }

    std::optional<QString> readUsage()
    {
        static const QRegularExpression usage(QStringLiteral(R"(^Usage: (\S+)(.*)$)"));
        const QRegularExpressionMatch match = usage.match(m_lines.value(0));
        if (!match.hasMatch())
            return QStringLiteral("the help text does not start with \"Usage: NAME\"");
        m_page->name = QFileInfo(match.captured(1)).fileName();
        QStringList synopses{match.captured(2).trimmed()};
        for (m_at = 1; m_at < m_lines.size() && !m_lines.at(m_at).trimmed().isEmpty(); ++m_at) {
            const QString line = m_lines.at(m_at).trimmed();
            if (indentOf(m_lines.at(m_at)) == 0)
                return QStringLiteral("line %1: the usage lines end with a blank line")
                    .arg(m_at + 1);
            if (line == m_page->name || line.startsWith(m_page->name + QLatin1Char(' ')))
                synopses << line.mid(m_page->name.size()).trimmed();
            else
                synopses.last() += QLatin1Char(' ') + line;
        }
        for (const QString &synopsis : synopses) {
            if (!m_page->synopsis.isEmpty())
                m_page->synopsis += QStringLiteral(".br\n");
            m_page->synopsis += QStringLiteral(".B %1\n").arg(escaped(m_page->name));
            if (!synopsis.isEmpty())
                m_page->synopsis += guardedLine(escaped(synopsis)) + QLatin1Char('\n');
        }
        return std::nullopt;
    }

    void endParagraph()
    {
        if (!m_paragraph.isEmpty())
            out() += QStringLiteral(".PP\n") + m_paragraph;
        m_paragraph.clear();
    }

    void endBlock()
    {
        endParagraph();
        endNames();
    }

    void endNames()
    {
        if (m_names.isEmpty())
            return;
        out() += QStringLiteral(".PP\n.RS 4\n.nf\n");
        for (const QString &name : m_names)
            out() += QStringLiteral("\\fB") + escaped(name) + QStringLiteral("\\fR\n");
        out() += QStringLiteral(".fi\n.RE\n");
        m_names.clear();
    }

    void startSection(const QString &heading)
    {
        endBlock();
        m_inSection = true;
        out() += sectionHeading(heading);
    }

    // The text of an item: what follows its tag, and every line indented deeper than the tag.
    void readItem(int indent, const QString &tag, QString text)
    {
        endParagraph();
        QStringList body;
        if (!text.isEmpty())
            body << text;
        for (++m_at; m_at < m_lines.size(); ++m_at) {
            const QString &line = m_lines.at(m_at);
            if (line.trimmed().isEmpty() || indentOf(line) <= indent)
                break;
            body << line.trimmed();
        }
        if (body.isEmpty()) {
            m_names << tag;
            return;
        }
        endNames();
        out() += QStringLiteral(".TP\n") + itemTag(tag) + QLatin1Char('\n');
        for (const QString &part : body)
            out() += guardedLine(escaped(part)) + QLatin1Char('\n');
    }

    void readBlockLine()
    {
        static const QRegularExpression heading(
            QStringLiteral(R"(^([A-Z][A-Za-z]*(?: [a-z]+){0,2}):$)"));
        static const QRegularExpression headed(
            QStringLiteral(R"(^([A-Z][a-z]*(?: [a-z]+){0,2}): (\S.*)$)"));
        static const QRegularExpression item(
            QStringLiteral(R"(^( *)(\S(?:.*?\S)?)(?: {2,}(\S.*))?$)"));
        static const QRegularExpression marginItem(QStringLiteral(R"(^(\S+) {2,}(\S.*)$)"));

        const QString line = m_lines.at(m_at);
        const bool startsBlock = m_at == 0 || m_lines.at(m_at - 1).trimmed().isEmpty();
        if (line.isEmpty()) {
            endBlock();
            ++m_at;
            return;
        }
        const int indent = indentOf(line);
        if (indent == 0 && startsBlock) {
            if (const auto match = heading.match(line); match.hasMatch()) {
                startSection(match.captured(1));
                ++m_at;
                return;
            }
            if (const auto match = headed.match(line); match.hasMatch()) {
                startSection(match.captured(1));
                m_paragraph = guardedLine(escaped(match.captured(2))) + QLatin1Char('\n');
                ++m_at;
                return;
            }
        }
        if (indent == 0 && m_inSection && m_paragraph.isEmpty()) {
            if (const auto match = marginItem.match(line); match.hasMatch()) {
                readItem(0, match.captured(1), match.captured(2));
                return;
            }
        }
        if (indent > 0 && m_paragraph.isEmpty()) {
            const auto match = item.match(line);
            readItem(indent, match.captured(2), match.captured(3));
            return;
        }
        endNames();
        m_paragraph += guardedLine(escaped(line.trimmed())) + QLatin1Char('\n');
        ++m_at;
    }

    const QStringList m_lines;
    Page *m_page;
    int m_at = 0;
    bool m_inSection = false;
    QString m_paragraph; // roff, not yet written
    QStringList m_names; // items without text, not yet written
};

std::optional<QString> readHelpOf(const QString &program, Page *page)
{
    // Standard error only when the help fails: a Qt program's start-up notes are no news.
    QProcess process;
    process.start(program, {QStringLiteral("--help")}, QIODevice::ReadOnly);
    if (!process.waitForFinished(kHelpTimeoutMs))
        return QStringLiteral("%1 --help did not finish: %2").arg(program, process.errorString());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 --help failed with status %2: %3")
            .arg(program)
            .arg(process.exitCode())
            .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
    QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    // An item with nothing after its tag ("  ports ") keeps the space that would have led in.
    static const QRegularExpression trailingSpace(QStringLiteral(R"(\s+$)"));
    for (QString &line : lines)
        line.remove(trailingSpace);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (const auto problem = HelpReader(lines, page).read())
        return QStringLiteral("%1 --help: %2").arg(program, *problem);
    const QString fileName = QFileInfo(program).fileName();
    if (page->name != fileName)
        return QStringLiteral("%1 --help names the command %2").arg(program, page->name);
    return std::nullopt;
}

// --- The page -------------------------------------------------------------------------------

QString pageDate()
{
    // Reproducible builds set SOURCE_DATE_EPOCH; the page then carries that date.
    const QByteArray epoch = qgetenv("SOURCE_DATE_EPOCH");
    bool ok = false;
    const qint64 seconds = epoch.toLongLong(&ok);
    const QDateTime when =
        ok ? QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC) : QDateTime::currentDateTimeUtc();
    return QLocale::c().toString(when.date(), QStringLiteral("MMMM yyyy"));
}

QString roffPage(const Page &page, const QString &summary, const QString &version)
{
    QString roff =
        QStringLiteral(".TH %1 1 \"%2\" \"%3 %4\" \"User Commands\"\n")
            .arg(escaped(page.name.toUpper()), pageDate(), escaped(page.name), escaped(version));
    roff += QStringLiteral(".SH NAME\n%1 \\- %2\n").arg(escaped(page.name), escaped(summary));
    if (!page.synopsis.isEmpty())
        roff += QStringLiteral(".SH SYNOPSIS\n") + page.synopsis;
    if (!page.description.isEmpty())
        roff += QStringLiteral(".SH DESCRIPTION\n") + page.description;
    return roff + page.sections;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const QString usage = QStringLiteral(
        "usage: manpage --help-of PROGRAM | --markdown README.md  OUTPUT.1 --summary TEXT "
        "--version TEXT [--omit HEADING]... [--append EXTRA.md]");
    if (arguments.size() < 3)
        return fail(usage);
    const QString mode = arguments.takeFirst();
    const QString input = arguments.takeFirst();
    const QString output = arguments.takeFirst();
    QString summary;
    QString version;
    QStringList omitted;
    QStringList appended;
    while (!arguments.isEmpty()) {
        const QString option = arguments.takeFirst();
        if (arguments.isEmpty())
            return fail(usage);
        const QString value = arguments.takeFirst();
        if (option == QLatin1String("--summary"))
            summary = value;
        else if (option == QLatin1String("--version"))
            version = value;
        else if (option == QLatin1String("--omit"))
            omitted << value;
        else if (option == QLatin1String("--append"))
            appended << value;
        else
            return fail(usage);
    }
    if (summary.isEmpty() || version.isEmpty())
        return fail(usage);

    Page page;
    std::optional<QString> problem;
    if (mode == QLatin1String("--help-of") && omitted.isEmpty())
        problem = readHelpOf(input, &page);
    else if (mode == QLatin1String("--markdown"))
        problem = readMarkdown(input, omitted, &page);
    else
        return fail(usage);
    for (const QString &extra : appended)
        if (!problem)
            problem = appendMarkdown(extra, &page);
    if (problem)
        return fail(*problem);

    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(roffPage(page, summary, version).toUtf8()) < 0 || !out.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(output, out.errorString()));
    return 0;
}
