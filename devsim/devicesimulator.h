#pragma once

#include "devsim/faults.h"
#include "devsim/simulateddevice.h"
#include "devsim/wiremodel.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QRecursiveMutex>
#include <QThread>

#include <atomic>
#include <deque>
#include <functional>
#include <utility>

class QObject;
class QTimer;

namespace devsim {

// One simulated device on its line: the device's behaviour, the wire between it and the
// host, and the faults set on it. Transports (the in-process stream, the simulated cable, a
// pseudo-terminal server) connect as the host. Every public operation may be called from
// any thread; bytes for the host are delivered on the simulator's own thread, in order.
class DeviceSimulator
{
public:
    using DeliverToHost = std::function<void(const QByteArray &bytes)>;
    using HostGone = std::function<void()>;

    enum class Power { On, Off };

    explicit DeviceSimulator(DeviceProfile profile = defaultReceiverProfile(),
                             Power power = Power::On,
                             CommandTable commands = standardCommandTable());
    ~DeviceSimulator();
    DeviceSimulator(const DeviceSimulator &) = delete;
    DeviceSimulator &operator=(const DeviceSimulator &) = delete;

    // Unique per process: tells two simulated devices apart.
    [[nodiscard]] quint64 id() const { return m_id; }
    [[nodiscard]] DeviceProfile profile() const;

    // `deliver` receives the device's bytes; `gone` is called once when a Disconnect fault
    // takes the device away. Both run on the simulator's thread.
    void connectHost(DeliverToHost deliver, HostGone gone = {});
    // Returns once no delivery is running (unless called from within one); nothing is
    // delivered afterwards. Must not be called while holding a lock that `deliver` takes.
    void disconnectHost();
    // False when the device is gone; bytes sent to an unpowered device vanish.
    bool writeFromHost(const QByteArray &bytes);

    // The supply: off silences the device and makes it forget the handshake; on restarts it.
    void setPowered(bool powered);
    [[nodiscard]] bool isPowered() const;
    // False after a Disconnect fault, until plugIn().
    [[nodiscard]] bool isPresent() const;
    void plugIn();

    void setWireModel(const WireModel &wire);
    [[nodiscard]] WireModel wireModel() const;
    // Only for paths that have no simulated cable chip of their own (in-process, terminal).
    void setLatencyTimerMs(int latencyMs);

    void addFault(const Fault &fault);
    void clearFaults();

    // Runs `inspect` on the device under the simulator's lock, e.g. to read its memory or
    // change its profile in a test. It must not call back into the simulator.
    template <typename Inspect> decltype(auto) withDevice(Inspect &&inspect)
    {
        QMutexLocker lock(&m_mutex);
        return std::forward<Inspect>(inspect)(m_device);
    }

    [[nodiscard]] DeviceMode mode() const;
    [[nodiscard]] bool isAnswered() const;
    [[nodiscard]] int announcementsSent() const;
    // Replies the device produced, including those that faults spoilt or dropped.
    [[nodiscard]] int repliesSent() const;

private:
    struct Outgoing
    {
        enum class Kind { Bytes, Restart, Disconnect };
        qint64 dueUs;
        Kind kind;
        QByteArray bytes;
    };
    struct Incoming
    {
        qint64 dueUs;
        QByteArray bytes;
    };

    [[nodiscard]] qint64 nowUs() const;
    void advance(qint64 nowUs, std::vector<Outgoing> &due);
    void scheduleOutput(qint64 atUs);
    void dropTraffic(qint64 nowUs);
    [[nodiscard]] std::optional<qint64> nextWakeUs() const;
    void requestWake();
    void wake();

    const quint64 m_id;
    QElapsedTimer m_clock;
    QThread m_thread;
    QObject *m_worker = nullptr; // lives on m_thread
    QTimer *m_timer = nullptr;   // child of m_worker
    std::atomic<bool> m_wakePosted{false};

    // Device, wire and fault state.
    mutable QMutex m_mutex;
    SimulatedDevice m_device;
    WireModel m_wire;
    FaultPlan m_faults;
    WireDirection m_towardsDevice;
    WireDirection m_towardsHost;
    std::deque<Incoming> m_incoming;
    std::deque<Outgoing> m_outgoing;
    bool m_supplyOn = false;
    bool m_present = true;
    int m_replies = 0;

    // Held while the host's functions run, so disconnectHost() can wait for them.
    QRecursiveMutex m_deliveryMutex;
    DeliverToHost m_deliver;
    HostGone m_gone;
};

} // namespace devsim
