#include "ui/calibration/calibrationpoll.h"

#include <QtGlobal>

namespace levelcalibration {

namespace {

std::optional<std::uint8_t> byteAt(const QByteArray &data, int index)
{
    if (index >= data.size())
        return std::nullopt;
    return std::uint8_t(data.at(index));
}

} // namespace

PollStep interpretPoll(DeviceConnectionError error, const QByteArray &statusData,
                       bool supportsProgress, Outcome shown)
{
    PollStep step;
    if (error != DeviceConnectionError::NoError) {
        step.pollAgain = false;
        // An outcome on screen stays: a passed calibration is still passed, and Close is
        // already enabled.
        if (shown == Outcome::None) {
            step.status = kNoAnswerText;
            step.hideProgress = true;
            step.enableClose = true;
            step.disableStart = true;
        }
        return step;
    }

    const std::optional<std::uint8_t> outcome = byteAt(statusData, kOutcomeByte);
    if (outcome == kOutcomePassed) {
        step.outcome = Outcome::Passed;
        step.status = kPassedText;
        if (supportsProgress)
            step.progress = kProgressMaximum;
        else
            step.hideProgress = true;
        step.enableClose = true;
        step.disableStart = true;
    } else if (outcome == kOutcomeFailed) {
        step.outcome = Outcome::Failed;
        step.status = kFailedText;
        step.hideProgress = true;
        step.enableClose = true;
        // Only a power cycle lets the receiver try again.
        step.disableStart = true;
    }
    if (supportsProgress) {
        // The bar ignores values outside its range; the receiver's own figure still shows as
        // far as it can.
        if (const std::optional<std::uint8_t> progress = byteAt(statusData, kProgressByte))
            step.progress = qBound(0, int(*progress), kProgressMaximum);
    }
    return step;
}

} // namespace levelcalibration
