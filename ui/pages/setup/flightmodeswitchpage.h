#pragma once

#include "ui/navigation/page.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/setup/choicebox.h"

#include <memory>
#include <optional>

class AirplaneRxModel;
class QCheckBox;
class QComboBox;
class QLabel;
class SwitchPositionsView;

// The flight-mode switch setting holds the channel code of the transmitter channel that
// selects the flight mode: Gear (channel 5) or Aux 1 to Aux 10 (channels 6 to 15), or 0 for
// none (the receiver then stays in its first flight mode).
namespace FlightModeSwitch {
inline constexpr int kNone = 0;
inline constexpr int kFirstChannel = 5; // Gear
inline constexpr int kLastChannel = 15; // Aux 10
inline constexpr int kFirstCode = 19;   // the channel code of Gear

// The transmitter channel (5 to 15) a setting value names, or none.
[[nodiscard]] std::optional<int> channelOf(int code);
[[nodiscard]] int codeOf(int channel);
// "None", then the channels a transmitter of `transmitterChannels` has; `current` is named
// even when the transmitter lacks it.
[[nodiscard]] ChoiceItems choices(int transmitterChannels, int current);
} // namespace FlightModeSwitch

// "Flight Mode Switch": which transmitter channel switches the flight modes, and how many
// there are. The receiver with flight-envelope protection also chooses whether its limited
// flight modes are offered.
class FlightModeSwitchPage : public Page
{
    Q_OBJECT

public:
    FlightModeSwitchPage(std::shared_ptr<AirplaneRxModel> model, const PageContext &context,
                         QWidget *parent = nullptr);

    [[nodiscard]] QComboBox *switchBox() const { return m_switchBox; }
    // Only on the receiver with flight-envelope protection; null otherwise.
    [[nodiscard]] QCheckBox *limitedModesBox() const { return m_limitedModesBox; }
    [[nodiscard]] QLabel *note() const { return m_note; }

private:
    void showSwitch();

    std::shared_ptr<AirplaneRxModel> m_model;
    QComboBox *m_switchBox = nullptr;
    QCheckBox *m_limitedModesBox = nullptr;
    QLabel *m_countLabel = nullptr;
    QLabel *m_note = nullptr;
    SwitchPositionsView *m_positions = nullptr;
};
