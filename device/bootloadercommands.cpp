// Bootloader commands of DeviceConnection.
#include "device/commandcodes.h"
#include "device/deviceconnection.h"
#include "device/frames.h"
#include "device/writecommandawaitable.h"

void DeviceConnection::go(Done done)
{
    if (m_mode != DeviceMode::Bootloader) {
        rejectInvalidState(std::move(done));
        return;
    }
    QPointer<DeviceConnection> self(this);
    CommandOptions options;
    options.timeoutMs = m_timings.bootloaderGoTimeoutMs;
    writeCommand(
        frames::buildBootloaderFrame(bootloader::kGo, 0), bootloader::kGoReply,
        [self, done = std::move(done)](DeviceConnectionError code, const QByteArray &) {
            // The device starts its application and will announce itself there.
            if (self && code == DeviceConnectionError::NoError)
                self->enterSwitching();
            if (done)
                done(code);
        },
        options);
}

Task<std::shared_ptr<IdRequestData>> DeviceConnection::idRequestAsync(std::uint8_t device)
{
    // Taken before suspending: once resumed this routine must not touch the connection, which
    // may be gone. A new announcement would change the level, but it also fails the command.
    const std::uint8_t level = m_announcedLevel;
    CommandOptions options;
    options.device = device;
    const Expected<QByteArray> reply = co_await WriteCommandAwaitable(
        *this, frames::buildBootloaderFrame(bootloader::kIdRequest, device),
        bootloader::kIdRequestReply, options);
    if (!reply)
        co_return Unexpected(reply.error());
    std::shared_ptr<IdRequestData> data = decodeIdRequest(*reply, level);
    if (!data)
        co_return Unexpected(DeviceConnectionError::InvalidReply);
    logIdRequest(device, *data);
    co_return data;
}

Task<QList<std::shared_ptr<IdRequestData>>>
DeviceConnection::connectedDevicesIdAsync(std::uint8_t count)
{
    // Resumed by command completions, which also arrive while the connection is destroyed.
    QPointer<DeviceConnection> self(this);
    QList<std::shared_ptr<IdRequestData>> devices;
    for (int device = 1; device <= count; ++device) {
        if (!self)
            co_return Unexpected(DeviceConnectionError::NoReply);
        Expected<std::shared_ptr<IdRequestData>> data =
            co_await self->idRequestAsync(std::uint8_t(device));
        if (!data)
            co_return Unexpected(data.error());
        devices.append(std::move(*data));
    }
    // Lets what the last reply set off run before the caller goes on.
    co_await TimerAwaitable(0);
    co_return devices;
}
