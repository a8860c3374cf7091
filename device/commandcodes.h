#pragma once

#include <cstdint>

// Request and reply codes of the two protocols.

namespace fsk {
inline constexpr std::uint8_t kKeepAlive = 0x0A;
inline constexpr std::uint8_t kKeepAliveReply = 0x8A;
inline constexpr std::uint8_t kBootloadMode = 0x0C; // restart into the bootloader
inline constexpr std::uint8_t kBootloadModeReply = 0x8C;
inline constexpr std::uint8_t kIdRequest = 0x01;
inline constexpr std::uint8_t kIdRequestReply = 0x89; // the one reply not of the form type | 0x80
inline constexpr std::uint8_t kWrite = 0x03;          // parameter memory
inline constexpr std::uint8_t kWriteReply = 0x83;
inline constexpr std::uint8_t kFlashSave = 0x07; // parameter memory to flash
inline constexpr std::uint8_t kFlashSaveReply = 0x87;
inline constexpr std::uint8_t kSerialRequest = 0x0B;
inline constexpr std::uint8_t kSerialReply = 0x8B;
inline constexpr std::uint8_t kRead = 0x0E; // parameter memory
inline constexpr std::uint8_t kReadReply = 0x8E;
inline constexpr std::uint8_t kTncStatus = 0x10;
inline constexpr std::uint8_t kTncStatusReply = 0x90;
inline constexpr std::uint8_t kTnc = 0x11; // start TNC or read calibration, told apart by payload
inline constexpr std::uint8_t kTncReply = 0x91;
inline constexpr std::uint8_t kSetTested = 0x12;
inline constexpr std::uint8_t kSetTestedReply = 0x92;
inline constexpr std::uint8_t kAdvWrite = 0x18; // by flash target
inline constexpr std::uint8_t kAdvWriteReply = 0x98;
inline constexpr std::uint8_t kAdvRead = 0x19; // by flash target
inline constexpr std::uint8_t kAdvReadReply = 0x99;
inline constexpr std::uint8_t kTargetSections = 0x1C;
inline constexpr std::uint8_t kTargetSectionsReply = 0x9C;
inline constexpr std::uint8_t kFaaSerialRequest = 0x1E;
inline constexpr std::uint8_t kFaaSerialReply = 0x9E;
inline constexpr std::uint8_t kDiscoveryRequest = 0x21; // remote receivers answer unasked
inline constexpr std::uint8_t kNoReplyType = 0x00;      // awaited, but devices never send it
inline constexpr std::uint8_t kSectionCrcs = 0x30;
inline constexpr std::uint8_t kSectionCrcsReply = 0xB0;
inline constexpr std::uint8_t kStartSensorTnc = 0x42;
inline constexpr std::uint8_t kStartSensorTncReply = 0xC2;
} // namespace fsk

namespace bootloader {
inline constexpr std::uint8_t kIdRequest = 0x01;
inline constexpr std::uint8_t kIdRequestReply = 0x86;
inline constexpr std::uint8_t kGo = 0x09; // leave the bootloader and start the application
inline constexpr std::uint8_t kGoReply = 0x8E;
} // namespace bootloader
