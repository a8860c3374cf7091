#include "device/framefinder.h"

#include "app/log.h"
#include "device/checksum.h"
#include "device/frames.h"

namespace {

const QString kCategory = QStringLiteral("DeviceConnection");

QString hex(int value)
{
    return QString::number(value, 16);
}

std::uint16_t littleEndian16(const std::uint8_t *bytes)
{
    return std::uint16_t(bytes[0] | (bytes[1] << 8));
}

// A device reports one of our error codes; anything beyond the table is not a code we know.
DeviceConnectionError deviceResultCode(int code)
{
    if (code >= kDeviceConnectionErrorCount)
        return DeviceConnectionError::InvalidReply;
    return DeviceConnectionError(code);
}

} // namespace

FrameFinder::FrameFinder(Callbacks callbacks)
    : m_callbacks(std::move(callbacks))
{}

std::optional<FrameFinder::AwaitedReply> FrameFinder::awaitedReply() const
{
    return m_callbacks.awaitedReply ? m_callbacks.awaitedReply() : std::nullopt;
}

void FrameFinder::clear()
{
    m_buffer.clear();
    m_start = 0;
}

const std::uint8_t *FrameFinder::at(int position) const
{
    return reinterpret_cast<const std::uint8_t *>(m_buffer.constData()) + m_start + position;
}

void FrameFinder::consume(int count)
{
    m_start += count;
    if (m_start >= m_buffer.size())
        clear();
}

void FrameFinder::logCount(const char *text, DeviceMode mode) const
{
    log(kCategory, QStringLiteral("%1 count now: %2, mode: %3")
                       .arg(QLatin1String(text))
                       .arg(size())
                       .arg(deviceModeName(mode)));
}

void FrameFinder::logUnexpected(const std::optional<AwaitedReply> &awaited) const
{
    log(kCategory, QStringLiteral("    which was unexpected (expected: 0x%1)")
                       .arg(hex(awaited ? awaited->type : 0)));
}

void FrameFinder::startAfterWrite(std::uint64_t readAfterWrite)
{
    if (size() > 0)
        log(kCategory,
            QStringLiteral("Dropped %1 byte(s) received before the last write").arg(size()));
    clear();
    m_readAfterWrite = readAfterWrite;
}

bool FrameFinder::isReplyTo(std::uint8_t type, const std::optional<AwaitedReply> &awaited) const
{
    if (!awaited || awaited->type != type) {
        logUnexpected(awaited);
        return false;
    }
    if (awaited->sentByWrite > m_readAfterWrite) {
        log(kCategory, QStringLiteral("    which was received before the command was sent"));
        return false;
    }
    return true;
}

void FrameFinder::feed(const QByteArray &bytes, DeviceMode mode, std::uint64_t readAfterWrite)
{
    if (readAfterWrite < m_readAfterWrite) {
        // Read before bytes that are already here: they can complete no frame to come.
        log(kCategory,
            QStringLiteral("Dropped %1 byte(s) received before the last write").arg(bytes.size()));
        return;
    }
    if (readAfterWrite > m_readAfterWrite)
        startAfterWrite(readAfterWrite);

    const int excess = size() + int(bytes.size()) - kBufferCapBytes;
    if (excess >= size())
        clear();
    else if (excess > 0)
        consume(excess);
    if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
    logCount("Appended data to inputBuffer.", mode);

    // A reply to the command in flight is expected at the very front.
    if (mode == DeviceMode::Bootloader)
        tryBootloaderFrame(0, Accept::AllButAnnouncements);
    else if (mode == DeviceMode::FSK)
        tryFskFrame(0, Accept::AllButAnnouncements);
    logCount("inputBuffer", mode);

    // Announcements are looked for in every mode, so that a device is recognised whatever we
    // believed it was running. The position advances after a consumed frame too.
    for (int p = 0; p <= size() - frames::kBootloaderReplySize; ++p)
        tryBootloaderFrame(p, Accept::AnnouncementsOnly);
    for (int p = 0; p <= size() - frames::kFskFrameSize; ++p)
        tryFskFrame(p, Accept::AnnouncementsOnly);
    logCount("inputBuffer", mode);

    scanCurrentMode(1, mode);

    if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
}

void FrameFinder::scanCurrentMode(int from, DeviceMode mode)
{
    if (mode == DeviceMode::Bootloader) {
        for (int p = from; p <= size() - frames::kBootloaderReplySize; ++p)
            tryBootloaderFrame(p, Accept::AllButAnnouncements);
    } else if (mode == DeviceMode::FSK) {
        for (int p = from; p <= size() - frames::kFskFrameSize; ++p)
            tryFskFrame(p, Accept::AllButAnnouncements);
    }
}

bool FrameFinder::tryBootloaderFrame(int position, Accept accept)
{
    constexpr int kFrameSize = frames::kBootloaderReplySize;
    constexpr int kChecksummed = kFrameSize - 2;
    if (size() < position + kFrameSize)
        return false;
    const std::uint8_t *frame = at(position);
    if (frame[0] != frames::kBootloaderMarker || frame[1] != frames::kBootloaderMarker)
        return false;
    log(kCategory, QStringLiteral("Found likely bootloader packet at %1").arg(position));

    const std::uint16_t computed =
        frameChecksum(reinterpret_cast<const char *>(frame), kChecksummed);
    const std::uint16_t received = littleEndian16(frame + kChecksummed);
    if (computed != received) {
        log(kCategory,
            QStringLiteral("    but checksum didn't match: %1 vs %2").arg(computed).arg(received));
        return false;
    }
    log(kCategory, QStringLiteral("    and checksum matched"));

    const std::uint8_t type = frame[2];
    const bool isAnnouncement = type == frames::kBootloaderAnnouncementType;
    if (isAnnouncement != (accept == Accept::AnnouncementsOnly))
        return false;
    log(kCategory, QStringLiteral("    packet type: 0x%1").arg(hex(type)));

    const std::uint8_t status = frame[3];
    const QByteArray payload(reinterpret_cast<const char *>(frame + 4),
                             frames::kBootloaderReplyPayload);
    // Everything before the frame is junk and goes with it. The frame leaves the buffer before
    // the callbacks run, so that they see the buffer as it will stay.
    consume(position + kFrameSize);

    if (isAnnouncement) {
        if (m_callbacks.announcement)
            m_callbacks.announcement(DeviceMode::Bootloader, std::uint8_t(payload.at(0)));
        return true;
    }
    const std::optional<AwaitedReply> awaited = awaitedReply();
    if (!isReplyTo(type, awaited))
        return true;
    const DeviceConnectionError code =
        frames::bootloaderStatusDevice(status) == awaited->device
            ? deviceResultCode(frames::bootloaderStatusResult(status))
            : DeviceConnectionError::InvalidDeviceId;
    if (m_callbacks.reply)
        m_callbacks.reply(code, payload);
    return true;
}

bool FrameFinder::tryFskFrame(int position, Accept accept)
{
    if (size() < position + frames::kFskFrameSize)
        return false;
    const std::uint8_t *frame = at(position);
    const int length = frame[1];
    if (length > frames::kFskMaxPayload)
        return false;
    const std::uint16_t computed = frameChecksum(reinterpret_cast<const char *>(frame), length + 2);
    if (computed != littleEndian16(frame + length + 2))
        return false;
    log(kCategory, QStringLiteral("Found FSK packet (checksum matched)"));

    const std::uint8_t type = frame[0];
    const bool isAnnouncement = type == frames::kFskAnnouncementType;
    if (isAnnouncement != (accept == Accept::AnnouncementsOnly))
        return false;
    log(kCategory, QStringLiteral("    packet type: 0x%1").arg(hex(type)));

    const QByteArray payload(reinterpret_cast<const char *>(frame + 2), length);
    consume(position + frames::kFskFrameSize);

    if (isAnnouncement) {
        if (m_callbacks.announcement)
            m_callbacks.announcement(DeviceMode::FSK, std::nullopt);
        return true;
    }
    if (!isReplyTo(type, awaitedReply()))
        return true;
    if (m_callbacks.reply)
        m_callbacks.reply(DeviceConnectionError::NoError, payload);
    return true;
}
