// Range reads and writes of DeviceConnection: any length, in single-frame pieces.
#include "device/deviceconnection.h"
#include "device/deviceiothread.h"
#include "device/fskpayloads.h"

namespace {

using Progress = DeviceConnection::Progress;
using ReplyDone = DeviceConnection::ReplyDone;
using Done = DeviceConnection::Done;

// The 16-bit address space of the commands; a range past its end would wrap to address 0.
constexpr int kAddressSpaceBytes = 0x10000;

// Moves one piece: [address, address + length) with the bytes to write (empty for reads).
// Delivers the bytes read, if any.
using PieceTransfer =
    std::function<void(int address, int length, const QByteArray &data, ReplyDone done)>;

struct Range
{
    int address = 0;
    int count = 0;
    QByteArray data; // what is written; empty for reads
};

// Works from the end of the range towards its start: the last piece first, then the same on
// the part before it, whose progress is scaled into what remains of this one's. Devices were
// built to expect this order. The bytes of the leading part go in front of this piece's.
void transferFromEnd(PieceTransfer transfer, Range range, int pieceBytes, Progress progress,
                     ReplyDone done)
{
    const int length = std::min(range.count, pieceBytes);
    const int pieceAddress = range.address + range.count - length;
    const QByteArray pieceData = range.data.right(length);
    transfer(pieceAddress, length, pieceData,
             [transfer, range, length, pieceBytes, progress, done](DeviceConnectionError code,
                                                                   const QByteArray &bytes) {
                 if (code != DeviceConnectionError::NoError) {
                     done(code, {});
                     return;
                 }
                 const int remaining = range.count - length;
                 if (remaining == 0) {
                     progress(1.0f);
                     done(DeviceConnectionError::NoError, bytes);
                     return;
                 }
                 const float done0 = float(length) / float(range.count);
                 progress(done0);
                 Range leading{range.address, remaining, range.data.left(remaining)};
                 transferFromEnd(
                     transfer, std::move(leading), pieceBytes,
                     [progress, done0](float f) { progress(done0 + (1.0f - done0) * f); },
                     [bytes, done](DeviceConnectionError leadingCode, const QByteArray &front) {
                         if (leadingCode != DeviceConnectionError::NoError)
                             done(leadingCode, {});
                         else
                             done(DeviceConnectionError::NoError, front + bytes);
                     });
             });
}

// Runs a range transfer with callbacks that may be empty. The pieces go through the
// single-frame commands, which check the mode every time: a device leaving its application
// halfway ends the transfer with InvalidState.
void runRange(QPointer<DeviceConnection> connection, PieceTransfer piece, Range range,
              int pieceBytes, Progress progress, ReplyDone done, DeviceConnectionError rangeError)
{
    if (!progress)
        progress = [](float) {};
    if (!done)
        done = [](DeviceConnectionError, const QByteArray &) {};
    DeviceConnectionError refusal = DeviceConnectionError::NoError;
    if (connection->mode() != DeviceMode::FSK)
        refusal = DeviceConnectionError::InvalidState;
    else if (range.address + range.count > kAddressSpaceBytes)
        refusal = rangeError;
    if (refusal != DeviceConnectionError::NoError) {
        deviceio::defer([done, refusal] { done(refusal, {}); });
        return;
    }
    // Completions are delivered without a guard, also when the connection is going away; the
    // next piece must then not be asked of it.
    PieceTransfer guarded = [connection, piece](int address, int length, const QByteArray &data,
                                                ReplyDone pieceDone) {
        if (!connection) {
            pieceDone(DeviceConnectionError::NoReply, {});
            return;
        }
        piece(address, length, data, std::move(pieceDone));
    };
    transferFromEnd(std::move(guarded), std::move(range), pieceBytes, std::move(progress),
                    std::move(done));
}

ReplyDone dropBytes(Done done)
{
    return [done = std::move(done)](DeviceConnectionError code, const QByteArray &) {
        if (done)
            done(code);
    };
}

Done withoutBytes(ReplyDone done)
{
    return [done = std::move(done)](DeviceConnectionError code) { done(code, {}); };
}

} // namespace

void DeviceConnection::fskRead(std::uint16_t address, std::uint16_t count, Progress progress,
                               ReplyDone done)
{
    auto piece = [this](int pieceAddress, int length, const QByteArray &, ReplyDone pieceDone) {
        fskReadLimited(std::uint16_t(pieceAddress), std::uint8_t(length), std::move(pieceDone));
    };
    runRange(this, piece, Range{address, count, {}}, fskpayload::kReadPieceBytes,
             std::move(progress), std::move(done), DeviceConnectionError::ReadError);
}

void DeviceConnection::fskWrite(std::uint16_t address, QByteArray data, Progress progress,
                                Done done)
{
    auto piece = [this](int pieceAddress, int, const QByteArray &pieceData, ReplyDone pieceDone) {
        fskWriteLimited(std::uint16_t(pieceAddress), pieceData, withoutBytes(std::move(pieceDone)));
    };
    const int count = int(data.size());
    runRange(this, piece, Range{address, count, std::move(data)}, fskpayload::kWritePieceBytes,
             std::move(progress), dropBytes(std::move(done)), DeviceConnectionError::WriteError);
}

void DeviceConnection::fskAdvRead(FlashTarget target, std::optional<std::uint8_t> index,
                                  std::uint16_t address, std::uint16_t count, Progress progress,
                                  ReplyDone done)
{
    auto piece = [this, target, index](int pieceAddress, int length, const QByteArray &,
                                       ReplyDone pieceDone) {
        fskAdvReadLimited(target, index, std::uint16_t(pieceAddress), std::uint16_t(length),
                          std::move(pieceDone));
    };
    runRange(this, piece, Range{address, count, {}}, fskpayload::kAdvReadPieceBytes,
             std::move(progress), std::move(done), DeviceConnectionError::ReadError);
}

void DeviceConnection::fskAdvWrite(FlashTarget target, std::optional<std::uint8_t> index,
                                   std::uint16_t address, QByteArray data, Progress progress,
                                   Done done)
{
    auto piece = [this, target, index](int pieceAddress, int, const QByteArray &pieceData,
                                       ReplyDone pieceDone) {
        fskAdvWriteLimited(target, index, std::uint16_t(pieceAddress), pieceData,
                           withoutBytes(std::move(pieceDone)));
    };
    const int count = int(data.size());
    runRange(this, piece, Range{address, count, std::move(data)}, fskpayload::kAdvWritePieceBytes,
             std::move(progress), dropBytes(std::move(done)), DeviceConnectionError::WriteError);
}
