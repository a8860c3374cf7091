#pragma once

#include "devsim/deviceprofile.h"
#include "devsim/devicestate.h"
#include "devsim/requestparser.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace devsim {

// The device's answer to one request: complete frames to send, in order, after the device
// has been busy for replyDelayMs (erasing flash, say), and, when the command restarts the
// device, the protocol it comes back in.
struct CommandOutcome
{
    std::vector<QByteArray> replies;
    std::optional<DeviceMode> restartInto;
    int replyDelayMs = 0;
};

using CommandHandler = std::function<CommandOutcome(const HostRequest &, DeviceState &)>;

// Request code → handler, per protocol. A request without a handler goes unanswered, as a
// device ignores what it does not understand.
class CommandTable
{
public:
    void set(Protocol protocol, std::uint8_t code, CommandHandler handler);
    void remove(Protocol protocol, std::uint8_t code);
    [[nodiscard]] const CommandHandler *find(Protocol protocol, std::uint8_t code) const;

private:
    std::map<std::pair<Protocol, std::uint8_t>, CommandHandler> m_handlers;
};

// Application command codes the simulator answers. Replies are the request code with bit 7
// set, except the identification's.
namespace fskcmd {
inline constexpr std::uint8_t kIdRequest = 0x01;
inline constexpr std::uint8_t kIdReply = 0x89;
inline constexpr std::uint8_t kWriteMemory = 0x03;
inline constexpr std::uint8_t kFlashSave = 0x07;
inline constexpr std::uint8_t kKeepAlive = 0x0A;
inline constexpr std::uint8_t kSerial = 0x0B;
inline constexpr std::uint8_t kBootloadMode = 0x0C;
inline constexpr std::uint8_t kReadMemory = 0x0E;
inline constexpr std::uint8_t kTncStatus = 0x10;
inline constexpr std::uint8_t kTnc = 0x11; // clear TNC steps, or read calibration
inline constexpr std::uint8_t kSetTested = 0x12;
inline constexpr std::uint8_t kAdvWrite = 0x18;
inline constexpr std::uint8_t kAdvRead = 0x19;
inline constexpr std::uint8_t kTargetSections = 0x1C;
inline constexpr std::uint8_t kFaaSerial = 0x1E;
inline constexpr std::uint8_t kDiscovery = 0x21; // remote receivers would answer; we have none
inline constexpr std::uint8_t kSectionCrcs = 0x30;
inline constexpr std::uint8_t kStartSensorTnc = 0x42;
} // namespace fskcmd

// Bootloader command codes the simulator answers.
namespace blcmd {
inline constexpr std::uint8_t kIdRequest = 0x01;
inline constexpr std::uint8_t kGo = 0x09;
} // namespace blcmd

void addFskCommands(CommandTable &table);
void addFskMemoryCommands(CommandTable &table);
void addTncCommands(CommandTable &table);
void addBootloaderCommands(CommandTable &table);
void addFirmwareRecordCommands(CommandTable &table);

// Every command the simulator knows, in both protocols.
[[nodiscard]] CommandTable standardCommandTable();

} // namespace devsim
