#include "devsim/simulateddevicestream.h"

#include <QMutexLocker>

namespace devsim {

SimulatedDeviceStream::SimulatedDeviceStream(std::shared_ptr<DeviceSimulator> simulator,
                                             PowerSwitch power)
    : m_simulator(std::move(simulator))
    , m_modes(m_simulator->profile().portModes)
    , m_power(power)
{
    identityText = QStringLiteral("Type: Simulated, id = %1").arg(m_simulator->id());
}

SimulatedDeviceStream::~SimulatedDeviceStream()
{
    close();
}

QString SimulatedDeviceStream::description() const
{
    return QStringLiteral("Simulated device");
}

SupportedModes SimulatedDeviceStream::supportedModes() const
{
    return m_modes;
}

bool SimulatedDeviceStream::open()
{
    {
        QMutexLocker lock(&mutex);
        if (m_open || !m_simulator->isPresent())
            return false;
        m_open = true;
        m_gone = false;
        QMutexLocker receivedLock(&m_receivedMutex);
        m_received.clear();
    }
    // Outside our lock: deliveries take it through dataCallback → readAll.
    m_simulator->connectHost([this](const QByteArray &bytes) { receive(bytes); },
                             [this] { deviceGone(); });
    return true;
}

bool SimulatedDeviceStream::isOpen() const
{
    QMutexLocker lock(&mutex);
    return m_open;
}

// Unlike the other operations, close does not hold the stream's lock while it waits for a
// delivery in progress: that delivery's callback may be reading from this stream.
bool SimulatedDeviceStream::close()
{
    {
        QMutexLocker lock(&mutex);
        if (!m_open)
            return true;
        m_open = false;
    }
    m_simulator->disconnectHost();
    QMutexLocker receivedLock(&m_receivedMutex);
    m_received.clear();
    return true;
}

QByteArray SimulatedDeviceStream::readAll()
{
    QMutexLocker lock(&mutex);
    QMutexLocker receivedLock(&m_receivedMutex);
    return std::exchange(m_received, {});
}

bool SimulatedDeviceStream::write(const char *data, int length)
{
    QMutexLocker lock(&mutex);
    if (!m_open || m_gone || length < 0)
        return false;
    return m_simulator->writeFromHost(QByteArray(data, length));
}

bool SimulatedDeviceStream::supportsPower() const
{
    return m_power == PowerSwitch::Simulated;
}

bool SimulatedDeviceStream::powerOn()
{
    QMutexLocker lock(&mutex);
    if (!supportsPower() || !m_simulator->isPresent())
        return false;
    m_simulator->setPowered(true);
    return true;
}

bool SimulatedDeviceStream::powerOff()
{
    QMutexLocker lock(&mutex);
    if (!supportsPower() || !m_simulator->isPresent())
        return false;
    m_simulator->setPowered(false);
    return true;
}

bool SimulatedDeviceStream::isSameDevice(const DeviceStream &other) const
{
    const auto *simulated = dynamic_cast<const SimulatedDeviceStream *>(&other);
    return simulated && simulated->m_simulator->id() == m_simulator->id();
}

void SimulatedDeviceStream::receive(const QByteArray &bytes)
{
    {
        QMutexLocker receivedLock(&m_receivedMutex);
        m_received.append(bytes);
    }
    if (dataCallback)
        dataCallback();
}

void SimulatedDeviceStream::deviceGone()
{
    m_gone = true;
    // Wake the reader so it notices at once rather than on its next write.
    if (dataCallback)
        dataCallback();
}

} // namespace devsim
