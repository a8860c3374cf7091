#pragma once

#include "device/deviceconnectionerror.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// What one reading of a receiver's test-and-calibration (TNC) status means for the
// level-calibration dialog. The dialog only shows what this decides.
namespace levelcalibration {

inline const QString kIntroText =
    QStringLiteral("The connected receiver needs to be calibrated. Please place the receiver "
                   "flat on a level surface and don't touch it or it may fail to calibrate.");
inline const QString kCalibratingText = QStringLiteral("Calibrating...");
inline const QString kPassedText = QStringLiteral("Calibration passed.");
inline const QString kFailedText =
    QStringLiteral("Calibration failed. Please power the receiver off and on again to try again.");
inline const QString kNoAnswerText = QStringLiteral(
    "The receiver stopped answering. Please check its connection and power it off and on again.");

// Bytes of the status data (the reply after its status byte).
inline constexpr int kOutcomeByte = 2;
inline constexpr int kProgressByte = 8;
inline constexpr std::uint8_t kOutcomePassed = 1;
inline constexpr std::uint8_t kOutcomeFailed = 255;
inline constexpr int kProgressMaximum = 100;

// The receiver's outcome so far, as the dialog has shown it.
enum class Outcome { None, Passed, Failed };

// What the dialog does after one status poll. Unset fields leave the form as it is.
struct PollStep
{
    std::optional<QString> status;
    std::optional<int> progress; // the bar's new value
    bool hideProgress = false;
    bool enableClose = false;
    bool disableStart = false;
    Outcome outcome = Outcome::None; // the outcome this reading reports, if any
    bool pollAgain = true;
};

// The step for a poll that ended with `error` and, without error, delivered `statusData`.
// `shown` is the outcome the dialog already shows. A receiver that stops answering ends the
// polling; when no outcome was shown yet, the dialog says so and may be closed, since
// nothing would ever enable its Close button otherwise.
[[nodiscard]] PollStep interpretPoll(DeviceConnectionError error, const QByteArray &statusData,
                                     bool supportsProgress, Outcome shown);

} // namespace levelcalibration
