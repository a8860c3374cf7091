#pragma once

#include "device/devicestream.h"
#include "platform/ftdi/ftdiapi.h"

#include <memory>

class ReceiveListener;

// The USB programming cable. Its single-wire link returns every byte we send to our own
// receiver, so the stream counts what it wrote and drops that many received bytes. The cable
// also switches the device's supply through CBUS pin 3; a freshly opened cable leaves the device
// unpowered.
class FtdiCableDeviceStream final : public DeviceStream
{
public:
    static constexpr quint32 kBaudRate = 115200;
    static constexpr quint8 kLatencyTimerMs = 8;
    // CBUS bit-bang masks: pin 3 an output, driven high (supply off) or low (supply on).
    static constexpr quint8 kPowerOffMask = 0x88;
    static constexpr quint8 kPowerOnMask = 0x80;

    FtdiCableDeviceStream(ftdi::FtdiApi &api, QByteArray serialNumber);
    ~FtdiCableDeviceStream() override;

    [[nodiscard]] QString description() const override;
    [[nodiscard]] SupportedModes supportedModes() const override;

    bool open() override;
    [[nodiscard]] bool isOpen() const override;
    bool close() override;

    QByteArray readAll() override;
    using DeviceStream::write;
    bool write(const char *data, int length) override;

    void resetEchoCount() override;

    [[nodiscard]] bool supportsPower() const override { return true; }
    bool powerOn() override;
    bool powerOff() override;

    [[nodiscard]] bool isSameDevice(const DeviceStream &other) const override;

    [[nodiscard]] QByteArray serialNumber() const { return m_serialNumber; }
    // Received bytes still to be dropped as the echo of our own writes.
    [[nodiscard]] int echoCount() const;

private:
    [[nodiscard]] ftdi::Status configure();
    bool setPowerMask(quint8 mask);

    ftdi::FtdiApi &m_api;
    const QByteArray m_serialNumber;
    ftdi::Handle m_handle = nullptr;
    int m_echoCount = 0;
    std::unique_ptr<ReceiveListener> m_listener;
};
