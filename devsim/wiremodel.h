#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace devsim {

// Bits per byte on an 8N1 serial line: start bit, eight data bits, stop bit.
inline constexpr int kBitsPerByte = 10;
// Data bytes in one USB packet of the cable's chip (64 bytes less 2 status bytes).
inline constexpr int kFtdiPacketDataBytes = 62;

// How long bytes take between the device and the host. All zero (the default) delivers
// everything at once, which keeps tests fast.
struct WireModel
{
    int baudRate = 0; ///< 0 = bytes take no time on the line; otherwise kBitsPerByte / baud each
    int turnaroundMs = 0;   ///< from the end of a request to the first byte of its reply
    int latencyTimerMs = 0; ///< a cable chip holds a trailing short packet this long; for paths
                            ///< without the simulated cable, whose backend models the chip itself
};

// A stretch of bytes as it reaches the other end, and when (microseconds).
struct WirePiece
{
    qint64 dueUs = 0;
    QByteArray bytes;
};

// One direction of the line: bytes leave one after another, never overlapping, and reach
// the far end in order.
class WireDirection
{
public:
    [[nodiscard]] static qint64 transferUs(qsizetype bytes, int baudRate);

    // Puts `bytes` on the line no earlier than `readyUs`. With a latency timer, full chip
    // packets arrive as their last byte does and a trailing short packet waits for the
    // timer, counted from its first byte.
    [[nodiscard]] std::vector<WirePiece> send(const QByteArray &bytes, qint64 readyUs,
                                              const WireModel &wire);

    // When the line is free again and when the last piece arrives.
    [[nodiscard]] qint64 freeAtUs() const { return m_freeAtUs; }
    [[nodiscard]] qint64 lastDueUs() const { return m_lastDueUs; }
    void reset(qint64 nowUs) { m_freeAtUs = m_lastDueUs = nowUs; }

private:
    qint64 m_freeAtUs = 0;
    qint64 m_lastDueUs = 0;
};

} // namespace devsim
