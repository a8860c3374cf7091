#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <expected>
#include <memory>

class QSocketNotifier;

namespace devsim {

class DeviceSimulator;

// How often the server looks whether a host has opened the terminal while none has it open,
// and how long a device that a Disconnect fault took away stays unplugged.
inline constexpr int kHostPollIntervalMs = 50;
inline constexpr int kReplugDelayMs = 1000;

struct PtyServerTimings
{
    int hostPollIntervalMs = kHostPollIntervalMs;
    int replugDelayMs = kReplugDelayMs;
};

// Serves one simulated device on a pseudo-terminal, so that the program reaches it through
// the real serial-port path. The device is powered while a host holds the terminal open, as a
// device powered from the host's USB port would be: the host that opens the port sees it boot
// and announce itself, and one that closes the port takes the power away (what was not saved
// to flash is lost). A Disconnect fault unplugs the device: its terminal vanishes, and after
// the replug delay it comes back on a new terminal (portChanged). Main thread only.
class PtyServer : public QObject
{
    Q_OBJECT

public:
    using Timings = PtyServerTimings;

    explicit PtyServer(std::shared_ptr<DeviceSimulator> simulator, Timings timings = {},
                       QObject *parent = nullptr);
    ~PtyServer() override;

    // Creates the terminal; the path of its slave side, or what went wrong.
    [[nodiscard]] std::expected<QString, QString> start();
    [[nodiscard]] QString portPath() const { return m_portPath; }
    [[nodiscard]] bool hostPresent() const { return m_hostPresent; }

signals:
    // The device is back after a disconnect, on the terminal at `path`.
    void portChanged(const QString &path);
    // The device vanished; nothing serves a terminal until portChanged.
    void portRemoved();
    void hostPresentChanged(bool present);
    // Creating the terminal again after a disconnect failed; the server serves nothing.
    void failed(const QString &message);

private:
    [[nodiscard]] std::expected<QString, QString> openTerminal();
    void closeTerminal();
    void readFromHost();
    void pollForHost();
    void setHostPresent(bool present);
    void deliverToHost(const QByteArray &bytes);
    void deviceGone();
    void replug();

    std::shared_ptr<DeviceSimulator> m_simulator;
    const Timings m_timings;
    QString m_portPath;
    bool m_hostPresent = false;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_hostPollTimer;
    QTimer m_replugTimer;

    // The master side, written from the simulator's thread: guarded, and -1 once closed.
    QMutex m_masterMutex;
    int m_masterFd = -1;
    std::atomic<bool> m_deliveryOpen{false};
};

} // namespace devsim
