// Single-frame application (FSK) commands of DeviceConnection.
#include "device/commandcodes.h"
#include "device/deviceconnection.h"
#include "device/deviceiothread.h"
#include "device/frames.h"
#include "device/fskpayloads.h"
#include "device/writecommandawaitable.h"

namespace {

constexpr int kAddressBytes = 2;
constexpr int kAdvHeaderBytes = 4; // index byte, target, address

// Completes a callback that also takes a result with `code` and an empty result, from the
// event loop: the caller is never re-entered from inside its own call.
template <typename... Results>
void deferError(std::function<void(DeviceConnectionError, Results...)> done,
                DeviceConnectionError code)
{
    if (done)
        deviceio::defer([done = std::move(done), code] { done(code, Results{}...); });
}

// For commands whose reply carries nothing the program reads.
DeviceConnection::ReplyDone ignorePayload(DeviceConnection::Done done)
{
    return [done = std::move(done)](DeviceConnectionError code, const QByteArray &) {
        if (done)
            done(code);
    };
}

// For reads: the command's own error as it is, otherwise what the decoder makes of the reply.
DeviceConnection::ReplyDone
decodeReadReply(DeviceConnection::ReplyDone done,
                std::function<fskpayload::ReadReply(const QByteArray &)> decode)
{
    return [done = std::move(done), decode = std::move(decode)](DeviceConnectionError code,
                                                                const QByteArray &payload) {
        if (!done)
            return;
        if (code != DeviceConnectionError::NoError) {
            done(code, {});
            return;
        }
        const fskpayload::ReadReply read = decode(payload);
        done(read.code, read.bytes);
    };
}

} // namespace

void DeviceConnection::sendFskCommand(std::uint8_t type, const QByteArray &payload,
                                      std::uint8_t replyType, ReplyDone done)
{
    if (m_mode != DeviceMode::FSK) {
        deferError(std::move(done), DeviceConnectionError::InvalidState);
        return;
    }
    writeCommand(frames::buildFskFrame(type, payload), replyType, std::move(done));
}

Task<QByteArray> DeviceConnection::fskCommandAsync(std::uint8_t type, QByteArray payload,
                                                   std::uint8_t replyType)
{
    if (m_mode != DeviceMode::FSK) {
        co_await TimerAwaitable(0);
        co_return Unexpected(DeviceConnectionError::InvalidState);
    }
    co_return co_await WriteCommandAwaitable(*this, frames::buildFskFrame(type, payload),
                                             replyType);
}

// The routines below decode what they were handed and never touch the connection after it,
// which may be gone by then.

Task<std::shared_ptr<FskIdRequestData>> DeviceConnection::fskIdRequestAsync()
{
    const Expected<QByteArray> reply =
        co_await fskCommandAsync(fsk::kIdRequest, {}, fsk::kIdRequestReply);
    if (!reply)
        co_return Unexpected(reply.error());
    std::shared_ptr<FskIdRequestData> data = fskpayload::decodeIdReply(*reply);
    if (!data)
        co_return Unexpected(DeviceConnectionError::InvalidReply);
    fskpayload::logIdReply(*data);
    co_return data;
}

Task<QString> DeviceConnection::fskReadSerialAsync()
{
    const Expected<QByteArray> reply = co_await fskCommandAsync(
        fsk::kSerialRequest, QByteArray(fskpayload::kSerialRequestBytes, '\0'), fsk::kSerialReply);
    if (!reply)
        co_return Unexpected(reply.error());
    const std::optional<QString> serial = fskpayload::decodeSerialReply(*reply);
    if (!serial)
        co_return Unexpected(DeviceConnectionError::InvalidReply);
    co_return *serial;
}

Task<QString> DeviceConnection::fskReadFaaSerialNumber()
{
    const Expected<QByteArray> reply = co_await fskCommandAsync(
        fsk::kFaaSerialRequest, QByteArray(fskpayload::kFaaSerialRequestBytes, '\0'),
        fsk::kFaaSerialReply);
    if (!reply)
        co_return Unexpected(reply.error());
    const std::optional<QString> serial = fskpayload::decodeFaaSerialReply(*reply);
    if (!serial)
        co_return Unexpected(DeviceConnectionError::InvalidReply);
    co_return *serial;
}

Task<DeviceConnection::TncStatus> DeviceConnection::fskTncStatusAsync()
{
    const Expected<QByteArray> reply =
        co_await fskCommandAsync(fsk::kTncStatus, {}, fsk::kTncStatusReply);
    if (!reply)
        co_return Unexpected(reply.error());
    const std::optional<TncStatus> status = fskpayload::decodeTncStatusReply(*reply);
    if (!status)
        co_return Unexpected(DeviceConnectionError::InvalidReply);
    co_return *status;
}

void DeviceConnection::fskTncStatus(TncStatusDone done)
{
    whenDone<TncStatus>(fskTncStatusAsync(), [done = std::move(done)](Expected<TncStatus> status) {
        if (!done)
            return;
        if (status)
            done(DeviceConnectionError::NoError, status->status, status->data);
        else
            done(status.error(), 0, {});
    });
}

void DeviceConnection::fskReadLimited(std::uint16_t address, std::uint8_t count, ReplyDone done)
{
    sendFskCommand(fsk::kRead, fskpayload::readRequest(address, count), fsk::kReadReply,
                   decodeReadReply(std::move(done), [address, count](const QByteArray &payload) {
                       return fskpayload::decodeAddressedReply(payload, address, count);
                   }));
}

void DeviceConnection::fskWriteLimited(std::uint16_t address, QByteArray data, Done done)
{
    // The frame builder would cut what does not fit, and the device would confirm a write of
    // less than was asked for.
    if (data.size() > frames::kFskMaxPayload - kAddressBytes) {
        deferError(std::move(done), DeviceConnectionError::WriteError);
        return;
    }
    sendFskCommand(fsk::kWrite, fskpayload::writeRequest(address, data), fsk::kWriteReply,
                   ignorePayload(std::move(done)));
}

void DeviceConnection::fskAdvReadLimited(FlashTarget target, std::optional<std::uint8_t> index,
                                         std::uint16_t address, std::uint16_t count, ReplyDone done)
{
    sendFskCommand(fsk::kAdvRead, fskpayload::advReadRequest(target, index, address, count),
                   fsk::kAdvReadReply,
                   decodeReadReply(std::move(done), [address, count](const QByteArray &payload) {
                       return fskpayload::decodeAddressedReply(payload, address, count);
                   }));
}

void DeviceConnection::fskAdvWriteLimited(FlashTarget target, std::optional<std::uint8_t> index,
                                          std::uint16_t address, QByteArray data, Done done)
{
    if (data.size() > frames::kFskMaxPayload - kAdvHeaderBytes) {
        deferError(std::move(done), DeviceConnectionError::WriteError);
        return;
    }
    sendFskCommand(fsk::kAdvWrite, fskpayload::advWriteRequest(target, index, address, data),
                   fsk::kAdvWriteReply, ignorePayload(std::move(done)));
}

void DeviceConnection::fskSave(Done done)
{
    sendFskCommand(fsk::kFlashSave, {}, fsk::kFlashSaveReply, ignorePayload(std::move(done)));
}

void DeviceConnection::fskKeepAlive(Done done)
{
    sendFskCommand(fsk::kKeepAlive, {}, fsk::kKeepAliveReply, ignorePayload(std::move(done)));
}

void DeviceConnection::fskGo(Done done)
{
    QPointer<DeviceConnection> self(this);
    sendFskCommand(fsk::kBootloadMode, {}, fsk::kBootloadModeReply,
                   [self, done = std::move(done)](DeviceConnectionError code, const QByteArray &) {
                       // The device restarts into its bootloader and will announce itself
                       // there.
                       if (self && code == DeviceConnectionError::NoError)
                           self->enterSwitching();
                       if (done)
                           done(code);
                   });
}

void DeviceConnection::fskTncStart(std::uint8_t value, Done done)
{
    sendFskCommand(fsk::kTnc, fskpayload::tncStartRequest(value), fsk::kTncReply,
                   ignorePayload(std::move(done)));
}

void DeviceConnection::fskReadCal(std::uint8_t index, std::uint8_t count, ReplyDone done)
{
    sendFskCommand(fsk::kTnc, fskpayload::readCalRequest(index, count), fsk::kTncReply,
                   decodeReadReply(std::move(done), [index, count](const QByteArray &payload) {
                       return fskpayload::decodeCalReply(payload, index, count);
                   }));
}

void DeviceConnection::fskSetTested(std::uint8_t flag, ByteDone done)
{
    sendFskCommand(fsk::kSetTested, fskpayload::setTestedRequest(flag), fsk::kSetTestedReply,
                   [done = std::move(done)](DeviceConnectionError code, const QByteArray &payload) {
                       if (!done)
                           return;
                       if (code != DeviceConnectionError::NoError) {
                           done(code, 0);
                           return;
                       }
                       const std::optional<std::uint8_t> answer =
                           fskpayload::decodeSetTestedReply(payload);
                       if (answer)
                           done(DeviceConnectionError::NoError, *answer);
                       else
                           done(DeviceConnectionError::InvalidReply, 0);
                   });
}

void DeviceConnection::fskStartSensorTnc(Done done)
{
    sendFskCommand(fsk::kStartSensorTnc, {}, fsk::kStartSensorTncReply,
                   ignorePayload(std::move(done)));
}

void DeviceConnection::fskDiscoveryRequest()
{
    // Awaiting a type no device sends keeps the link quiet for one acknowledgement timeout,
    // while the remote receivers answer.
    sendFskCommand(fsk::kDiscoveryRequest, {}, fsk::kNoReplyType,
                   [](DeviceConnectionError, const QByteArray &) {});
}
