#include "devicestate/devicemanager.h"

#include "app/log.h"
#include "app/messagepresenter.h"

DeviceManager::DeviceManager(DeviceConnection *connection, const ModelClassRegistry &registry,
                             QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_registry(registry)
{
    resetState();
    if (connection)
        connect(connection, &DeviceConnection::modeSelected, this,
                &DeviceManager::deviceModeChanged);
}

DeviceManager::~DeviceManager()
{
    // Runs suspended in a connection command resume after this; they must find nothing to do.
    *m_alive = false;
}

void DeviceManager::resetState()
{
    log(QString::fromLatin1(kLogCategory), QStringLiteral("Resetting state"));
    m_goSent = false;
    m_appVersionMajor = 0;
    m_appVersionMinor = 0;
    m_appVersionRelease.reset();
    m_productCode = 0;
    m_parameterVersion.reset();
    m_serialNumber.clear();
    m_faaSerialNumber.clear();
    m_fskProtocolVersion.reset();
    m_canReadCalibration.reset();
    m_isCalibrated.reset();
    m_parameterCrc = 0;
    m_targetSections.clear();
    m_appState = 0;
    m_connectedDevices.reset();
}

void DeviceManager::reidentify()
{
    resetState();
    deviceModeChanged();
}

std::optional<ModelClassEntry> DeviceManager::modelClassInfo() const
{
    if (!m_fskProtocolVersion || *m_fskProtocolVersion == 0 ||
        *m_fskProtocolVersion > kMaxSupportedProtocolVersion || !m_parameterVersion)
        return std::nullopt;
    return m_registry.classFor(m_productCode, *m_parameterVersion);
}

ConnectedDevice DeviceManager::baseDevice() const
{
    return {m_appVersionMajor, m_appVersionMinor, m_appVersionRelease,
            m_productCode,     m_serialNumber,    m_faaSerialNumber};
}

void DeviceManager::deviceModeChanged()
{
    const DeviceMode mode = m_connection ? m_connection->mode() : DeviceMode::Unknown;
    switch (mode) {
    case DeviceMode::Bootloader:
        (void)modeChangedToBootloader();
        break;
    case DeviceMode::FSK:
        (void)modeChangedToFsk();
        break;
    case DeviceMode::Switching:
        break;
    case DeviceMode::Unknown:
        // The device is gone: a run still waiting on it must not keep the program busy.
        ++m_linkLosses;
        resetState();
        notifyStateChanged();
        busyReleased();
        break;
    }
}

void DeviceManager::busyTaken()
{
    if (!m_isBusy) {
        m_isBusy = true;
        emit deviceBusyChanged();
    }
    // A listener may have ended the busy spell already (the link went away meanwhile).
    emitOwedStateChange();
}

void DeviceManager::busyReleased()
{
    if (m_isBusy) {
        m_isBusy = false;
        emit deviceBusyChanged();
    }
    emitOwedStateChange();
}

void DeviceManager::notifyStateChanged()
{
    m_stateChangePending = true;
    emitOwedStateChange();
}

void DeviceManager::emitOwedStateChange()
{
    if (m_isBusy || !m_stateChangePending)
        return;
    m_stateChangePending = false;
    emit deviceStateChanged();
}

void DeviceManager::fail(DeviceManagerError error, const QString &text)
{
    emit errorOccurred(error);
    const QString message = text.isEmpty() ? deviceManagerErrorMessage(error) : text;
    if (!message.isEmpty())
        showErrorMessage(message);
}

void DeviceManager::sendFskGo()
{
    if (!m_connection)
        return;
    m_connection->fskGo([this, alive = m_alive](DeviceConnectionError code) {
        if (*alive && code != DeviceConnectionError::NoError)
            emit errorOccurred(DeviceManagerError::FskGoFailed);
    });
}

void DeviceManager::sendBootloaderGo()
{
    if (!m_connection)
        return;
    m_connection->go([this, alive = m_alive](DeviceConnectionError code) {
        if (*alive && code != DeviceConnectionError::NoError)
            emit errorOccurred(DeviceManagerError::BootloaderGoFailed);
    });
}

bool DeviceManager::streamIsUsbCdc() const
{
    const DeviceStream *stream = m_connection ? m_connection->stream() : nullptr;
    return stream && stream->isUsbCdc();
}
