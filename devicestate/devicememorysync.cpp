// DeviceMemory: the bulk transfer of a sync and the model-sync table.
#include "app/log.h"
#include "device/deviceiothread.h"
#include "devicestate/devicememory.h"

#include <algorithm>
#include <limits>

namespace {

const QString kLogCategory = QStringLiteral("Model Sync");

QString directionName(InitialSyncDirection direction)
{
    return direction == InitialSyncDirection::ComputerToDevice ? QStringLiteral("ComputerToDevice")
                                                               : QStringLiteral("DeviceToComputer");
}

std::uint16_t countOf(qsizetype bytes)
{
    return std::uint16_t(
        std::clamp<qsizetype>(bytes, 0, std::numeric_limits<std::uint16_t>::max()));
}

// Progress of the whole sync while `bytes` of it move with fraction f done.
DeviceConnection::Progress partProgress(const std::shared_ptr<SyncProgressState> &state, int bytes,
                                        const DeviceMemory::Progress &progress)
{
    return [state, bytes, progress](float f) {
        if (state->totalBytes <= 0)
            return;
        progress((float(state->doneBytes) + f * float(bytes)) / float(state->totalBytes));
    };
}

QList<QByteArray> modelBytesOf(const QList<TargetSection> &sections)
{
    QList<QByteArray> bytes;
    bytes.reserve(sections.size());
    for (const TargetSection &section : sections)
        bytes.append(section.modelData);
    return bytes;
}

} // namespace

void DeviceMemory::setSyncConnectionAsync(DeviceConnection *connection,
                                          QList<SectionMetadata> metadata,
                                          InitialSyncDirection direction, Progress progress,
                                          Done done)
{
    if (!progress)
        progress = [](float) {};
    if (!done)
        done = [](DeviceConnectionError) {};
    if (m_transferRunning) {
        // One sync at a time: a second one would transfer sections the first is replacing.
        deviceio::defer([done] { done(DeviceConnectionError::InvalidState); });
        return;
    }

    setSyncConnection(connection);
    log(kLogCategory, QStringLiteral("Starting sync, direction: %1").arg(directionName(direction)));

    auto state = std::make_shared<SyncProgressState>();
    if (m_sections.size() == 1) {
        // The owner has set the device image's length; it is the transfer size.
        m_transferSections = m_sections;
        m_modelBeforeTransfer = modelBytesOf(m_sections);
        state->totalBytes = int(m_transferSections.first().deviceData.size());
        m_transferRunning = true;
        transferFrom(0, std::move(state), direction, std::move(progress),
                     [this, alive = m_alive, done](DeviceConnectionError error) {
                         if (*alive)
                             endTransfer(error == DeviceConnectionError::NoError);
                         done(error);
                     });
        return;
    }

    QList<SectionSyncStats> stats;
    QList<TargetSection> named;
    if (metadata.isEmpty() || !reconcileWithDevice(metadata, stats, named)) {
        failTransfer(DeviceConnectionError::InvalidState, done);
        return;
    }
    m_transferRunning = true;
    Done logThenDone = [this, alive = m_alive, done, stats,
                        named](DeviceConnectionError error) mutable {
        if (*alive) {
            endTransfer(error == DeviceConnectionError::NoError);
            for (int i = 0; i < stats.size(); ++i)
                stats[i].modelBytesAfter =
                    countOf(i < m_sections.size() ? m_sections[i].modelData.size() : 0);
            log(kLogCategory, syncTableText(named, stats));
        }
        done(error);
    };
    auto transfer = [this, state, direction, progress, logThenDone] {
        for (int i = 0; i < m_transferSections.size(); ++i) {
            if (!isInStep(i))
                state->totalBytes += int(m_transferSections[i].deviceData.size());
        }
        transferFrom(0, state, direction, progress, logThenDone);
    };
    // Only a device that reported section CRCs is asked for fresh ones.
    const bool reportsCrcs = std::ranges::any_of(
        metadata, [](const SectionMetadata &entry) { return entry.crc.has_value(); });
    if (reportsCrcs)
        markSectionsInStep(std::move(transfer), logThenDone);
    else
        transfer();
}

bool DeviceMemory::reconcileWithDevice(const QList<SectionMetadata> &metadata,
                                       QList<SectionSyncStats> &stats, QList<TargetSection> &named)
{
    QList<TargetSection> sections = m_sections;
    for (TargetSection &section : sections) {
        stats.append({countOf(section.modelData.size()), 0, countOf(section.defaults.size()), 0});
        section.deviceData.clear();
    }
    for (const SectionMetadata &entry : metadata) {
        while (sections.size() <= entry.id) {
            sections.append(TargetSection{});
            stats.append(SectionSyncStats{});
        }
        sections[entry.id].deviceData = QByteArray(entry.size, '\0');
        stats[entry.id].deviceSize = entry.size;
    }
    int last = -1;
    for (int i = 0; i < sections.size(); ++i) {
        TargetSection &section = sections[i];
        if (section.modelData.size() > section.deviceData.size())
            section.modelData.truncate(section.deviceData.size());
        if (!section.deviceData.isEmpty())
            last = i;
    }
    named = sections;
    // A memory always has a section; a table of empty sections leaves nothing to sync with.
    if (last < 0)
        return false;
    sections.erase(sections.begin() + last + 1, sections.end());
    m_transferSections = std::move(sections);
    m_modelBeforeTransfer = modelBytesOf(m_sections);
    return true;
}

void DeviceMemory::endTransfer(bool keep)
{
    if (!m_transferRunning)
        return;
    m_transferRunning = false;
    // Not kept, the model has every byte it had: the truncations and the dropped sections of
    // the set-up only ever happened to the transfer's copy.
    if (keep) {
        keepEditsMadeDuringTransfer();
        m_sections = std::move(m_transferSections);
    }
    m_transferSections.clear();
    m_modelBeforeTransfer.clear();
    m_sectionsInStep.clear();
    if (!keep)
        return;
    emit sectionsReplaced();
    // The kept edits differ from the device's image: they go out as patches now.
    syncMemory();
}

void DeviceMemory::keepEditsMadeDuringTransfer()
{
    const int count = int(std::min(m_transferSections.size(), m_sections.size()));
    for (int index = 0; index < count; ++index) {
        const QByteArray &edited = m_sections[index].modelData;
        const QByteArray before = m_modelBeforeTransfer.value(index);
        if (edited == before)
            continue;
        // An edit is the bytes it changed; the rest of the section is the transfer's.
        QByteArray &kept = m_transferSections[index].modelData;
        const int length = int(std::min(edited.size(), kept.size()));
        for (int offset = 0; offset < length; ++offset) {
            if (offset >= before.size() || edited[offset] != before[offset])
                kept[offset] = edited[offset];
        }
        log(kLogCategory,
            QStringLiteral("Keeping the edits made to section %1 during the sync").arg(index));
    }
}

void DeviceMemory::failTransfer(DeviceConnectionError error, const Done &done)
{
    emit errorSyncing(error);
    done(error);
}

void DeviceMemory::transferFrom(int firstIndex, std::shared_ptr<SyncProgressState> state,
                                InitialSyncDirection direction, Progress progress, Done done)
{
    if (!m_syncConnection) {
        done(DeviceConnectionError::InvalidState);
        return;
    }
    int index = firstIndex;
    while (index < m_transferSections.size() &&
           (m_transferSections[index].deviceData.isEmpty() || isInStep(index)))
        ++index;
    if (index >= m_transferSections.size()) {
        // Nothing moved (every section was in step): the transfer is complete all the same.
        if (state->totalBytes == 0)
            progress(1.0f);
        // Every section has arrived whole: what was read is the device's settings even if
        // the commit fails, and nothing was written that the commit would have saved.
        const bool readAll = direction == InitialSyncDirection::DeviceToComputer;
        m_syncConnection->fskSave(
            [this, alive = m_alive, readAll, done = std::move(done)](DeviceConnectionError error) {
                if (!*alive) {
                    done(error);
                    return;
                }
                if (error == DeviceConnectionError::NoError) {
                    m_commitOwed = false;
                } else {
                    // Detached first, so that edits made during the sync stay in the model
                    // and are not sent to a device that has just failed.
                    emit errorSyncing(error);
                    if (readAll) {
                        log(kLogCategory,
                            QStringLiteral("Keeping the sections read: only the flash commit "
                                           "failed (error %1)")
                                .arg(int(error)));
                        endTransfer(true);
                    }
                }
                done(error);
            });
        return;
    }
    state->sectionIndex = std::uint8_t(index);
    if (direction == InitialSyncDirection::ComputerToDevice)
        writeSection(std::move(state), std::move(progress), std::move(done));
    else
        readSection(std::move(state), std::move(progress), std::move(done));
}

void DeviceMemory::writeSection(std::shared_ptr<SyncProgressState> state, Progress progress,
                                Done done)
{
    const int index = state->sectionIndex;
    const TargetSection &section = m_transferSections[index];
    const QByteArray bytes = section.modelData.left(section.deviceData.size());
    log(kLogCategory,
        QStringLiteral("Writing section %1, write size: %2").arg(index).arg(bytes.size()));
    auto written = [this, alive = m_alive, state, bytes, progress,
                    done](DeviceConnectionError error) {
        if (!*alive) {
            done(DeviceConnectionError::InvalidState);
            return;
        }
        if (error != DeviceConnectionError::NoError) {
            failTransfer(error, done);
            return;
        }
        TargetSection &written = m_transferSections[state->sectionIndex];
        written.deviceData.replace(0, bytes.size(), bytes);
        state->doneBytes += int(bytes.size());
        readRemainder(state, progress, done);
    };
    if (bytes.isEmpty()) {
        // The model has nothing of this section yet; the device's whole section is its tail.
        written(DeviceConnectionError::NoError);
        return;
    }
    m_syncConnection->fskAdvWrite(m_flashTarget, std::uint8_t(index), 0, bytes,
                                  partProgress(state, int(bytes.size()), progress),
                                  std::move(written));
}

void DeviceMemory::readRemainder(std::shared_ptr<SyncProgressState> state, Progress progress,
                                 Done done)
{
    const int index = state->sectionIndex;
    const TargetSection &section = m_transferSections[index];
    const int modelBytes = int(section.modelData.size());
    const int extra = int(section.deviceData.size()) - modelBytes;
    log(kLogCategory, QStringLiteral("Reading section %1 remainder, extra device size: %2")
                          .arg(index)
                          .arg(extra));
    if (extra < 1) {
        transferFrom(index + 1, std::move(state), InitialSyncDirection::ComputerToDevice,
                     std::move(progress), std::move(done));
        return;
    }
    if (!m_syncConnection) {
        done(DeviceConnectionError::InvalidState);
        return;
    }
    m_syncConnection->fskAdvRead(
        m_flashTarget, std::uint8_t(index), std::uint16_t(modelBytes), std::uint16_t(extra),
        partProgress(state, extra, progress),
        [this, alive = m_alive, state, modelBytes, extra, progress,
         done](DeviceConnectionError error, const QByteArray &bytes) {
            if (!*alive) {
                done(DeviceConnectionError::InvalidState);
                return;
            }
            if (error == DeviceConnectionError::NoError && bytes.size() != extra)
                error = DeviceConnectionError::InvalidReply;
            if (error != DeviceConnectionError::NoError) {
                failTransfer(error, done);
                return;
            }
            TargetSection &section = m_transferSections[state->sectionIndex];
            state->doneBytes += extra;
            // The model takes over the device's tail, and the image now knows it too, so
            // that live writing does not send those bytes back.
            section.modelData.append(bytes);
            section.deviceData.replace(modelBytes, extra, bytes);
            transferFrom(state->sectionIndex + 1, state, InitialSyncDirection::ComputerToDevice,
                         progress, done);
        });
}

void DeviceMemory::readSection(std::shared_ptr<SyncProgressState> state, Progress progress,
                               Done done)
{
    const int index = state->sectionIndex;
    const int size = int(m_transferSections[index].deviceData.size());
    log(kLogCategory, QStringLiteral("Reading section %1, size: %2").arg(index).arg(size));
    m_syncConnection->fskAdvRead(
        m_flashTarget, std::uint8_t(index), 0, std::uint16_t(size),
        partProgress(state, size, progress),
        [this, alive = m_alive, state, size, progress, done](DeviceConnectionError error,
                                                             const QByteArray &bytes) {
            if (!*alive) {
                done(DeviceConnectionError::InvalidState);
                return;
            }
            // A device whose section is shorter than its own table says must not leave the
            // model with a cut-down section.
            if (error == DeviceConnectionError::NoError && bytes.size() != size)
                error = DeviceConnectionError::InvalidReply;
            if (error != DeviceConnectionError::NoError) {
                failTransfer(error, done);
                return;
            }
            TargetSection &section = m_transferSections[state->sectionIndex];
            section.deviceData = bytes;
            section.modelData = bytes;
            state->doneBytes += size;
            transferFrom(state->sectionIndex + 1, state, InitialSyncDirection::DeviceToComputer,
                         progress, done);
        });
}

QString DeviceMemory::syncTableText(const QList<TargetSection> &sections,
                                    const QList<SectionSyncStats> &stats)
{
    QString text = QStringLiteral("Id, Name, ModelBeforeSync, Device, Defaults, ModelAfterSync\n");
    for (int id = 0; id < stats.size(); ++id) {
        const SectionSyncStats &counts = stats[id];
        if (counts.modelBytesBefore == 0 && counts.deviceSize == 0 && counts.defaultBytes == 0 &&
            counts.modelBytesAfter == 0)
            continue;
        const QString name = id < sections.size() ? sections[id].schema.name() : QString();
        text += QString::asprintf("%2d  %-25s  %4d  %4d  %4d  %4d\n", id, name.toUtf8().constData(),
                                  int(counts.modelBytesBefore), int(counts.deviceSize),
                                  int(counts.defaultBytes), int(counts.modelBytesAfter));
    }
    return text;
}
