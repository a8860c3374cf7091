// DeviceMemory: finding the sections a device already holds, so that a sync moves only what
// differs. The end state is that of a full transfer; a section one CRC cannot vouch for is
// transferred.
#include "app/log.h"
#include "device/sectioncrc.h"
#include "device/task.h"
#include "devicestate/devicememory.h"

namespace {

const QString kLogCategory = QStringLiteral("Model Sync");

QString crcText(std::uint32_t crc)
{
    return QStringLiteral("0x%1").arg(QString::number(crc, 16).toUpper().rightJustified(8, u'0'));
}

// The CRC covers complete words only: the trailing bytes of a section whose size is not a
// multiple of the word could differ unseen.
bool crcCoversWholeSection(const QByteArray &bytes)
{
    return bytes.size() % kSectionCrcWordBytes == 0;
}

} // namespace

void DeviceMemory::markSectionsInStep(std::function<void()> then, Done done)
{
    if (!m_syncConnection) {
        then(); // the transfer reports the missing connection
        return;
    }
    QList<std::uint8_t> ids;
    for (int i = 0; i < m_transferSections.size(); ++i) {
        if (!m_transferSections[i].deviceData.isEmpty())
            ids.append(std::uint8_t(i));
    }
    // Fresh from the device: its section table's CRCs are as old as the identification, and
    // live patches may have changed the memory since.
    whenDone<QList<std::uint32_t>>(
        m_syncConnection->fskGetSectionCrcs(m_flashTarget, ids),
        [this, alive = m_alive, ids, then = std::move(then),
         done = std::move(done)](Expected<QList<std::uint32_t>> crcs) {
            if (!*alive) {
                done(DeviceConnectionError::InvalidState);
                return;
            }
            if (!crcs || crcs->size() != ids.size()) {
                log(kLogCategory,
                    QStringLiteral("Could not read the device's section CRCs (error %1); "
                                   "transferring every section")
                        .arg(crcs ? int(DeviceConnectionError::InvalidReply) : int(crcs.error())));
                then();
                return;
            }
            m_sectionsInStep.clear();
            for (int i = 0; i < m_transferSections.size(); ++i)
                m_sectionsInStep.append(false);
            for (int n = 0; n < ids.size(); ++n) {
                const int index = ids[n];
                TargetSection &section = m_transferSections[index];
                // A model section of another length differs whatever its CRC says; the
                // length is the model's own, from before the set-up cut it to the device's.
                if (m_modelBeforeTransfer.value(index).size() != section.deviceData.size() ||
                    !crcCoversWholeSection(section.modelData) ||
                    sectionCrc(section.modelData) != crcs->at(n))
                    continue;
                m_sectionsInStep[index] = true;
                section.deviceData = section.modelData;
                log(kLogCategory,
                    QStringLiteral("Section %1 matches the device (CRC %2), not transferred")
                        .arg(index)
                        .arg(crcText(crcs->at(n))));
            }
            then();
        });
}
