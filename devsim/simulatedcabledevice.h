#pragma once

#include "devsim/devicesimulator.h"
#include "platform/ftdi/simulatedcablepeer.h"

#include <atomic>
#include <memory>

namespace devsim {

// A simulated device plugged into the simulated programming cable. The cable's backend
// echoes the program's bytes and models the chip (packets, latency timer) itself; this end
// only plays the device: it obeys the cable's power switch (unpowered = silent, power-up =
// boots and announces). Create the simulator unpowered when the device has no battery of
// its own, so only the cable powers it.
class SimulatedCableDevice : public ftdi::SimulatedCablePeer
{
public:
    explicit SimulatedCableDevice(std::shared_ptr<DeviceSimulator> simulator);
    ~SimulatedCableDevice() override;

    void attach(DeliverToHost deliver) override;
    void detach() override;
    void receiveFromHost(const QByteArray &bytes) override;
    void setPowered(bool powered) override;
    void setLatencyTimerMs(int latencyMs) override;

    [[nodiscard]] const std::shared_ptr<DeviceSimulator> &simulator() const { return m_simulator; }
    // The latency timer the program set; the backend's chip applies it, so the simulator's
    // wire model must not hold the bytes a second time.
    [[nodiscard]] int latencyTimerMs() const { return m_latencyTimerMs; }

private:
    const std::shared_ptr<DeviceSimulator> m_simulator;
    std::atomic<int> m_latencyTimerMs{0};
};

} // namespace devsim
