#pragma once

class DeviceConnection;
class QCheckBox;

namespace cablepower {

// Powers the cable once the user has confirmed that no battery is plugged into the device;
// with Shift held it powers at once. "Cancel" unchecks `checkBox`. The warning is window-modal
// and does not block.
void powerOnWithWarning(DeviceConnection *connection, QCheckBox *checkBox);

// The box's title, for tests and the tour that answer it.
inline constexpr const char *kWarningTitle = "Unplug Battery";

} // namespace cablepower
