#include "devsim/wiremodel.h"

#include <algorithm>

namespace devsim {

namespace {

constexpr qint64 kMicrosecondsPerSecond = 1'000'000;
constexpr qint64 kMicrosecondsPerMs = 1000;

} // namespace

qint64 WireDirection::transferUs(qsizetype bytes, int baudRate)
{
    if (baudRate <= 0)
        return 0;
    return qint64(bytes) * kBitsPerByte * kMicrosecondsPerSecond / baudRate;
}

std::vector<WirePiece> WireDirection::send(const QByteArray &bytes, qint64 readyUs,
                                           const WireModel &wire)
{
    std::vector<WirePiece> pieces;
    if (bytes.isEmpty())
        return pieces;
    const qint64 startUs = std::max(readyUs, m_freeAtUs);
    m_freeAtUs = startUs + transferUs(bytes.size(), wire.baudRate);

    const bool packetised = wire.latencyTimerMs > 0;
    const qsizetype pieceSize = packetised ? kFtdiPacketDataBytes : bytes.size();
    for (qsizetype offset = 0; offset < bytes.size(); offset += pieceSize) {
        const QByteArray piece = bytes.mid(offset, pieceSize);
        const qint64 lastByteUs = startUs + transferUs(offset + piece.size(), wire.baudRate);
        qint64 dueUs = lastByteUs;
        if (packetised && piece.size() < kFtdiPacketDataBytes) {
            const qint64 firstByteUs = startUs + transferUs(offset + 1, wire.baudRate);
            dueUs = std::max(lastByteUs, firstByteUs + wire.latencyTimerMs * kMicrosecondsPerMs);
        }
        // Bytes never overtake each other.
        dueUs = std::max(dueUs, m_lastDueUs);
        m_lastDueUs = dueUs;
        pieces.push_back({dueUs, piece});
    }
    return pieces;
}

} // namespace devsim
