#pragma once

#include "device/deviceconnectionerror.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

class DeviceConnection;
class DeviceManager;

// Puts a firmware (SAX) file on one device of the attached set: switches the connection to
// the bootloader, sends the file, and afterwards resets the device manager's state and
// switches back to FSK, so the device is identified afresh with its new version. After a
// failed switch nothing is switched back. The desktop program shows it with a progress dialog
// and message boxes.
class FirmwareInstallation : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        std::uint8_t target = 0; // 0 = the base device, n = the nth device behind it
        std::uint16_t productCode = 0;
        QString serialNumber;
        QByteArray file;
    };

    FirmwareInstallation(DeviceManager &manager, DeviceConnection &connection,
                         QObject *parent = nullptr);
    ~FirmwareInstallation() override;

    // Starts the sequence; one at a time.
    void start(Request request);
    [[nodiscard]] bool isRunning() const { return m_running; }

signals:
    // The switch to the bootloader ended; on error the sequence stops here, and finished()
    // follows with the same error.
    void switchedToBootloader(DeviceConnectionError error);
    // 0.0 to 1.0 while the file is sent.
    void progress(float fraction);
    // Exactly once per start(), after the transfer or a failed switch. The switch back to
    // FSK is asked for right after this signal.
    void finished(DeviceConnectionError error);

private:
    void sendFile(Request request);

    DeviceManager &m_manager;
    QPointer<DeviceConnection> m_connection;
    bool m_running = false;
    // Cleared on destruction; completions check it before touching this object.
    std::shared_ptr<bool> m_alive;
};
