#pragma once

#include "device/deviceconnectionerror.h"
#include "device/frames.h"
#include "devsim/commandtable.h"

#include <QByteArray>

#include <cstdint>

// Helpers the bootloader command handlers share.
namespace devsim::blreply {

inline constexpr int kStatusDeviceShift = 5;
inline constexpr int kStatusResultBits = 0x1F;

// Status byte: the answering device's index in bits 7..5, the result code in bits 4..0.
[[nodiscard]] inline std::uint8_t status(int device, DeviceConnectionError result)
{
    return std::uint8_t((device << kStatusDeviceShift) | (int(result) & kStatusResultBits));
}

// The reply to `command` (reply type = command + 0x85).
[[nodiscard]] inline CommandOutcome reply(std::uint8_t command, int device,
                                          DeviceConnectionError result,
                                          const QByteArray &payload = {})
{
    return {{frames::buildBootloaderReply(std::uint8_t(command + frames::kBootloaderReplyOffset),
                                          status(device, result), payload)},
            std::nullopt};
}

} // namespace devsim::blreply
