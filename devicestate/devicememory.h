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
    // exactly once. A transfer that fails leaves every section's modelData as it was before,
    // except that a read from the device whose sections all arrived keeps them when only the
    // closing flash commit failed. The owner may edit meanwhile: live writing rests, and the
    // bytes it changed win over the transferred ones and go to the device once the transfer
    // has ended. A sync started while one runs is refused with InvalidState.
    // When the device's section table carries CRCs, the device is asked for fresh ones first
    // and the sections the model already matches are not transferred (same end state).
    void setSyncConnectionAsync(DeviceConnection *connection, QList<SectionMetadata> metadata,
                                InitialSyncDirection direction, Progress progress, Done done);

    // Commits a pending flash write now: done(false) at once when none is pending, otherwise
    // done(true) when the commit failed and done(false) when it succeeded.
    void sync(std::function<void(bool)> done);
    // No flash commit is pending, and none was left unmade: a memory that let go of its
    // device before committing stays out of step until its next successful sync.
    [[nodiscard]] bool isSynced() const { return !m_saveTimer.isActive() && !m_commitOwed; }

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
    // The transferred sections become the model's when `keep` holds (the transfer
    // succeeded, or read everything); the edits made meanwhile are then laid over them.
    // Runs once per transfer; later calls do nothing.
    void endTransfer(bool keep);
    void keepEditsMadeDuringTransfer();
    // The device holds patches its flash may never get: the memory is out of step.
    void markCommitOwed(const QString &why);
    // Reports a transfer failure: detaches through errorSyncing, then completes the sync.
    void failTransfer(DeviceConnectionError error, const Done &done);
    // Reports a failed patch or commit sent on `sentOn` while still attached to it.
    void reportLiveError(const QPointer<DeviceConnection> &sentOn, DeviceConnectionError error);
    // Asks the device for the CRCs of the transfer's sections and marks those that the model
    // already matches, so that the transfer passes them by; `then` runs once that is settled,
    // whatever the device answered. `done` gets InvalidState when the memory went meanwhile.
    void markSectionsInStep(std::function<void()> then, Done done);
    [[nodiscard]] bool isInStep(int index) const { return m_sectionsInStep.value(index, false); }
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
    // The model's bytes when the transfer copy was taken, to tell the owner's edits apart.
    QList<QByteArray> m_modelBeforeTransfer;
    // By transfer index: the device already holds the model's bytes, nothing to move.
    QList<bool> m_sectionsInStep;
    bool m_transferRunning = false;
    // Set when patches reached the device but their flash commit was abandoned or failed;
    // cleared by the next successful bulk transfer, whose own commit settles everything.
    bool m_commitOwed = false;
    QTimer m_saveTimer;
    FlashTarget m_flashTarget;
    // Guards completions against a memory destroyed while a command is queued.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
