// The program's side of one simulated device for the fault campaigns: the real connection and
// device manager, over the in-process stream or behind the simulated programming cable, and
// the moves that bring the device back after a fault as the program's device watch and its
// user would: plug it in again, reopen the link, cut the power.
#pragma once

#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace cablebench {
struct CableRig;
}

namespace faultcampaign {

// Counts the completions of one operation; the first one's code is its outcome.
struct Completions
{
    int count = 0;
    DeviceConnectionError firstCode = DeviceConnectionError::NoError;
};

// A completion function counting into `completions`.
[[nodiscard]] DeviceConnection::Done countInto(const std::shared_ptr<Completions> &completions);

class DeviceLink
{
public:
    // In-process: the device as a plain stream, replies at once, and timeouts short enough
    // for a thousand faulty runs. Cable: the simulated cable at 115 200 baud with the
    // connection's own timeouts, as a user's programming cable.
    enum class Path { InProcess, Cable };

    DeviceLink(const devsim::DeviceProfile &profile, Path path);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    [[nodiscard]] Path path() const { return m_path; }
    [[nodiscard]] devsim::DeviceSimulator &simulator() { return *m_simulator; }
    [[nodiscard]] DeviceConnection &connection() { return *m_connection; }
    [[nodiscard]] DeviceManager &manager() { return *m_manager; }
    [[nodiscard]] const ConnectionTimings &timings() const { return m_connection->timings(); }
    // Every timeout of the connection once: more than any one fault can cost.
    [[nodiscard]] int timeoutSumMs() const;

    // Clears the faults and brings the device back until the manager has identified it
    // afresh, in whichever mode it runs; power is cut when nothing else helps. False when
    // the device did not come back.
    bool makeReady();
    // A power cut: the supply goes off and on again, and the device boots afresh.
    void powerCycle();
    // Plugs in a device that vanished, reopens a link that closed, and waits until the link
    // knows the device's mode and the manager is idle; the manager identifies what it sees
    // of its own accord.
    bool reconnect();

    // Runs `start` and waits for its completion: its code, or nothing within `timeoutMs`.
    std::optional<DeviceConnectionError>
    runToEnd(const std::function<void(DeviceConnection::Done)> &start, int timeoutMs);

    // The last lines of the process's log (one for all links), for the verdict of a run
    // that went wrong; cleared as each run begins.
    [[nodiscard]] static QString logTail(int lines);
    static void clearLog();

private:
    bool reopen();
    bool reidentify();
    [[nodiscard]] bool isSettled() const;

    const Path m_path;
    std::unique_ptr<cablebench::CableRig> m_rig;
    std::shared_ptr<devsim::DeviceSimulator> m_simulator;
    std::unique_ptr<DeviceConnection> m_ownConnection; // in-process only
    DeviceConnection *m_connection = nullptr;
    std::unique_ptr<DeviceManager> m_manager;
    int m_stateChanges = 0;
    int m_errors = 0;
};

} // namespace faultcampaign
