#pragma once

#include "ui/navigation/page.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/setup/choicebox.h"

#include <QList>

#include <memory>

class AirplaneRxModel;
class QComboBox;
class QGridLayout;
class QSpinBox;

// Values of the port failsafe setting.
namespace PortFailsafe {
inline constexpr int kPreset = 0;       // the output goes to its failsafe position
inline constexpr int kHold = 1;         // the output keeps its last position
inline constexpr int kDoesNotApply = 2; // nothing drives the port
} // namespace PortFailsafe

// "Port Assignment & Failsafe": what each of the receiver's ports drives (the throttle, a
// surface or a mix output) and what it does when the transmitter's signal is lost. The
// receiver with flight-envelope protection also holds an attitude on signal loss.
class PortAssignmentPage : public Page
{
    Q_OBJECT

public:
    PortAssignmentPage(std::shared_ptr<AirplaneRxModel> model, const PageContext &context,
                       QWidget *parent = nullptr);

    // The receiver's ports, numbered from 1: the throttle port and its surface outputs.
    [[nodiscard]] int portCount() const { return int(m_outputBoxes.size()); }
    [[nodiscard]] QComboBox *outputBox(int port) const { return m_outputBoxes.value(port - 1); }
    [[nodiscard]] QComboBox *failsafeBox(int port) const { return m_failsafeBoxes.value(port - 1); }
    // Only on the receiver with flight-envelope protection; null otherwise.
    [[nodiscard]] QSpinBox *bankAngleBox() const { return m_bankAngleBox; }
    [[nodiscard]] QSpinBox *pitchAngleBox() const { return m_pitchAngleBox; }

    static constexpr int kMaximumLoiterAngle = 45;

private:
    // What a port can drive now: nothing, the throttle, the surfaces the aircraft type
    // brings and the outputs of the mixes in use.
    [[nodiscard]] ChoiceItems outputChoices() const;
    void addPortRow(int port, QGridLayout &grid);
    [[nodiscard]] QWidget *loiterGroup(const PageContext &context);

    std::shared_ptr<AirplaneRxModel> m_model;
    ChoiceItems m_outputChoices; // worked out once per refresh, for every port
    QList<QComboBox *> m_outputBoxes;
    QList<QComboBox *> m_failsafeBoxes;
    QSpinBox *m_bankAngleBox = nullptr;
    QSpinBox *m_pitchAngleBox = nullptr;
};
