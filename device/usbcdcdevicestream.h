#pragma once

#include "device/devicestream.h"

#include <memory>

class QSerialPort;

// A device that enumerates as a USB CDC serial port (or a port named by the user). The port is
// made inside open(), so it belongs to the thread that opened it and its input arrives there.
class UsbCdcDeviceStream final : public DeviceStream
{
public:
    UsbCdcDeviceStream(QString portName, SupportedModes modes);
    ~UsbCdcDeviceStream() override;

    [[nodiscard]] QString description() const override;
    [[nodiscard]] SupportedModes supportedModes() const override;
    [[nodiscard]] bool isUsbCdc() const override { return true; }

    bool open() override;
    [[nodiscard]] bool isOpen() const override;
    bool close() override;

    QByteArray readAll() override;
    using DeviceStream::write;
    bool write(const char *data, int length) override;

    [[nodiscard]] bool isSameDevice(const DeviceStream &other) const override;

    [[nodiscard]] QString portName() const { return m_portName; }

private:
    void collectArrivedInput();
    void releasePort();

    const QString m_portName;
    const SupportedModes m_modes;
    std::unique_ptr<QSerialPort> m_port;
};
