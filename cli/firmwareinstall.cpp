#include "cli/firmwareinstall.h"

#include "cli/devicesession.h"
#include "device/saxfile.h"

std::optional<DeviceConnectionError> saxFileFault(const QByteArray &file)
{
    const Expected<saxfile::Header> header = saxfile::checkHeader(file, 0, {});
    if (header)
        return std::nullopt;
    switch (header.error()) {
    case DeviceConnectionError::SaxWrongProduct:
    case DeviceConnectionError::SaxWrongDevice:
        return std::nullopt;
    default:
        return header.error();
    }
}

ExitCode installFirmware(DeviceSession &session, int target, const QByteArray &file)
{
    if (const ExitCode switched = session.switchTo(DeviceMode::Bootloader);
        switched != ExitCode::Success)
        return switched;

    DeviceManager &manager = session.manager();
    ConnectedDevice device = manager.baseDevice();
    if (target > 0) {
        const QList<ConnectedDevice> behind = manager.connectedDevices();
        if (target > behind.size())
            return session.fail(
                QStringLiteral("zanprog: the device has no device %1 behind it").arg(target));
        device = behind.at(target - 1);
    }

    DeviceConnection &connection = session.connection();
    const DeviceConnectionError sent = session.runWithProgress(
        QStringLiteral("Sending firmware"),
        [&](DeviceConnection::Progress progress, DeviceConnection::Done done) {
            connection.sendSaxFile(std::uint8_t(target), file, std::uint16_t(device.productCode),
                                   device.serialNumber, std::move(progress), std::move(done));
        });
    if (sent != DeviceConnectionError::NoError)
        return session.fail(sent);

    // Back into the application, which proves the new firmware starts. The link may leave it
    // again at once (a device no model class serves is sent back to its bootloader), so the
    // moment it gets there is latched rather than looked for.
    bool started = false;
    // The watch ends with this function.
    const QObject watchScope;
    QObject::connect(&connection, &DeviceConnection::modeSelected, &watchScope,
                     [&] { started = started || connection.mode() == DeviceMode::FSK; });
    const DeviceConnectionError restarted =
        session.run([&](DeviceConnection::Done done) { connection.go(std::move(done)); });
    if (restarted != DeviceConnectionError::NoError)
        return session.fail(restarted);
    const DeviceSession::Wait wait =
        session.waitUntil([&] { return started; }, connection.timings().modeSwitchTimeoutMs);
    if (wait != DeviceSession::Wait::Done)
        return session.fail(DeviceConnectionError::NoReply);
    return ExitCode::Success;
}
