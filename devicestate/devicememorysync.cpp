// DeviceMemory: the bulk transfer of a sync and the model-sync table.
#include "devicestate/devicememory.h"

void DeviceMemory::setSyncConnectionAsync(DeviceConnection *connection,
                                          QList<SectionMetadata> metadata,
                                          InitialSyncDirection direction, Progress progress,
                                          Done done)
{
    Q_UNUSED(connection);
    Q_UNUSED(metadata);
    Q_UNUSED(direction);
    Q_UNUSED(progress);
    done(DeviceConnectionError::InvalidState);
}

void DeviceMemory::syncSections(std::shared_ptr<SyncProgressState> state,
                                InitialSyncDirection direction, Progress progress, Done done)
{
    Q_UNUSED(state);
    Q_UNUSED(direction);
    Q_UNUSED(progress);
    done(DeviceConnectionError::InvalidState);
}

QString DeviceMemory::syncTableText(const QList<TargetSection> &sections,
                                    const QList<SectionSyncStats> &stats)
{
    Q_UNUSED(sections);
    Q_UNUSED(stats);
    return {};
}
