#pragma once

#include "app/log.h"
#include "device/deviceconnection.h"
#include "device/frames.h"
#include "fakedevicestream.h"

#include <QCoreApplication>
#include <QList>
#include <QTest>

#include <atomic>
#include <memory>

// Completions as they arrive, and whether any arrived off the main thread. Held by shared
// pointer: a completion may run after the test that queued it has returned.
struct Outcomes
{
    QList<DeviceConnectionError> codes;
    QList<QByteArray> payloads;
    bool offMainThread = false;

    static std::shared_ptr<Outcomes> create() { return std::make_shared<Outcomes>(); }
};

inline QList<DeviceConnectionError> repeated(int count, DeviceConnectionError code)
{
    QList<DeviceConnectionError> codes;
    for (int i = 0; i < count; ++i)
        codes.append(code);
    return codes;
}

inline DeviceConnection::Done recordTo(const std::shared_ptr<Outcomes> &outcomes)
{
    return [outcomes](DeviceConnectionError code) {
        outcomes->codes.append(code);
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            outcomes->offMainThread = true;
    };
}

inline QByteArray fskAnnouncement()
{
    return frames::buildFskFrame(frames::kFskAnnouncementType);
}

inline QByteArray bootloaderAnnouncement(std::uint8_t level = 2)
{
    return frames::buildBootloaderReply(frames::kBootloaderAnnouncementType, 0,
                                        QByteArray(1, char(level)));
}

inline bool isFskFrame(const QByteArray &bytes, std::uint8_t type)
{
    return bytes.size() == frames::kFskFrameSize && std::uint8_t(bytes.at(0)) == type;
}

inline bool isBootloaderRequest(const QByteArray &bytes, std::uint8_t command)
{
    return bytes.size() == frames::kBootloaderRequestSize && std::uint8_t(bytes.at(2)) == command;
}

// A device that acknowledges every request: FSK requests with the type plus bit 7, bootloader
// commands with the command plus 0x85 from the addressed device. Our answers to its
// announcements get no reply.
inline QByteArray acknowledgeEverything(const QByteArray &written)
{
    if (written.size() == frames::kFskFrameSize) {
        const std::uint8_t type = std::uint8_t(written.at(0));
        if (type == frames::kFskAnnouncementAnswerType)
            return {};
        return frames::buildFskFrame(type | frames::kFskReplyBit);
    }
    if (written.size() == frames::kBootloaderRequestSize) {
        const std::uint8_t command = std::uint8_t(written.at(2));
        if (command == frames::kBootloaderAnnouncementAnswer)
            return {};
        const std::uint8_t device = std::uint8_t(written.at(3));
        return frames::buildBootloaderReply(command + frames::kBootloaderReplyOffset,
                                            std::uint8_t(device << 5));
    }
    return {};
}

// Timings short enough for a fast suite, in the same proportions as the real ones.
inline ConnectionTimings shortTimings()
{
    ConnectionTimings timings;
    timings.ackTimeoutMs = 150;
    timings.inputResetMs = 400;
    timings.modeSwitchTimeoutMs = 300;
    timings.announcementSettleMs = 20;
    timings.bootloaderGoTimeoutMs = 600;
    return timings;
}

// A connection over a fake device, with the log installed and a clock the test moves.
class ConnectionFixture
{
public:
    explicit ConnectionFixture(ConnectionTimings timings = shortTimings())
    {
        Log::install(&log);
        DeviceConnection::Options options;
        options.timings = timings;
        options.clockMs = [this] { return clockMs.load(); };
        options.enumerator = [this](bool) {
            DeviceConnection::StreamList list;
            for (const QString &key : presentKeys) {
                auto other = std::make_shared<FakeDevice>();
                other->key = key;
                list.push_back(std::make_unique<FakeDeviceStream>(other));
            }
            return list;
        };
        connection = std::make_unique<DeviceConnection>(options);
    }
    ~ConnectionFixture()
    {
        connection.reset();
        Log::install(nullptr);
    }

    // Opens the fake device and waits for the outcome.
    bool open()
    {
        auto opened = std::make_shared<int>(-1);
        connection->open(std::make_unique<FakeDeviceStream>(device),
                         [opened](bool ok) { *opened = ok ? 1 : 0; });
        return QTest::qWaitFor([&] { return *opened != -1; }, 2000) && *opened == 1;
    }

    // Opens the fake device and lets it announce itself in `mode`.
    bool openIn(DeviceMode mode)
    {
        if (!open())
            return false;
        device->deliver(mode == DeviceMode::Bootloader ? bootloaderAnnouncement()
                                                       : fskAnnouncement());
        return QTest::qWaitFor([&] { return connection->mode() == mode; }, 2000);
    }

    [[nodiscard]] bool logged(const QString &message) const
    {
        for (int i = 0; i < log.count(); ++i) {
            if (log.entry(i).message == message)
                return true;
        }
        return false;
    }

    Log log;
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    std::atomic<std::uint64_t> clockMs{1'000'000};
    QStringList presentKeys;
    std::unique_ptr<DeviceConnection> connection;
};
