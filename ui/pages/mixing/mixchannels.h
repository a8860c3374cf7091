#pragma once

#include <QList>
#include <QString>

#include <utility>

// The channel codes a mix of the airplane receiver reads from (its master) and mixes into (its
// slave), as (text, code) items for the page's selectors.
namespace MixChannels {

using Items = QList<std::pair<QString, int>>;

// A new mix has neither: code 0 as master reads nothing, as slave it gives the mix a
// control-path output of its own.
inline constexpr int kNoChannel = 0;

// None, the throttle, the three stick axes, gear and the auxiliary channels.
[[nodiscard]] Items masterItems();
// The mix's own output, or the surfaces of one stick axis.
[[nodiscard]] Items slaveItems();

// Any stored code as the user reads it: a channel by its name, anything else as "Code n".
[[nodiscard]] QString codeText(int code);
// The name of a code that names a channel; empty for any other code.
[[nodiscard]] QString channelName(int code);

} // namespace MixChannels
