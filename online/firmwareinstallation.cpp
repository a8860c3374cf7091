#include "online/firmwareinstallation.h"

#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"

FirmwareInstallation::FirmwareInstallation(DeviceManager &manager, DeviceConnection &connection,
                                           QObject *parent)
    : QObject(parent)
    , m_manager(manager)
    , m_connection(&connection)
    , m_alive(std::make_shared<bool>(true))
{}

FirmwareInstallation::~FirmwareInstallation()
{
    *m_alive = false;
}

void FirmwareInstallation::start(Request request)
{
    if (m_running)
        return;
    m_running = true;
    if (!m_connection) {
        // Reported from the event loop like every other outcome, so that a caller connecting
        // after start() still hears it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_running = false;
                emit switchedToBootloader(DeviceConnectionError::InvalidState);
                emit finished(DeviceConnectionError::InvalidState);
            },
            Qt::QueuedConnection);
        return;
    }
    m_connection->switchToMode(
        DeviceMode::Bootloader,
        [this, alive = m_alive, request = std::move(request)](DeviceConnectionError error) mutable {
            if (!*alive)
                return;
            if (error == DeviceConnectionError::NoError && !m_connection)
                error = DeviceConnectionError::InvalidState;
            emit switchedToBootloader(error);
            if (!*alive)
                return;
            if (error != DeviceConnectionError::NoError) {
                // The device stays where the failed switch left it: switching back could
                // only add a second failure to the first.
                m_running = false;
                emit finished(error);
                return;
            }
            sendFile(std::move(request));
        });
}

void FirmwareInstallation::sendFile(Request request)
{
    // The device is switched back after the transfer even when this object is gone by
    // then, so that it never stays in its bootloader because a window closed.
    const QPointer<DeviceManager> manager(&m_manager);
    const QPointer<DeviceConnection> connection = m_connection;
    m_connection->sendSaxFile(
        request.target, std::move(request.file), request.productCode,
        std::move(request.serialNumber),
        [this, alive = m_alive](float fraction) {
            if (*alive)
                emit progress(fraction);
        },
        [this, alive = m_alive, manager, connection](DeviceConnectionError error) {
            if (*alive) {
                m_running = false;
                // Listeners may delete this object; nothing below touches it.
                emit finished(error);
            }
            // What the manager knew describes the old firmware; the device is identified
            // afresh once it runs the new one.
            if (manager)
                manager->resetState();
            if (connection)
                connection->switchToMode(DeviceMode::FSK, [](DeviceConnectionError) {});
        });
}
