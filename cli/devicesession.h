#pragma once

#include "cli/commandline.h"
#include "cli/exitcode.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class Console;
class ModelClassRegistry;
class QIODevice;
class ConsoleLogWriter;
class ConsoleMessagePresenter;
class InterruptWatcher;

// How often the session looks for the device, as the program's device watch does; how long
// the link must stay unchanged before the device counts as settled; how often a wait looks
// at its condition.
inline constexpr int kSessionWatchIntervalMs = 800;
inline constexpr int kSettleQuietMs = 500;
inline constexpr int kWaitPollMs = 10;

struct DeviceSessionTimings
{
    int watchIntervalMs = kSessionWatchIntervalMs;
    int settleQuietMs = kSettleQuietMs;
    ConnectionTimings connection;
};

// The streams the global options select (--port, --ftdi, or everything attached), new and
// unopened, in enumeration order.
[[nodiscard]] DeviceStreamList selectedStreams(const GlobalOptions &options);

// The model classes the command-line tool knows.
[[nodiscard]] const ModelClassRegistry &cliModelClassRegistry();

// Errors after which an identification run stopped; the restarts only inform.
[[nodiscard]] bool endsIdentification(DeviceManagerError error);

// One command's time with the device: finds the stream the global options select, opens it,
// waits until the device manager has identified the device, and runs device operations to
// their end while Ctrl-C and a vanishing device end every wait promptly. Messages the user
// must see (the device manager's boxes among them) go to standard error.
class DeviceSession : public QObject
{
    Q_OBJECT

public:
    using Timings = DeviceSessionTimings;
    enum class Wait { Done, TimedOut, Interrupted, DeviceLost };

    DeviceSession(const GlobalOptions &options, Console &console, QIODevice &err,
                  const ModelClassRegistry &registry = cliModelClassRegistry(),
                  Timings timings = {});
    ~DeviceSession() override;

    // Finds, opens and identifies the device within --wait-ms. Success, NoDevice or Failed (its
    // message printed). A port named with --port that is missing or cannot be opened fails at
    // once: waiting would not change it.
    [[nodiscard]] ExitCode open();
    // Waits until the runs the link starts by itself (identification, the restarts it asks
    // for) are over and the device runs its bootloader or its application.
    [[nodiscard]] ExitCode settle();
    // Brings the device into its bootloader or application and lets it settle there.
    [[nodiscard]] ExitCode switchTo(DeviceMode mode);

    // Runs the event loop until `condition` holds, `timeoutMs` has passed (negative: no
    // bound), Ctrl-C was pressed or the device vanished.
    Wait waitUntil(const std::function<bool()> &condition, int timeoutMs);
    // Runs an operation that reports through a completion to its end.
    [[nodiscard]] DeviceConnectionError
    run(const std::function<void(DeviceConnection::Done)> &start);
    // The same for an operation that reports its progress, shown on standard error under
    // `label`.
    [[nodiscard]] DeviceConnectionError runWithProgress(
        const QString &label,
        const std::function<void(DeviceConnection::Progress, DeviceConnection::Done)> &start);

    // Prints the error's message (or why the wait ended early) and returns Failed.
    ExitCode fail(DeviceConnectionError error);
    ExitCode fail(const QString &message);

    // The link's mode when identification ended; the link may have moved on since (a device
    // that no model class serves is sent into its bootloader).
    [[nodiscard]] DeviceMode identifiedMode() const { return m_identifiedMode; }
    [[nodiscard]] bool interrupted() const { return m_interrupted; }
    [[nodiscard]] bool deviceLost() const;
    [[nodiscard]] DeviceConnection &connection() { return *m_connection; }
    [[nodiscard]] DeviceManager &manager() { return *m_manager; }
    [[nodiscard]] Console &console() { return m_console; }

private:
    void watchTick();
    void openStream(std::unique_ptr<DeviceStream> stream);
    void deviceStateChanged();
    void noteLinkChange();
    [[nodiscard]] int remainingWaitMs() const;

    const GlobalOptions m_options;
    Console &m_console;
    QIODevice &m_err;
    const Timings m_timings;
    std::unique_ptr<ConsoleLogWriter> m_logWriter;
    std::unique_ptr<ConsoleMessagePresenter> m_presenter;
    std::unique_ptr<InterruptWatcher> m_interrupt;
    std::unique_ptr<DeviceConnection> m_connection;
    std::unique_ptr<DeviceManager> m_manager;
    QTimer m_watchTimer;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceLinkChange;
    bool m_opening = false;
    bool m_wasOpened = false;
    bool m_identified = false;
    DeviceMode m_identifiedMode = DeviceMode::Unknown;
    bool m_identificationFailed = false;
    QString m_namedPortFailure; // why the port named with --port cannot be used
    bool m_interrupted = false;
};
