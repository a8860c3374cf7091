#pragma once

#include "app/log.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <deque>

// What the log viewer shows of a Log: the categories seen so far with their check state, and
// the lines of the entries whose category is checked.
//
// It follows the log by sequence number (entries stored since the last clear: the dropped count
// plus the index) instead of by the content of entryAdded. Another thread may log while the
// viewer reads the whole log, and with the signal's copy alone an entry stored just before the
// read but signalled just after it would appear twice. By sequence, every entry is read once,
// and the lines of entries that the bounded log has since dropped can be taken out of the view.
class LogViewState
{
public:
    explicit LogViewState(const Log &log);

    struct Update
    {
        // Lines to append, each ending in a line break.
        QString text;
        // Blocks at the top of the view (a message may hold line breaks) whose entries the log
        // no longer holds.
        int leadingBlocksToRemove = 0;
        // The read stopped at maxEntries with more to read.
        bool stoppedShort = false;
    };

    // In order of first appearance.
    [[nodiscard]] const QStringList &categories() const { return m_categories; }
    [[nodiscard]] bool isShown(const QString &category) const;
    void setShown(const QString &category, bool shown);
    // A category not seen before is added, shown. Returns whether it was new.
    bool addCategory(const QString &category);

    // The view is emptied: the entries the log holds are to be read again, oldest first.
    void restart();
    // Reads at most maxEntries entries not read yet, oldest first.
    [[nodiscard]] Update readNew(int maxEntries);
    // The same, but stops at the entries the log held at the last restart: a refresh while the
    // viewer is paused shows what was there, not what has come since.
    [[nodiscard]] Update readRefill(int maxEntries);
    [[nodiscard]] bool isRefilling() const { return m_nextSequence < m_refillEnd; }

private:
    struct ShownLines
    {
        qint64 sequence;
        int blocks;
    };

    template <typename Visit> qint64 readFrom(qint64 sequence, qint64 end, Visit &&visit);
    [[nodiscard]] Update readUntil(qint64 limit, qint64 end);
    [[nodiscard]] qint64 firstUnread() const;
    bool noteAndCheck(const QString &category);

    const Log &m_log;
    QStringList m_categories;
    QHash<QString, bool> m_shown;
    qint64 m_nextSequence = 0;
    qint64 m_refillEnd = 0;
    std::deque<ShownLines> m_lines;
};
