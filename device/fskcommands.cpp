// Application (FSK) commands of DeviceConnection.
#include "device/commandcodes.h"
#include "device/deviceconnection.h"
#include "device/frames.h"

void DeviceConnection::fskKeepAlive(Done done)
{
    if (m_mode != DeviceMode::FSK) {
        rejectInvalidState(std::move(done));
        return;
    }
    writeCommand(frames::buildFskFrame(fsk::kKeepAlive), fsk::kKeepAliveReply,
                 [done = std::move(done)](DeviceConnectionError code, const QByteArray &) {
                     if (done)
                         done(code);
                 });
}

void DeviceConnection::fskGo(Done done)
{
    if (m_mode != DeviceMode::FSK) {
        rejectInvalidState(std::move(done));
        return;
    }
    QPointer<DeviceConnection> self(this);
    writeCommand(frames::buildFskFrame(fsk::kBootloadMode), fsk::kBootloadModeReply,
                 [self, done = std::move(done)](DeviceConnectionError code, const QByteArray &) {
                     // The device restarts into its bootloader and will announce itself there.
                     if (self && code == DeviceConnectionError::NoError)
                         self->enterSwitching();
                     if (done)
                         done(code);
                 });
}
