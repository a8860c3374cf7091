#pragma once

#include "device/connectiontimings.h"
#include "device/deviceconnectionerror.h"
#include "device/devicemode.h"
#include "device/devicestream.h"
#include "device/framefinder.h"
#include "device/fsktypes.h"
#include "device/idrequestdata.h"
#include "device/task.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class StreamIo;
class StreamRelay;

// Status code of a stream fault, in the numbering of the cable's driver library.
using FtStatus = unsigned long;
inline constexpr FtStatus kStreamIoErrorStatus = 4;

// One queued command.
struct PendingCommand
{
    QByteArray packet;
    std::uint8_t device = 0; // the device index a bootloader reply must carry
    std::uint8_t expectedType = 0;
    std::function<void(DeviceConnectionError, QByteArray)> completion;
    bool expectsReply = true;
    int timeoutMs = 0; // 0 or less: the default acknowledgement timeout
    // The number of the write that sent it; input read before that write is no reply to it.
    std::uint64_t sentByWrite = 0;
};

using DeviceStreamList = std::vector<std::unique_ptr<DeviceStream>>;
// Lists the attached cables and ports (new, unopened streams), given the FTDI-PID setting.
using DeviceStreamEnumerator = std::function<DeviceStreamList(bool ftdiPidEnabled)>;

// How a command is queued: which device must answer a bootloader command, how long to wait
// (0 or less: the acknowledgement timeout), and whether an answer comes at all.
struct DeviceCommandOptions
{
    std::uint8_t device = 0;
    int timeoutMs = 0;
    bool expectsReply = true;
};

// Why the last open attempt failed; empty reason after a successful one.
struct StreamOpenFailure
{
    QString reason;
    bool accessDenied = false;
    bool inUse = false; // another program holds the device
};

// What the connection is built with; tests hand in their own devices, clock and timings.
struct DeviceConnectionOptions
{
    ConnectionTimings timings;
    // Unset: the attached USB CDC ports and programming cables (availableStreams over the
    // default cable library), and the default library's cable list for the debug menu.
    DeviceStreamEnumerator enumerator;
    std::function<void()> cableLogger;      // logs the cable list for the debug menu
    std::function<std::uint64_t()> clockMs; // a monotonic millisecond tick
};

// The program's single link to a device: owns the open stream, finds frames in what it sends,
// tracks the protocol it speaks, and runs a queue of commands of which one at a time is in
// flight. Lives on the main thread; every completion is delivered there, exactly once.
class DeviceConnection : public QObject
{
    Q_OBJECT

public:
    using StreamList = DeviceStreamList;
    using StreamEnumerator = DeviceStreamEnumerator;
    using Done = std::function<void(DeviceConnectionError)>;
    using ReplyDone = std::function<void(DeviceConnectionError, QByteArray)>;

    using CommandOptions = DeviceCommandOptions;
    using Options = DeviceConnectionOptions;

    explicit DeviceConnection(Options options = {}, QObject *parent = nullptr);
    ~DeviceConnection() override;

    [[nodiscard]] static QString errorString(DeviceConnectionError error);

    // Takes `stream`, opens it on the device-IO thread and reports the outcome; a stream that
    // fails to open is deleted. An open stream is closed first.
    void open(std::unique_ptr<DeviceStream> stream, std::function<void(bool)> done);
    // Blocks until the stream has closed on the device-IO thread.
    bool close();
    void closeIfDeviceGone();
    [[nodiscard]] StreamList availableStreams() const;
    void logFtdiCables() const;

    [[nodiscard]] bool isOpen() const { return m_stream != nullptr; }
    [[nodiscard]] const DeviceStream *stream() const { return m_stream.get(); }
    [[nodiscard]] const StreamOpenFailure &lastOpenFailure() const { return m_lastOpenFailure; }
    [[nodiscard]] bool isFaulted() const { return m_faulted; }
    void clearFaulted();
    [[nodiscard]] DeviceMode mode() const { return m_mode; }
    [[nodiscard]] std::uint8_t announcedLevel() const { return m_announcedLevel; }
    [[nodiscard]] bool ftdiPidEnabled() const { return m_ftdiPidEnabled; }
    void setFtdiPidEnabled(bool enabled) { m_ftdiPidEnabled = enabled; }
    [[nodiscard]] const ConnectionTimings &timings() const { return m_timings; }
    [[nodiscard]] QString statusText() const;

    // Sends raw bytes; input waiting at that moment is delivered first, and never taken for a
    // reply to what is sent now or later.
    void write(const QByteArray &bytes);

    void switchToMode(DeviceMode target, Done done);
    void powerOn(Done done);
    // With repowerAfterMs >= 0 the power comes back on after that delay; `done` reports the
    // switching off.
    void powerOff(int repowerAfterMs, Done done);
    void pingDevice();

    // ---- Command sets ---------------------------------------------------------------------
    // Implemented by job in fskcommands.cpp, fskrangetransfers.cpp, fsklistcommands.cpp,
    // bootloadercommands.cpp and saxtransfer.cpp; payloads in fskpayloads.h, SAX files in
    // saxfile.h. Every operation completes exactly once, on the main thread.

    using TncStatus = FskTncStatus;
    using Progress = std::function<void(float)>; // 0.0 to 1.0
    using ByteDone = std::function<void(DeviceConnectionError, std::uint8_t)>;
    using TncStatusDone = std::function<void(DeviceConnectionError, std::uint8_t, QByteArray)>;

    // Application (FSK) commands. The device must run its application: in any other mode they
    // fail with InvalidState and send nothing. A reply that is not as required is InvalidReply.
    Task<std::shared_ptr<FskIdRequestData>> fskIdRequestAsync();
    Task<QString> fskReadSerialAsync();
    Task<QString> fskReadFaaSerialNumber();
    Task<TncStatus> fskTncStatusAsync();
    void fskTncStatus(TncStatusDone done);
    void fskReadLimited(std::uint16_t address, std::uint8_t count, ReplyDone done);
    // Data that does not fit into one frame fails with WriteError, unsent.
    void fskWriteLimited(std::uint16_t address, QByteArray data, Done done);
    // `index` is the section id, absent for targets without sections.
    void fskAdvReadLimited(FlashTarget target, std::optional<std::uint8_t> index,
                           std::uint16_t address, std::uint16_t count, ReplyDone done);
    void fskAdvWriteLimited(FlashTarget target, std::optional<std::uint8_t> index,
                            std::uint16_t address, QByteArray data, Done done);
    void fskSave(Done done);
    void fskKeepAlive(Done done);
    // Restarts the device into its bootloader; on success the link is Switching.
    void fskGo(Done done);
    void fskTncStart(std::uint8_t value, Done done);
    void fskReadCal(std::uint8_t index, std::uint8_t count, ReplyDone done);
    void fskSetTested(std::uint8_t flag, ByteDone done);
    void fskStartSensorTnc(Done done);
    // Remote receivers answer with frames nobody awaits; they only reach the log.
    void fskDiscoveryRequest();
    Task<QList<std::uint32_t>> fskGetSectionCrcsLimited(FlashTarget target,
                                                        QList<std::uint8_t> sections);
    Task<QList<TargetSectionInfo>> fskGetTargetSectionsLimited(FlashTarget target,
                                                               std::uint8_t start);

    // Ranges of any length, moved in single-frame pieces from the end of the range towards
    // its start. A range running past the 16-bit address space fails with ReadError or
    // WriteError, unsent.
    void fskRead(std::uint16_t address, std::uint16_t count, Progress progress, ReplyDone done);
    void fskWrite(std::uint16_t address, QByteArray data, Progress progress, Done done);
    void fskAdvRead(FlashTarget target, std::optional<std::uint8_t> index, std::uint16_t address,
                    std::uint16_t count, Progress progress, ReplyDone done);
    void fskAdvWrite(FlashTarget target, std::optional<std::uint8_t> index, std::uint16_t address,
                     QByteArray data, Progress progress, Done done);

    // Lists spanning several replies.
    Task<QList<std::uint32_t>> fskGetSectionCrcs(FlashTarget target, QList<std::uint8_t> sections);
    Task<QList<TargetSectionInfo>> fskGetTargetSections(FlashTarget target);

    // Bootloader commands.
    // Starts the application; on success the link is Switching. Only in Bootloader mode.
    void go(Done done);
    // Works in any mode: the ping uses it to find out whether a bootloader is there.
    Task<std::shared_ptr<IdRequestData>> idRequestAsync(std::uint8_t device);
    // Devices 1 to `count`, those attached behind device 0, in device order.
    Task<QList<std::shared_ptr<IdRequestData>>> connectedDevicesIdAsync(std::uint8_t count);
    // Checks a firmware file against the device and sends its records to `device`.
    void sendSaxFile(std::uint8_t device, QByteArray file, std::uint16_t productCode,
                     QString serialNumber, Progress progress, Done done);
    // ---- End of command sets --------------------------------------------------------------

signals:
    void isOpenChanged();
    void isFaultedChanged();
    void errorOccurred(FtStatus error);
    void modeSelected();

public slots:
    void handleAckTimeout();
    // Bytes received just now, after the latest write.
    void handleDataReceived(const QByteArray &data);
    void handleResetTimeout();
    void handleModeSwitchTimeout();
    void handleError(FtStatus error);

private:
    friend class WriteCommandAwaitable;

    void writeCommand(QByteArray packet, std::uint8_t expectedType, ReplyDone completion,
                      CommandOptions options = {});
    // Input read after the connection's write number `readAfterWrite`.
    void receive(const QByteArray &data, std::uint64_t readAfterWrite);
    void runQueueStep();
    void finishCurrentCommand(DeviceConnectionError code, const QByteArray &payload);
    void clearCommandQueue();
    [[nodiscard]] std::optional<FrameFinder::AwaitedReply> awaitedReply() const;
    void handleAnnouncement(DeviceMode announced, std::optional<std::uint8_t> level);
    void setMode(DeviceMode mode);
    void enterSwitching();
    void awaitSwitchEnd(DeviceConnectionError commandResult);
    void finishPendingSwitch(DeviceConnectionError code);
    void handleOpened(bool ok);
    bool closeStream();
    void switchPower(bool on, Done done);
    void pingFailed(DeviceMode pingedIn, const std::shared_ptr<StreamRelay> &relay);
    Task<bool> pingBootloader();
    // Completes `done` with InvalidState from the event loop, for commands in the wrong mode.
    static void rejectInvalidState(Done done);
    // Command-set helpers: one application command with the mode check, and one firmware
    // record followed by the next.
    void sendFskCommand(std::uint8_t type, const QByteArray &payload, std::uint8_t replyType,
                        ReplyDone done);
    Task<QByteArray> fskCommandAsync(std::uint8_t type, QByteArray payload, std::uint8_t replyType);
    void sendSaxFileCommand(std::uint8_t device, QByteArray file, int offset, Progress progress,
                            Done done);
    [[nodiscard]] std::uint64_t now() const { return m_clockMs(); }

    ConnectionTimings m_timings;
    StreamEnumerator m_enumerator;
    std::function<void()> m_cableLogger;
    std::function<std::uint64_t()> m_clockMs;

    bool m_ftdiPidEnabled = false;
    DeviceMode m_mode = DeviceMode::Unknown;
    std::uint8_t m_announcedLevel = 0;
    std::deque<PendingCommand> m_queue;
    QTimer m_ackTimer;
    QTimer m_resetTimer;
    QTimer m_modeSwitchTimer;
    QTimer m_announcementTimer; // sets the announced mode once the device has settled
    DeviceMode m_announcedMode = DeviceMode::Unknown;
    QTimer m_repowerTimer;
    std::uint64_t m_lastActivity = 0;
    // Shared with work queued on the device-IO and power threads, so that a stream lives until
    // the last of it has run.
    std::shared_ptr<DeviceStream> m_stream;
    std::shared_ptr<StreamRelay> m_relay;
    std::shared_ptr<StreamIo> m_io;
    // Writes handed out so far, over all streams; numbers the next one.
    std::uint64_t m_writesIssued = 0;
    std::function<void(bool)> m_openDone;
    QThread m_powerThread;
    QObject *m_powerContext = nullptr;
    FrameFinder m_finder;
    bool m_faulted = false;
    StreamOpenFailure m_lastOpenFailure;
    Done m_pendingSwitch;
    QMetaObject::Connection m_switchConnection;
    QTimer m_switchGuardTimer; // ends a switch whose command failed if nothing else does
    DeviceConnectionError m_switchCommandError = DeviceConnectionError::NoError;
};
