#include "app/log.h"

#include <QMutexLocker>
#include <QTime>

#include <atomic>

namespace {

std::atomic<Log *> installedLog{nullptr};

const int logEntryTypeId = qRegisterMetaType<LogEntry>("LogEntry");

} // namespace

Log::Log(int maxEntries, QObject *parent)
    : QObject(parent)
    , m_maxEntries(qMax(1, maxEntries))
{
    Q_UNUSED(logEntryTypeId);
}

void Log::log(QString category, QString message)
{
    LogEntry entry{std::move(category), std::move(message)};
    {
        QMutexLocker locker(&m_mutex);
        if (!m_recording)
            return;
        if (int(m_entries.size()) >= m_maxEntries) {
            m_entries.pop_front();
            ++m_dropped;
        }
        m_entries.push_back(entry);
    }
    // Emitted outside the lock: a directly connected slot may call back into the log, and a
    // queued one on another thread must not wait for us.
    emit entryAdded(entry);
}

int Log::count() const
{
    QMutexLocker locker(&m_mutex);
    return int(m_entries.size());
}

LogEntry Log::entry(int index) const
{
    QMutexLocker locker(&m_mutex);
    if (index < 0 || index >= int(m_entries.size()))
        return {};
    return m_entries[size_t(index)];
}

qint64 Log::droppedCount() const
{
    QMutexLocker locker(&m_mutex);
    return m_dropped;
}

void Log::setRecording(bool recording)
{
    QMutexLocker locker(&m_mutex);
    m_recording = recording;
}

bool Log::isRecording() const
{
    QMutexLocker locker(&m_mutex);
    return m_recording;
}

void Log::clear()
{
    {
        QMutexLocker locker(&m_mutex);
        m_entries.clear();
        m_dropped = 0;
    }
    emit entriesCleared();
}

void Log::install(Log *log)
{
    installedLog.store(log);
}

Log *Log::installed()
{
    return installedLog.load();
}

void log(QString category, QString message)
{
    if (Log *target = installedLog.load())
        target->log(std::move(category), std::move(message));
}

QString currentTimeText()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.z"));
}
