// DeviceMemory: live patches of every edit, the flash commit and the forced commit.
#include "app/log.h"
#include "device/deviceiothread.h"
#include "devicestate/devicememory.h"

#include <algorithm>

namespace {

const QString kLogCategory = QStringLiteral("Model Sync");

} // namespace

void DeviceMemory::syncMemory()
{
    // During a bulk transfer the device image is being rebuilt; what the model holds then is
    // settled by the transfer itself.
    if (!m_syncConnection || m_writeInFlight || m_transferRunning)
        return;

    bool sent = false;
    for (int index = 0; index < m_sections.size(); ++index) {
        TargetSection &section = m_sections[index];
        const int length = int(std::min(section.modelData.size(), section.deviceData.size()));
        int offset = 0;
        while (offset < length) {
            if (section.modelData.at(offset) == section.deviceData.at(offset)) {
                ++offset;
                continue;
            }
            const int patchBytes = std::min(kMaxPatchBytes, length - offset);
            const QByteArray patch = section.modelData.mid(offset, patchBytes);
            ++m_patchesInFlight;
            m_writeInFlight = true;
            m_syncConnection->fskAdvWriteLimited(
                m_flashTarget, std::uint8_t(index), std::uint16_t(offset), patch,
                [this, alive = m_alive, sentOn = m_syncConnection](DeviceConnectionError error) {
                    if (!*alive)
                        return;
                    m_patchesInFlight = std::max(0, m_patchesInFlight - 1);
                    m_writeInFlight = m_patchesInFlight > 0;
                    if (error != DeviceConnectionError::NoError) {
                        reportLiveError(sentOn, error);
                        return;
                    }
                    if (!m_writeInFlight)
                        syncMemory();
                });
            section.deviceData.replace(offset, patchBytes, patch);
            offset += patchBytes;
            sent = true;
        }
    }
    if (sent)
        m_saveTimer.start();
}

void DeviceMemory::saveFlash(Done done)
{
    m_saveTimer.stop();
    if (!done)
        done = [](DeviceConnectionError) {};
    if (!m_syncConnection) {
        // The connection went away without a detach (it was destroyed): the commit that
        // fell due has nowhere to go.
        markCommitOwed(QStringLiteral("Detached with changes not committed to the device's "
                                      "flash"));
        deviceio::defer([done] { done(DeviceConnectionError::NoReply); });
        return;
    }
    m_syncConnection->fskSave(
        [this, alive = m_alive, sentOn = m_syncConnection, done](DeviceConnectionError error) {
            if (*alive && error != DeviceConnectionError::NoError) {
                markCommitOwed(
                    QStringLiteral("The device's flash commit failed (error %1)").arg(int(error)));
                reportLiveError(sentOn, error);
            }
            done(error);
        });
}

void DeviceMemory::reportLiveError(const QPointer<DeviceConnection> &sentOn,
                                   DeviceConnectionError error)
{
    // The first failure detaches the memory; the commands queued behind it fail with it, and
    // a command sent before the owner detached is no longer this memory's concern.
    if (sentOn && m_syncConnection == sentOn)
        emit errorSyncing(error);
}

void DeviceMemory::markCommitOwed(const QString &why)
{
    m_commitOwed = true;
    log(kLogCategory,
        why + QStringLiteral("; the model stays out of step with the device until the next sync"));
}

void DeviceMemory::sync(std::function<void(bool)> done)
{
    if (!done)
        done = [](bool) {};
    if (m_saveTimer.isActive()) {
        // A commit owed from before cannot be made good by this one: the device may have
        // lost those patches meanwhile.
        saveFlash([this, alive = m_alive, done](DeviceConnectionError error) {
            done(error != DeviceConnectionError::NoError || (*alive && m_commitOwed));
        });
        return;
    }
    if (m_commitOwed) {
        deviceio::defer([done] { done(true); });
        return;
    }
    done(false);
}
