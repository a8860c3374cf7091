#pragma once

#include "device/deviceconnection.h"
#include "device/fsktypes.h"
#include "devicestate/targetsection.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

// A model's settings as sections of a device's parameter memory, kept in step with a connected
// device: the bulk transfer of a sync, then live patches of every edit and a flash commit
// kFlashCommitDelayMs after the last one. Main thread only.
class DeviceMemory : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(DeviceConnectionError)>;
    using Progress = std::function<void(float)>; // 0.0 to 1.0

    static constexpr int kFlashCommitDelayMs = 2000;
    static constexpr int kMaxPatchBytes = 56;

    // Throws std::invalid_argument with "sections must not be empty" for an empty list and,
    // for two or more sections, "size of defaults must match schema size" when a section's
    // defaults differ in length from its schema's root element size.
    DeviceMemory(QList<TargetSection> sections, FlashTarget target, QObject *parent = nullptr);
    // One section with empty bytes and this schema.
    DeviceMemory(LayoutNode schema, FlashTarget target, QObject *parent = nullptr);
    ~DeviceMemory() override;

    [[nodiscard]] int sectionCount() const { return int(m_sections.size()); }
    [[nodiscard]] const QList<TargetSection> &sections() const { return m_sections; }
    [[nodiscard]] const TargetSection &section(int index) const { return m_sections.at(index); }

    // Section access for the owning model, which emits settingsChanged after a change.
    [[nodiscard]] const QByteArray &modelData(int index) const
    {
        return m_sections.at(index).modelData;
    }
    void setModelData(int index, QByteArray data);
    // For a single-section memory the owner sets the device image's length before a sync.
    void setDeviceData(int index, QByteArray data);
    // Appends empty sections (no schema, no defaults) until there are `count`.
    void ensureSectionCount(int count);

    [[nodiscard]] FlashTarget flashTarget() const { return m_flashTarget; }
    [[nodiscard]] DeviceConnection *syncConnection() const { return m_syncConnection; }
    [[nodiscard]] bool writeInFlight() const { return m_writeInFlight; }
    // Tests shorten the commit delay.
    void setFlashCommitDelayMs(int ms) { m_saveTimer.setInterval(ms); }

    // Attaches to `connection` and runs the bulk transfer in `direction`. `done` is called
    // exactly once. A transfer that fails leaves every section's modelData as it was before.
    // The sections are replaced as a whole when the transfer ends, so the owner must not
    // change them meanwhile; live writing rests until then. A sync started while one runs
    // is refused with InvalidState.
    void setSyncConnectionAsync(DeviceConnection *connection, QList<SectionMetadata> metadata,
                                InitialSyncDirection direction, Progress progress, Done done);

    // Commits a pending flash write now: done(false) at once when none is pending, otherwise
    // done(true) when the commit failed and done(false) when it succeeded.
    void sync(std::function<void(bool)> done);
    // No flash commit is pending.
    [[nodiscard]] bool isSynced() const { return !m_saveTimer.isActive(); }

    void setSyncConnection(DeviceConnection *connection);

    // The model-sync table as logged after a multi-section sync.
    [[nodiscard]] static QString syncTableText(const QList<TargetSection> &sections,
                                               const QList<SectionSyncStats> &stats);

signals:
    void settingsChanged();
    // A bulk transfer succeeded and its sections became the model's: whatever shows or
    // stores the model must take them up (a sync from the device brings new settings).
    void sectionsReplaced();
    void errorSyncing(DeviceConnectionError error);
    void syncConnectionChanged();

public slots:
    void onErrorSyncing();
    void onModeChanged();

protected:
    // Writes every difference between modelData and deviceData as patches.
    void syncMemory();
    // Stops the commit timer and asks the device to commit its memory to flash.
    void saveFlash(Done done);

private:
    // The steps of transferFrom for the section at state->sectionIndex.
    void writeSection(std::shared_ptr<SyncProgressState> state, Progress progress, Done done);
    void readRemainder(std::shared_ptr<SyncProgressState> state, Progress progress, Done done);
    void readSection(std::shared_ptr<SyncProgressState> state, Progress progress, Done done);
    // Transfers the sections from `firstIndex` on, then commits them to flash.
    void transferFrom(int firstIndex, std::shared_ptr<SyncProgressState> state,
                      InitialSyncDirection direction, Progress progress, Done done);
    // The transferred sections become the model's when the transfer succeeded.
    void endTransfer(DeviceConnectionError error);
    // Reports a transfer failure: detaches through errorSyncing, then completes the sync.
    void failTransfer(DeviceConnectionError error, const Done &done);
    // Reports a failed patch or commit sent on `sentOn` while still attached to it.
    void reportLiveError(const QPointer<DeviceConnection> &sentOn, DeviceConnectionError error);
    // Builds the transfer's sections from the device's section table; false when the table
    // names no section with any bytes.
    bool reconcileWithDevice(const QList<SectionMetadata> &metadata, QList<SectionSyncStats> &stats,
                             QList<TargetSection> &named);

    QList<TargetSection> m_sections;
    QPointer<DeviceConnection> m_syncConnection;
    bool m_writeInFlight = false;
    // Patches sent and not yet answered; writeInFlight holds while there are any.
    int m_patchesInFlight = 0;
    // The sections a bulk transfer works on. They replace m_sections only once the whole
    // transfer has succeeded, so a sync that fails half-way leaves the model as it was.
    QList<TargetSection> m_transferSections;
    bool m_transferRunning = false;
    QTimer m_saveTimer;
    FlashTarget m_flashTarget;
    // Guards completions against a memory destroyed while a command is queued.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
