#include "hostend.h"

#include "device/checksum.h"
#include "device/frames.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

namespace hostend {

namespace {

constexpr int kHandshakeTimeoutMs = 5000;
constexpr int kPollMs = 2;

std::uint16_t storedChecksum(const QByteArray &bytes, int at)
{
    return std::uint16_t(std::uint8_t(bytes[at]) | (std::uint8_t(bytes[at + 1]) << 8));
}

bool bootloaderFrameAt(const QByteArray &bytes, int p)
{
    const int end = frames::kBootloaderReplySize - 2;
    return p + frames::kBootloaderReplySize <= bytes.size() && bytes[p] == 'H' &&
           bytes[p + 1] == 'H' &&
           frameChecksum(bytes.constData() + p, end) == storedChecksum(bytes, p + end);
}

bool fskFrameAt(const QByteArray &bytes, int p)
{
    if (p + frames::kFskFrameSize > bytes.size())
        return false;
    const int length = std::uint8_t(bytes[p + 1]);
    return length <= frames::kFskMaxPayload && frameChecksum(bytes.constData() + p, 2 + length) ==
                                                   storedChecksum(bytes, p + 2 + length);
}

} // namespace

QByteArray takeSentBytes(devsim::SimulatedDevice &device)
{
    QByteArray sent;
    for (const devsim::Transmission &out : device.takeOutput())
        sent += out.bytes;
    return sent;
}

std::vector<DeviceFrame> parseDeviceFrames(const QByteArray &bytes)
{
    std::vector<DeviceFrame> found;
    int p = 0;
    while (p < bytes.size()) {
        if (bootloaderFrameAt(bytes, p)) {
            found.push_back({true, std::uint8_t(bytes[p + 2]), std::uint8_t(bytes[p + 3]),
                             bytes.mid(p + 4, frames::kBootloaderReplyPayload)});
            p += frames::kBootloaderReplySize;
        } else if (fskFrameAt(bytes, p)) {
            found.push_back(
                {false, std::uint8_t(bytes[p]), 0, bytes.mid(p + 2, std::uint8_t(bytes[p + 1]))});
            p += frames::kFskFrameSize;
        } else {
            ++p;
        }
    }
    return found;
}

devsim::DeviceProfile fastProfile()
{
    devsim::DeviceProfile profile = devsim::defaultReceiverProfile();
    profile.bootDelayMs = 1;
    profile.announceIntervalMs = 20;
    return profile;
}

QByteArray fskRequest(std::uint8_t type, const QByteArray &payload)
{
    return frames::buildFskFrame(type, payload);
}

QByteArray bootloaderRequest(std::uint8_t command, std::uint8_t argument)
{
    return frames::buildBootloaderFrame(command, argument);
}

QByteArray announcementAnswer(bool bootloader)
{
    return bootloader ? bootloaderRequest(frames::kBootloaderAnnouncementAnswer)
                      : fskRequest(frames::kFskAnnouncementAnswerType);
}

devsim::DeviceSimulator::DeliverToHost Collector::deliverFunction()
{
    return [this](const QByteArray &bytes) {
        QMutexLocker lock(&m_mutex);
        m_bytes.append(bytes);
    };
}

void Collector::attachTo(devsim::DeviceSimulator &simulator)
{
    simulator.connectHost(deliverFunction(), [this] {
        QMutexLocker lock(&m_mutex);
        ++m_gone;
    });
}

QByteArray Collector::bytes() const
{
    QMutexLocker lock(&m_mutex);
    return m_bytes;
}

std::vector<DeviceFrame> Collector::replies() const
{
    std::vector<DeviceFrame> found;
    for (DeviceFrame &frame : frames()) {
        if (frame.type & frames::kFskReplyBit)
            found.push_back(std::move(frame));
    }
    return found;
}

int Collector::goneCalls() const
{
    QMutexLocker lock(&m_mutex);
    return m_gone;
}

void Collector::clear()
{
    QMutexLocker lock(&m_mutex);
    m_bytes.clear();
}

bool completeHandshake(devsim::DeviceSimulator &simulator, Collector &host, bool bootloader)
{
    const std::uint8_t announcement =
        bootloader ? frames::kBootloaderAnnouncementType : frames::kFskAnnouncementType;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kHandshakeTimeoutMs) {
        for (const DeviceFrame &frame : host.frames()) {
            if (frame.bootloader == bootloader && frame.type == announcement) {
                simulator.writeFromHost(announcementAnswer(bootloader));
                while (!simulator.isAnswered() && waited.elapsed() < kHandshakeTimeoutMs)
                    QThread::msleep(kPollMs);
                host.clear();
                return simulator.isAnswered();
            }
        }
        QThread::msleep(kPollMs);
    }
    return false;
}

} // namespace hostend
