#pragma once

#include <QByteArray>
#include <QRecursiveMutex>
#include <QString>

#include <functional>

// Which device modes can be reached through a stream.
enum class SupportedModes : int {
    BootloaderOnly = 0,  // the device behind the stream is in its bootloader
    ApplicationOnly = 1, // the device runs its application (FSK)
    Announced = 2,       // either; the device's announcement decides
};

// The raw, unframed byte pipe to one device. A stream knows nothing of frames. Every public
// operation of a concrete stream holds `mutex` for its whole duration, so the connection may
// call them from its device-IO thread, its power thread and whatever thread reports input.
class DeviceStream
{
public:
    virtual ~DeviceStream() = default;

    [[nodiscard]] virtual QString description() const = 0;
    [[nodiscard]] virtual SupportedModes supportedModes() const = 0;

    virtual bool open() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    virtual bool close() = 0;

    // All bytes received since the last call, with the cable's echo removed.
    virtual QByteArray readAll() = 0;
    virtual bool write(const char *data, int length) = 0;
    bool write(const QByteArray &bytes) { return write(bytes.constData(), int(bytes.size())); }

    virtual void resetEchoCount() {}

    // A USB CDC port reaches only the device on it: what stands behind the device is learned
    // from its bootloader, after a restart.
    [[nodiscard]] virtual bool isUsbCdc() const { return false; }

    [[nodiscard]] virtual bool supportsPower() const { return false; }
    virtual bool powerOn() { return false; }
    virtual bool powerOff() { return false; }

    // Same concrete kind and same key (cable serial number, port name).
    [[nodiscard]] virtual bool isSameDevice(const DeviceStream &other) const = 0;

    // Called, on whatever thread notices it, whenever bytes may be waiting; the owner then
    // calls readAll(). Set by the owner before open().
    std::function<void()> dataCallback;

    // Kind and key of the stream, set by enumeration, e.g. "Type: UsbCdc, portName = ttyACM0".
    QString identityText;

    // Why the last open() failed, in words a user can act on; empty after a successful open.
    // `openDeniedAccess` is set when the operating system refused access (a permission the
    // user can grant), `openInUse` when another program holds the device, as opposed to a
    // device that is gone or unusable.
    QString openFailure;
    bool openDeniedAccess = false;
    bool openInUse = false;

protected:
    mutable QRecursiveMutex mutex;
};
