#include "app/ui/logview/protocollogentry.h"

QString protocolLogTag(const ProtocolLogEntry &entry)
{
    switch (entry.kind) {
    case PacketKind::Loopback:
        return QStringLiteral("Loopback");
    case PacketKind::Junk:
        return QStringLiteral("Junk");
    case PacketKind::Ordinary:
        break;
    }
    return entry.direction == PacketDirection::Sent ? QStringLiteral("TX") : QStringLiteral("RX");
}

QColor protocolLogHeaderColor(const ProtocolLogEntry &entry)
{
    if (entry.kind != PacketKind::Ordinary)
        return QColor(80, 80, 80);
    return entry.direction == PacketDirection::Sent ? QColor(8, 99, 186) : QColor(194, 30, 20);
}
