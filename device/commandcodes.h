#pragma once

#include <cstdint>

// Request and reply codes of the two protocols.

namespace fsk {
inline constexpr std::uint8_t kKeepAlive = 0x0A;
inline constexpr std::uint8_t kKeepAliveReply = 0x8A;
inline constexpr std::uint8_t kBootloadMode = 0x0C; // restart into the bootloader
inline constexpr std::uint8_t kBootloadModeReply = 0x8C;
} // namespace fsk

namespace bootloader {
inline constexpr std::uint8_t kIdRequest = 0x01;
inline constexpr std::uint8_t kIdRequestReply = 0x86;
inline constexpr std::uint8_t kGo = 0x09; // leave the bootloader and start the application
inline constexpr std::uint8_t kGoReply = 0x8E;
} // namespace bootloader
