#pragma once

#include "device/deviceconnectionerror.h"
#include "device/devicemode.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <optional>

// Finds frames of both protocols in the bytes received from a device. Bytes go in through
// feed(); announcements and replies come out through callbacks. Junk stays in the buffer until
// a later frame consumes it as its prefix, the size cap pushes it out, or the owner clears the
// buffer after a silence.
//
// The owner numbers the writes it hands to the stream and tells feed() after which write the
// bytes were read. Input read before a command's write cannot answer it: a reply that came
// twice, or too late for the command before, would otherwise be taken for the next command's
// reply and shift every reply after it by one. So bytes read after a later write than those in
// the buffer drop the buffer (a partial frame there can no longer complete into a reply), and a
// frame is a command's reply only when it was read after that command's write.
class FrameFinder
{
public:
    // The buffer is trimmed to this size on every arrival; a single larger arrival is kept whole
    // so that no frame inside it is lost.
    static constexpr int kBufferCapBytes = 512;

    struct AwaitedReply
    {
        std::uint8_t type = 0;
        std::uint8_t device = 0;       // the device index a bootloader reply must carry
        std::uint64_t sentByWrite = 0; // the number of the write that sent the command
    };

    struct Callbacks
    {
        // The reply the command in flight waits for, if any. Asked again before every match,
        // because completing one command sends the next.
        std::function<std::optional<AwaitedReply>()> awaitedReply;
        // A device made itself known in `mode`; `level` is the bootloader's announced level.
        std::function<void(DeviceMode mode, std::optional<std::uint8_t> level)> announcement;
        // The awaited reply arrived, with its result code and payload.
        std::function<void(DeviceConnectionError code, const QByteArray &payload)> reply;
    };

    explicit FrameFinder(Callbacks callbacks);

    // Appends `bytes`, read after the owner's write number `readAfterWrite` (0: before any),
    // and takes out every frame that can be recognised while the link is believed to be in
    // `mode`. Bytes read before the write of the buffer's bytes are dropped unseen.
    void feed(const QByteArray &bytes, DeviceMode mode, std::uint64_t readAfterWrite = 0);
    void clear();

    [[nodiscard]] int size() const { return int(m_buffer.size()) - m_start; }
    [[nodiscard]] QByteArray buffered() const { return m_buffer.mid(m_start); }

private:
    enum class Accept { AnnouncementsOnly, AllButAnnouncements };

    void startAfterWrite(std::uint64_t readAfterWrite);
    [[nodiscard]] bool isReplyTo(std::uint8_t type,
                                 const std::optional<AwaitedReply> &awaited) const;
    bool tryBootloaderFrame(int position, Accept accept);
    bool tryFskFrame(int position, Accept accept);
    void scanCurrentMode(int from, DeviceMode mode);
    void logCount(const char *text, DeviceMode mode) const;
    void logUnexpected(const std::optional<AwaitedReply> &awaited) const;
    [[nodiscard]] std::optional<AwaitedReply> awaitedReply() const;
    void consume(int count);
    [[nodiscard]] const std::uint8_t *at(int position) const;

    Callbacks m_callbacks;
    // Consumed bytes are skipped by moving m_start, and compacted once per feed, so that a huge
    // arrival full of frames costs linear time.
    QByteArray m_buffer;
    int m_start = 0;
    // The write after which the buffer's bytes were read.
    std::uint64_t m_readAfterWrite = 0;
};
