#include "app/ui/logview/logviewstate.h"

#include <algorithm>
#include <vector>

namespace {

// Entries read between two looks at the dropped count; small enough that a busy logger rarely
// shifts the log in the middle of one.
constexpr int kReadChunkEntries = 256;
// A logger that never pauses can move a full log between any two looks at it. After this many
// tries a read takes what it got, at worst a line skipped or shown twice, rather than keep the
// GUI thread waiting for the logger to stop.
constexpr int kMaxReadRetries = 16;

// Lines of dropped entries may stay on view up to this share of the log's bound.
constexpr int kTrimBatchDivisor = 20;

// One past the newest entry. count() is read between two equal dropped counts: a full log that
// drops an entry in between would otherwise give a sum one short.
qint64 endSequence(const Log &log)
{
    for (int tries = 0;; ++tries) {
        const qint64 dropped = log.droppedCount();
        const int count = log.count();
        if (log.droppedCount() == dropped || tries == kMaxReadRetries)
            return dropped + count;
    }
}

// The blocks a message and its line break make in a text document: the document starts a new
// block at each of these separators, CR LF counting as one.
int blockCount(const QString &message)
{
    int blocks = 1;
    const qsizetype size = message.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar ch = message.at(i);
        if (ch == u'\r') {
            ++blocks;
            if (i + 1 < size && message.at(i + 1) == u'\n')
                ++i;
        } else if (ch == u'\n' || ch == QChar::ParagraphSeparator) {
            ++blocks;
        }
    }
    return blocks;
}

} // namespace

LogViewState::LogViewState(const Log &log)
    : m_log(log)
{}

bool LogViewState::isShown(const QString &category) const
{
    return m_shown.value(category, true);
}

void LogViewState::setShown(const QString &category, bool shown)
{
    addCategory(category);
    m_shown[category] = shown;
}

bool LogViewState::addCategory(const QString &category)
{
    if (m_shown.contains(category))
        return false;
    m_shown.insert(category, true);
    m_categories.append(category);
    return true;
}

bool LogViewState::noteAndCheck(const QString &category)
{
    const auto found = m_shown.constFind(category);
    if (found != m_shown.constEnd())
        return found.value();
    addCategory(category);
    return true;
}

template <typename Visit> qint64 LogViewState::readFrom(qint64 sequence, qint64 end, Visit &&visit)
{
    std::vector<LogEntry> chunk;
    chunk.reserve(kReadChunkEntries);
    int chunkSize = kReadChunkEntries;
    int retries = 0;
    while (sequence < end) {
        const qint64 dropped = m_log.droppedCount();
        // Entries before the oldest one held were dropped before we got to them.
        sequence = std::max(sequence, dropped);
        if (sequence >= end)
            break;
        const int first = int(sequence - dropped);
        const int size = int(std::min<qint64>(chunkSize, end - sequence));
        chunk.clear();
        for (int i = 0; i < size; ++i)
            chunk.push_back(m_log.entry(first + i));
        // Only a clear shrinks the log; its entriesCleared signal restarts us.
        if (m_log.count() < first + size)
            break;
        // The log dropped entries while we read, so the indexes moved: read again, a smaller
        // chunk, which fits more easily between two entries.
        if (m_log.droppedCount() != dropped && retries++ < kMaxReadRetries) {
            chunkSize = std::max(1, chunkSize / 2);
            continue;
        }
        retries = 0;
        chunkSize = std::min(kReadChunkEntries, 2 * chunkSize);
        for (LogEntry &entry : chunk)
            visit(sequence++, entry);
    }
    return sequence;
}

void LogViewState::restart()
{
    m_nextSequence = 0;
    m_refillEnd = endSequence(m_log);
    m_lines.clear();
}

LogViewState::Update LogViewState::readNew(int maxEntries)
{
    return readUntil(firstUnread() + maxEntries, endSequence(m_log));
}

LogViewState::Update LogViewState::readRefill(int maxEntries)
{
    return readUntil(firstUnread() + maxEntries, m_refillEnd);
}

qint64 LogViewState::firstUnread() const
{
    return std::max(m_nextSequence, m_log.droppedCount());
}

LogViewState::Update LogViewState::readUntil(qint64 limit, qint64 end)
{
    Update update;
    update.stoppedShort = limit < end;
    end = std::min(limit, end);
    m_nextSequence = readFrom(m_nextSequence, end, [&](qint64 sequence, const LogEntry &entry) {
        if (!noteAndCheck(entry.category))
            return;
        m_lines.push_back({sequence, blockCount(entry.message)});
        update.text += entry.message;
        update.text += u'\n';
    });

    // Every removal from a text document is followed by a compaction of its whole text buffer,
    // so the lines of dropped entries go in batches of a small share of the log's bound rather
    // than as each entry is dropped. A small log is followed exactly.
    const qint64 oldestHeld = m_log.droppedCount();
    const auto firstHeld = std::lower_bound(
        m_lines.begin(), m_lines.end(), oldestHeld,
        [](const ShownLines &lines, qint64 sequence) { return lines.sequence < sequence; });
    if (firstHeld - m_lines.begin() > m_log.maxEntries() / kTrimBatchDivisor) {
        for (auto it = m_lines.begin(); it != firstHeld; ++it)
            update.leadingBlocksToRemove += it->blocks;
        m_lines.erase(m_lines.begin(), firstHeld);
    }
    return update;
}
