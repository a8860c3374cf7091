#pragma once

#include "device/deviceconnection.h"
#include "device/task.h"
#include "devicestate/connecteddevice.h"
#include "devicestate/devicebusy.h"
#include "devicestate/devicemanagererror.h"
#include "devicestate/modelclassregistry.h"
#include "devicestate/targetsection.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// The one owner of what the program knows about the connected device. Whenever the link
// reports the bootloader or the application, it identifies the device (versions, serial
// numbers, calibration, parameter sections and their CRCs), keeps the results and tells the
// rest of the program when they changed, while it is busy, and when identification failed.
//
// While a run is under way the manager is busy; listeners see deviceBusyChanged first and a
// single deviceStateChanged once it ends. Errors are emitted before their message box is
// shown. Main thread only.
class DeviceManager : public QObject
{
    Q_OBJECT

public:
    // Category of the manager's log lines.
    static constexpr const char *kLogCategory = "DeviceManager";
    // The flash target whose sections hold the model settings.
    static constexpr FlashTarget kSectionTarget = FlashTarget::ParameterMemory;
    // Model classes serve application protocol versions 1 up to this one.
    static constexpr int kMaxSupportedProtocolVersion = 3;

    // Neither the connection nor the registry is owned; both must outlive the manager (a
    // connection destroyed first only ends the runs under way).
    DeviceManager(DeviceConnection *connection, const ModelClassRegistry &registry,
                  QObject *parent = nullptr);
    ~DeviceManager() override;

    [[nodiscard]] DeviceConnection *connection() const { return m_connection; }

    // Forgets everything known about the device, including the devices behind it. Leaves the
    // busy flag and an owed state notification alone and emits nothing.
    void resetState();
    // Forgets the device and identifies it again in the link's current mode.
    void reidentify();

    // The model class serving the device; none before application identification and for
    // protocol versions 0 and above kMaxSupportedProtocolVersion.
    [[nodiscard]] std::optional<ModelClassEntry> modelClassInfo() const;
    [[nodiscard]] bool hasModelClass() const { return modelClassInfo().has_value(); }

    // ---- Device state ------------------------------------------------------------------
    [[nodiscard]] bool isBusy() const { return m_isBusy; }
    [[nodiscard]] bool stateChangePending() const { return m_stateChangePending; }
    // The device was restarted into its bootloader to learn the devices behind it.
    [[nodiscard]] bool goSent() const { return m_goSent; }
    [[nodiscard]] int appVersionMajor() const { return m_appVersionMajor; }
    [[nodiscard]] int appVersionMinor() const { return m_appVersionMinor; }
    // Only bootloader identification reports it.
    [[nodiscard]] std::optional<int> appVersionRelease() const { return m_appVersionRelease; }
    [[nodiscard]] int productCode() const { return m_productCode; }
    // Only application identification reports it.
    [[nodiscard]] std::optional<int> parameterVersion() const { return m_parameterVersion; }
    [[nodiscard]] const QString &serialNumber() const { return m_serialNumber; }
    [[nodiscard]] const QString &faaSerialNumber() const { return m_faaSerialNumber; }
    [[nodiscard]] std::optional<int> fskProtocolVersion() const { return m_fskProtocolVersion; }
    // Absent when the device sends no capability byte.
    [[nodiscard]] std::optional<bool> canReadCalibration() const { return m_canReadCalibration; }
    [[nodiscard]] std::optional<bool> isCalibrated() const { return m_isCalibrated; }
    [[nodiscard]] std::uint32_t parameterCrc() const { return m_parameterCrc; }
    [[nodiscard]] const QList<SectionMetadata> &targetSections() const { return m_targetSections; }
    // appState() of a device whose application is valid; 0 is not reported, and 2 the
    // bootloader found no valid application.
    static constexpr int kApplicationValid = 1;
    [[nodiscard]] int appState() const { return m_appState; }
    // The devices behind the base device; empty until learned.
    [[nodiscard]] QList<ConnectedDevice> connectedDevices() const
    {
        return m_connectedDevices.value_or(QList<ConnectedDevice>());
    }
    // Whether a bootloader run has learned the devices behind the base device.
    [[nodiscard]] bool knowsConnectedDevices() const { return m_connectedDevices.has_value(); }
    // The base device in the form of a connected one.
    [[nodiscard]] ConnectedDevice baseDevice() const;

signals:
    void errorOccurred(DeviceManagerError error);
    void deviceBusyChanged();
    void deviceStateChanged();

public slots:
    // Starts the identification run of the link's new mode; a lost link clears the state.
    void deviceModeChanged();

private:
    friend class DeviceBusy;

    // Busy flag and state notification; see DeviceBusy.
    void busyTaken();
    void busyReleased();
    void notifyStateChanged();
    void emitOwedStateChange();

    // Identification runs, one per mode (bootloaderidentification.cpp and
    // applicationidentification.cpp).
    Task<bool> modeChangedToBootloader();
    Task<bool> modeChangedToFsk();
    // Emits `error`, then shows its box (`text`, or the error's own message).
    void fail(DeviceManagerError error, const QString &text = {});
    // The restart commands of both runs: a failure only reaches listeners.
    void sendFskGo();
    void sendBootloaderGo();
    [[nodiscard]] bool streamIsUsbCdc() const;
    // A run whose device was lost while it waited must not store what it got: the loss has
    // already cleared the state and been announced.
    [[nodiscard]] bool linkLostSince(std::uint64_t linkLosses) const
    {
        return m_linkLosses != linkLosses;
    }

    QPointer<DeviceConnection> m_connection;
    const ModelClassRegistry &m_registry;
    // Cleared on destruction; runs and completions check it before touching the manager.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::uint64_t m_linkLosses = 0; // counts the link reporting Unknown

    bool m_isBusy = false;
    bool m_stateChangePending = false;
    bool m_goSent = false;
    int m_appVersionMajor = 0;
    int m_appVersionMinor = 0;
    std::optional<int> m_appVersionRelease;
    int m_productCode = 0;
    std::optional<int> m_parameterVersion;
    QString m_serialNumber;
    QString m_faaSerialNumber;
    std::optional<int> m_fskProtocolVersion;
    std::optional<bool> m_canReadCalibration;
    std::optional<bool> m_isCalibrated;
    std::uint32_t m_parameterCrc = 0;
    QList<SectionMetadata> m_targetSections;
    int m_appState = 0;
    std::optional<QList<ConnectedDevice>> m_connectedDevices;
};
