#pragma once

#include <QColor>
#include <QList>
#include <QString>

enum class PacketDirection { Sent = 0, Received = 1 };

enum class PacketKind { Ordinary = 0, Loopback = 1, Junk = 2 };

struct ProtocolLogRow
{
    QString label;
    QString value;
};

// One packet as the protocol log shows it: a card with a header and labelled rows.
struct ProtocolLogEntry
{
    PacketDirection direction = PacketDirection::Sent;
    PacketKind kind = PacketKind::Ordinary;
    QString title;
    QList<ProtocolLogRow> rows;
};

// "TX" or "RX" for ordinary packets; loopback and junk are named for what they are, whichever
// way they went.
[[nodiscard]] QString protocolLogTag(const ProtocolLogEntry &entry);
[[nodiscard]] QColor protocolLogHeaderColor(const ProtocolLogEntry &entry);
