#include "cli/consoleoutput.h"

#include "cli/console.h"

#include <QIODevice>
#include <QMutexLocker>

ConsoleLogWriter::ConsoleLogWriter(QIODevice &err)
    : m_err(err)
{
    // Direct: the device-IO thread logs while the main thread may be waiting in a blocking
    // close; a queued line would come too late or never.
    QObject::connect(
        &m_log, &Log::entryAdded, &m_log,
        [this](const LogEntry &entry) {
            QMutexLocker lock(&m_mutex);
            m_err.write(QStringLiteral("[%1] %2\n").arg(entry.category, entry.message).toUtf8());
        },
        Qt::DirectConnection);
    m_previous = Log::installed();
    Log::install(&m_log);
}

ConsoleLogWriter::~ConsoleLogWriter()
{
    Log::install(m_previous);
}

ConsoleMessagePresenter::ConsoleMessagePresenter(Console &console)
    : m_console(console)
    , m_previous(installMessagePresenter(this))
{}

ConsoleMessagePresenter::~ConsoleMessagePresenter()
{
    installMessagePresenter(m_previous);
}

void ConsoleMessagePresenter::showMessage(MessageSeverity, const QString &, const QString &text)
{
    m_shown = true;
    m_console.printError(text);
}
