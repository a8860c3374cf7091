#pragma once

#include "device/devicestream.h"
#include "devsim/devicesimulator.h"

#include <QMutex>

#include <atomic>
#include <memory>

namespace devsim {

// A simulated device reached in-process, as if it sat behind a USB CDC port: no echo, and
// the device's bytes arrive on the simulator's thread, which calls dataCallback. After a
// Disconnect fault writes fail, nothing more arrives and opening fails until the device is
// plugged in again.
class SimulatedDeviceStream : public DeviceStream
{
public:
    enum class PowerSwitch { None, Simulated };

    explicit SimulatedDeviceStream(std::shared_ptr<DeviceSimulator> simulator,
                                   PowerSwitch power = PowerSwitch::None);
    ~SimulatedDeviceStream() override;

    [[nodiscard]] QString description() const override;
    // Announced, unless the device's profile fixes the mode as a port's identifiers would.
    [[nodiscard]] SupportedModes supportedModes() const override;

    bool open() override;
    [[nodiscard]] bool isOpen() const override;
    bool close() override;

    QByteArray readAll() override;
    bool write(const char *data, int length) override;
    using DeviceStream::write;

    // Off by default; tests of what the program does differently on a USB CDC port turn it on
    // before opening.
    void setReportsUsbCdc(bool usbCdc) { m_usbCdc = usbCdc; }
    [[nodiscard]] bool isUsbCdc() const override { return m_usbCdc; }

    [[nodiscard]] bool supportsPower() const override;
    bool powerOn() override;
    bool powerOff() override;

    // Same simulated device, whatever stream object reaches it.
    [[nodiscard]] bool isSameDevice(const DeviceStream &other) const override;

    // True once the device vanished while this stream was open.
    [[nodiscard]] bool isDeviceGone() const { return m_gone; }
    [[nodiscard]] const std::shared_ptr<DeviceSimulator> &simulator() const { return m_simulator; }

private:
    void receive(const QByteArray &bytes);
    void deviceGone();

    const std::shared_ptr<DeviceSimulator> m_simulator;
    const SupportedModes m_modes;
    const PowerSwitch m_power;
    bool m_open = false;
    bool m_usbCdc = false;
    std::atomic<bool> m_gone{false};

    // Filled on the simulator's thread, emptied by readAll.
    mutable QMutex m_receivedMutex;
    QByteArray m_received;
};

} // namespace devsim
