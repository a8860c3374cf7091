#pragma once

#include "device/deviceconnection.h"

#include <QString>

#include <expected>
#include <memory>

namespace devsim {
class DeviceSimulator;
}
namespace ftdi {
class SimulatedFtdiBackend;
}

// The device of the demonstration: a simulated device of the family behind a simulated
// programming cable, in this process. It is powered only by the cable, so the cable's power
// switch, its warning and the whole program work as they do with hardware. Its flash (settings,
// firmware state, calibration) is kept in a state file between runs, as a real device keeps
// it across power cycles.
class DemoDevice
{
public:
    static inline const QString kDefaultProfile = QStringLiteral("airplane-receiver");
    static inline const QByteArray kCableSerial = QByteArrayLiteral("ZXDEMO01");

    // A device of the named profile (devsim's names); the state file may not exist yet. The
    // error names what was wrong (an unknown profile, a state file of another device).
    [[nodiscard]] static std::expected<std::unique_ptr<DemoDevice>, QString>
    create(const QString &profileName, const QString &stateFile);
    ~DemoDevice();

    // The connection's view of what is attached: the demo cable only.
    [[nodiscard]] DeviceStreamEnumerator enumerator() const;
    [[nodiscard]] std::function<void()> cableLogger() const;

    // Takes the cable out of the computer and puts it back, as a user would.
    void unplug();
    void plugIn();
    [[nodiscard]] bool isPluggedIn() const { return m_pluggedIn; }

    // Writes the state file when the device's flash changed since the last save; false when
    // writing failed (logged).
    bool saveState();

    [[nodiscard]] const QString &profileName() const { return m_profileName; }
    [[nodiscard]] const QString &stateFile() const { return m_stateFile; }
    [[nodiscard]] devsim::DeviceSimulator &simulator() const { return *m_simulator; }
    [[nodiscard]] ftdi::SimulatedFtdiBackend &backend() const { return *m_backend; }

private:
    DemoDevice(QString profileName, QString stateFile,
               std::shared_ptr<devsim::DeviceSimulator> simulator);

    QString m_profileName;
    QString m_stateFile;
    std::shared_ptr<devsim::DeviceSimulator> m_simulator;
    std::shared_ptr<ftdi::SimulatedFtdiBackend> m_backend;
    QByteArray m_savedState;
    bool m_pluggedIn = true;
};
