// The device manager's identification run for a device running its application.
#include "devicestate/devicemanager.h"

namespace {

// Byte of the TNC status data that tells whether the device is level-calibrated.
constexpr int kCalibratedByte = 7;

QList<std::uint8_t> sectionIds(const QList<SectionMetadata> &sections)
{
    QList<std::uint8_t> ids;
    ids.reserve(sections.size());
    for (const SectionMetadata &section : sections)
        ids.append(section.id);
    return ids;
}

} // namespace

Task<bool> DeviceManager::modeChangedToFsk()
{
    // Each resumption checks `alive` before touching the manager, which may be gone by then.
    const std::shared_ptr<bool> alive = m_alive;
    const std::shared_ptr<DeviceBusy> busy = DeviceBusy::take(this);
    const std::uint64_t linkLosses = m_linkLosses;
    m_goSent = false;
    if (!m_connection)
        co_return false;

    const Expected<std::shared_ptr<FskIdRequestData>> identification =
        co_await m_connection->fskIdRequestAsync();
    if (!*alive || !m_connection)
        co_return false;
    if (!identification || !*identification) {
        fail(DeviceManagerError::IdReadFailed);
        co_return false;
    }
    if (linkLostSince(linkLosses))
        co_return false;

    const Expected<QString> serial = co_await m_connection->fskReadSerialAsync();
    if (!*alive || !m_connection)
        co_return false;
    if (!serial) {
        resetState();
        fail(DeviceManagerError::SerialReadFailed);
        co_return false;
    }
    if (linkLostSince(linkLosses))
        co_return false;

    const FskIdRequestData &id = **identification;
    if (*serial != m_serialNumber)
        resetState();
    // The release number comes from the bootloader only; it belongs to one major.minor.
    if (id.appVersionMajor != m_appVersionMajor || id.appVersionMinor != m_appVersionMinor)
        m_appVersionRelease.reset();
    m_appVersionMajor = id.appVersionMajor;
    m_appVersionMinor = id.appVersionMinor;
    m_productCode = id.productCode;
    m_parameterVersion = id.parameterVersion;
    m_fskProtocolVersion = id.fskProtocolVersion;
    m_canReadCalibration = id.canReadCalibration;
    m_parameterCrc = id.parameterCrc;
    m_appState = kApplicationValid;
    m_serialNumber = *serial;

    if (id.hasFaaSerialNumber.value_or(false)) {
        const Expected<QString> faaSerial = co_await m_connection->fskReadFaaSerialNumber();
        if (!*alive || !m_connection)
            co_return false;
        if (!faaSerial) {
            resetState();
            fail(DeviceManagerError::FaaSerialReadFailed);
            co_return false;
        }
        if (linkLostSince(linkLosses))
            co_return false;
        m_faaSerialNumber = *faaSerial;
    }

    if (streamIsUsbCdc() && !m_connectedDevices) {
        // A USB CDC link cannot ask the bootloader what is behind the device without a
        // restart; the bootloader run starts the application again, and that run goes on.
        m_goSent = true;
        sendFskGo();
        co_return true;
    }

    if (m_canReadCalibration.value_or(false)) {
        const Expected<DeviceConnection::TncStatus> status =
            co_await m_connection->fskTncStatusAsync();
        if (!*alive || !m_connection)
            co_return false;
        // Status data too short to hold the calibration byte tells nothing either way.
        if (!status || status->data.size() <= kCalibratedByte) {
            resetState();
            fail(DeviceManagerError::CalibrationReadFailed);
            co_return false;
        }
        if (linkLostSince(linkLosses))
            co_return false;
        m_isCalibrated = status->data.at(kCalibratedByte) != 0;
    }

    const std::optional<ModelClassEntry> info = modelClassInfo();
    if (info && info->backedByDeviceSections) {
        const Expected<QList<TargetSectionInfo>> sections =
            co_await m_connection->fskGetTargetSections(kSectionTarget);
        if (!*alive || !m_connection)
            co_return false;
        if (!sections) {
            resetState();
            fail(DeviceManagerError::SectionsReadFailed);
            co_return false;
        }
        if (linkLostSince(linkLosses))
            co_return false;
        m_targetSections.clear();
        for (const TargetSectionInfo &section : *sections)
            m_targetSections.append(SectionMetadata{section.section, section.size, std::nullopt});

        if (id.capabilityBit3.value_or(false)) {
            const Expected<QList<std::uint32_t>> crcs = co_await m_connection->fskGetSectionCrcs(
                kSectionTarget, sectionIds(m_targetSections));
            if (!*alive || !m_connection)
                co_return false;
            // CRCs pair with sections by position, so anything but one per section is wrong.
            if (!crcs || crcs->size() != m_targetSections.size()) {
                resetState();
                fail(DeviceManagerError::SectionCrcsReadFailed);
                co_return false;
            }
            if (linkLostSince(linkLosses))
                co_return false;
            for (qsizetype i = 0; i < m_targetSections.size(); ++i)
                m_targetSections[i].crc = crcs->at(i);
        }
    }

    notifyStateChanged();

    if (!info) {
        const bool protocolZero = m_fskProtocolVersion == 0;
        emit errorOccurred(protocolZero ? DeviceManagerError::NoModelClassProtocolZero
                                        : DeviceManagerError::NoModelClass);
        // In its bootloader the device can at least be updated.
        sendFskGo();
    }
    co_return true;
}
