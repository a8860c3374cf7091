#include "app/shell/devicewatch.h"

#include "app/processflags.h"
#include "device/deviceconnection.h"
#include "device/ftdicabledevicestream.h"

#include <QPointer>

DeviceWatch::DeviceWatch(DeviceConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    m_timer.setInterval(kIntervalMs);
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &DeviceWatch::tick);
}

void DeviceWatch::start()
{
    m_timer.start();
}

void DeviceWatch::stop()
{
    m_timer.stop();
}

void DeviceWatch::tick()
{
    m_connection.closeIfDeviceGone();

    const DeviceMode mode = m_connection.mode();
    const bool stable = mode == DeviceMode::Bootloader || mode == DeviceMode::FSK;
    if (processflags::devicePingingEnabled() && stable &&
        dynamic_cast<const FtdiCableDeviceStream *>(m_connection.stream()))
        m_connection.pingDevice();

    // An attempt still under way owns the connection; listing again would only open twice.
    if (m_opening || m_connection.isOpen())
        return;
    DeviceConnection::StreamList streams = m_connection.availableStreams();
    if (streams.empty() || !streams.front())
        return;
    m_opening = true;
    QPointer<DeviceWatch> self(this);
    m_connection.open(std::move(streams.front()), [self](bool opened) {
        if (self)
            self->openFinished(opened);
    });
    // The other streams of the list are deleted with it.
}

void DeviceWatch::openFinished(bool opened)
{
    m_opening = false;
    emit openAttempted(opened);
    m_connection.clearFaulted();
    m_timer.start();
}
