// Firmware transfer of DeviceConnection: a SAX file's records sent to a device in its
// bootloader, one at a time.
#include "device/deviceconnection.h"
#include "device/deviceiothread.h"
#include "device/frames.h"
#include "device/saxfile.h"

#include <algorithm>

void DeviceConnection::sendSaxFile(std::uint8_t device, QByteArray file, std::uint16_t productCode,
                                   QString serialNumber, Progress progress, Done done)
{
    if (!progress)
        progress = [](float) {};
    if (!done)
        done = [](DeviceConnectionError) {};
    const auto finish = [done](DeviceConnectionError code) {
        deviceio::defer([done, code] { done(code); });
    };
    if (m_mode != DeviceMode::Bootloader) {
        finish(DeviceConnectionError::InvalidState);
        return;
    }
    const Expected<saxfile::Header> header = saxfile::checkHeader(file, productCode, serialNumber);
    if (!header) {
        finish(header.error());
        return;
    }
    QPointer<DeviceConnection> self(this);
    deviceio::defer([self, device, file = std::move(file), offset = header->recordsOffset,
                     progress = std::move(progress), done = std::move(done)] {
        if (self)
            self->sendSaxFileCommand(device, file, offset, progress, done);
        else
            done(DeviceConnectionError::NoReply);
    });
}

void DeviceConnection::sendSaxFileCommand(std::uint8_t device, QByteArray file, int offset,
                                          Progress progress, Done done)
{
    const int size = int(file.size());
    progress(std::min(float(offset) / float(size), 1.0f));
    if (offset == size) {
        done(DeviceConnectionError::NoError);
        return;
    }
    const Expected<saxfile::Record> record = saxfile::readRecord(file, offset);
    if (!record) {
        done(record.error());
        return;
    }
    CommandOptions options;
    options.device = device;
    options.timeoutMs = record->timeoutMs;
    QPointer<DeviceConnection> self(this);
    writeCommand(
        frames::buildBootloaderFrame(record->command, device, record->data), record->replyType,
        [self, device, file = std::move(file), offset, progress, done](DeviceConnectionError code,
                                                                       const QByteArray &) {
            // Codes from the device itself (file, erase, write problems) pass through
            // unchanged, as do a reply from another device and a missing reply.
            if (code != DeviceConnectionError::NoError)
                done(code);
            else if (!self)
                done(DeviceConnectionError::NoReply);
            else
                self->sendSaxFileCommand(device, file, offset + saxfile::kRecordBytes, progress,
                                         done);
        },
        options);
}
