#include "devsim/simulatedcabledevice.h"

namespace devsim {

SimulatedCableDevice::SimulatedCableDevice(std::shared_ptr<DeviceSimulator> simulator)
    : m_simulator(std::move(simulator))
{}

SimulatedCableDevice::~SimulatedCableDevice()
{
    m_simulator->disconnectHost();
}

void SimulatedCableDevice::attach(DeliverToHost deliver)
{
    m_simulator->connectHost(std::move(deliver));
}

void SimulatedCableDevice::detach()
{
    m_simulator->disconnectHost();
}

void SimulatedCableDevice::receiveFromHost(const QByteArray &bytes)
{
    // A vanished device simply hears nothing; the cable itself is still there.
    (void)m_simulator->writeFromHost(bytes);
}

void SimulatedCableDevice::setPowered(bool powered)
{
    m_simulator->setPowered(powered);
}

void SimulatedCableDevice::setLatencyTimerMs(int latencyMs)
{
    m_latencyTimerMs = latencyMs;
}

} // namespace devsim
