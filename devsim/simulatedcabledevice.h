#pragma once

#include "devsim/devicesimulator.h"
#include "platform/ftdi/simulatedcablepeer.h"

#include <memory>

namespace devsim {

// A simulated device plugged into the simulated programming cable. The cable's backend
// echoes the program's bytes itself; this end only plays the device: it obeys the cable's
// power switch (unpowered = silent, power-up = boots and announces) and holds short replies
// for the latency timer the program set. Create the simulator unpowered when the device
// has no battery of its own, so only the cable powers it.
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

private:
    const std::shared_ptr<DeviceSimulator> m_simulator;
};

} // namespace devsim
