#pragma once

#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>

#include <deque>

struct LogEntry
{
    QString category;
    QString message;
};
Q_DECLARE_METATYPE(LogEntry)

// The application log: every subsystem reports through log(category, message), from any
// thread. Entries are kept in order of arrival for the log viewer. The store is bounded so
// that a long session that traces every cable read cannot grow without limit: when full, the
// oldest entry makes room for the newest.
class Log : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultMaxEntries = 100'000;

    explicit Log(int maxEntries = kDefaultMaxEntries, QObject *parent = nullptr);

    // Never fails and never blocks beyond the short lock around the store.
    void log(QString category, QString message);

    [[nodiscard]] int count() const;
    // A copy of the entry; an index outside the store yields an empty entry.
    [[nodiscard]] LogEntry entry(int index) const;
    [[nodiscard]] int maxEntries() const { return m_maxEntries; }
    // Entries dropped to keep the bound since the last clear.
    [[nodiscard]] qint64 droppedCount() const;

    // When off, log() records nothing and emits nothing.
    void setRecording(bool recording);
    [[nodiscard]] bool isRecording() const;

    void clear();

    // The process-wide log that the free function log() writes to. Start-up installs it;
    // before that (and after uninstalling with nullptr) messages go nowhere.
    static void install(Log *log);
    [[nodiscard]] static Log *installed();

signals:
    void entryAdded(const LogEntry &entry);
    void entriesCleared();

private:
    mutable QRecursiveMutex m_mutex;
    std::deque<LogEntry> m_entries;
    const int m_maxEntries;
    qint64 m_dropped = 0;
    bool m_recording = true;
};

// The one logging entry point of the program: writes to the installed Log.
void log(QString category, QString message);

// Local time as "hh:mm:ss.z", for callers that put a time into a message.
[[nodiscard]] QString currentTimeText();
