#pragma once

#include "devsim/deviceprofile.h"
#include "devsim/requestparser.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace devsim {

// What the device holds while it runs: its profile and the memory the host may change.
struct DeviceState
{
    DeviceProfile profile;
    QByteArray parameterMemory;

    explicit DeviceState(DeviceProfile deviceProfile)
        : profile(std::move(deviceProfile))
        , parameterMemory(profile.parameterMemory)
    {}
};

// The device's answer to one request: complete frames to send, in order, and, when the
// command restarts the device, the protocol it comes back in.
struct CommandOutcome
{
    std::vector<QByteArray> replies;
    std::optional<DeviceMode> restartInto;
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

// Application command codes the simulator answers.
namespace fskcmd {
inline constexpr std::uint8_t kKeepAlive = 0x0A;
inline constexpr std::uint8_t kBootloadMode = 0x0C;
inline constexpr std::uint8_t kReadMemory = 0x0E;
} // namespace fskcmd

// Bootloader command codes the simulator answers.
namespace blcmd {
inline constexpr std::uint8_t kIdRequest = 0x01;
inline constexpr std::uint8_t kGo = 0x09;
} // namespace blcmd

void addFskCommands(CommandTable &table);
void addBootloaderCommands(CommandTable &table);

// Every command the simulator knows, in both protocols.
[[nodiscard]] CommandTable standardCommandTable();

} // namespace devsim
