#pragma once

#include "device/devicestream.h"

#include <QByteArray>
#include <QList>
#include <QRecursiveMutex>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// What a test scripts and observes of a fake device. Shared between the test and the stream,
// so that the test can still look after the connection has deleted the stream.
class FakeDevice
{
public:
    // Called on the writing thread with each write; what it returns is received at once.
    using Responder = std::function<QByteArray(const QByteArray &written)>;

    void setResponder(Responder responder);
    // Bytes arriving from the device, reported through the stream's data callback.
    void deliver(const QByteArray &bytes);

    QList<QByteArray> writes() const;
    int writeCount() const;

    // Set before the stream is handed over.
    SupportedModes modes = SupportedModes::Announced;
    bool canPower = true;
    QString key = QStringLiteral("fake-1");
    bool openSucceeds = true;
    bool powerSucceeds = true;
    // May change while the stream is in use: false plays a cable pulled out.
    std::atomic<bool> writeSucceeds = true;

    // Observations, written by the stream on whatever thread uses it.
    std::atomic<bool> streamAlive = false;
    std::atomic<bool> closed = false;
    std::atomic<int> echoResets = 0;
    std::atomic<int> powerOns = 0;
    std::atomic<int> powerOffs = 0;
    std::atomic<QThread *> openThread = nullptr;
    std::atomic<QThread *> closeThread = nullptr;
    std::atomic<QThread *> powerThread = nullptr;

private:
    friend class FakeDeviceStream;
    mutable QRecursiveMutex m_mutex;
    class FakeDeviceStream *m_stream = nullptr;
    QByteArray m_input;
    QList<QByteArray> m_writes;
    Responder m_responder;
};

class FakeDeviceStream : public DeviceStream
{
public:
    explicit FakeDeviceStream(std::shared_ptr<FakeDevice> device);
    ~FakeDeviceStream() override;

    QString description() const override { return QStringLiteral("Fake device"); }
    SupportedModes supportedModes() const override { return m_device->modes; }
    bool open() override;
    bool isOpen() const override;
    bool close() override;
    QByteArray readAll() override;
    bool write(const char *data, int length) override;
    void resetEchoCount() override;
    bool supportsPower() const override { return m_device->canPower; }
    bool powerOn() override;
    bool powerOff() override;
    bool isSameDevice(const DeviceStream &other) const override;

private:
    friend class FakeDevice;
    void notify();

    std::shared_ptr<FakeDevice> m_device;
    bool m_open = false;
};
