#pragma once

#include "app/log.h"

#include <QStringList>

// The messages logged in one category, in order.
inline QStringList loggedMessages(const Log &log, const QString &category)
{
    QStringList messages;
    for (int i = 0; i < log.count(); ++i) {
        const LogEntry entry = log.entry(i);
        if (entry.category == category)
            messages.append(entry.message);
    }
    return messages;
}
