// Test-and-calibration (TNC): status with the level calibration's progress and outcome,
// clearing TNC steps, reading the calibration, the tested flag.
#include "devsim/fskreply.h"

namespace devsim {

using fskreply::reply;

namespace {

// TNC status data (after the status byte, which holds the passed TNC steps).
constexpr int kStatusDataBytes = 10;
constexpr int kOutcomeAt = 2;
constexpr int kCalibratedAt = 7;
constexpr int kProgressAt = 8;
constexpr std::uint8_t kOutcomePassed = 1;
constexpr std::uint8_t kOutcomeFailed = 255;
constexpr int kProgressComplete = 100;

constexpr int kCalibrationValueBytes = 4;

CommandOutcome tncStatus(const HostRequest &request, DeviceState &state)
{
    QByteArray data(kStatusDataBytes, '\0');
    const CalibrationRun::Phase phase = state.calibrationPhase();
    int progress = 0;
    switch (phase) {
    case CalibrationRun::Phase::Idle:
        break;
    case CalibrationRun::Phase::Running: {
        const qint64 elapsed = state.nowMs - state.calibration.startedMs;
        const int duration = qMax(1, state.profile.calibration.durationMs);
        progress = int(qMin<qint64>(kProgressComplete - 1, elapsed * kProgressComplete / duration));
        break;
    }
    case CalibrationRun::Phase::Passed:
        data[kOutcomeAt] = char(kOutcomePassed);
        progress = kProgressComplete;
        break;
    case CalibrationRun::Phase::Failed:
        data[kOutcomeAt] = char(kOutcomeFailed);
        break;
    }
    data[kCalibratedAt] = char(state.profile.calibration.calibrated ? 1 : 0);
    data[kProgressAt] = char(progress);
    return reply(request.code, QByteArray(1, char(state.tncSteps)) + data);
}

// Payload (0x00, index, count zero bytes): read `count` calibration bytes from `index`; the
// reply echoes the index and a zero byte. Payload (value, 0x00) with a value other than 0:
// clear the TNC steps in `value`, so the device runs them again; clearing the sensor step
// forgets the level calibration.
CommandOutcome tnc(const HostRequest &request, DeviceState &state)
{
    if (request.payload.size() < 2)
        return {};
    const auto first = std::uint8_t(request.payload[0]);
    if (first != 0) {
        state.tncSteps &= std::uint8_t(~first);
        if (first & kSensorTncStep) {
            state.profile.calibration.calibrated = false;
            state.calibration = {};
        }
        return reply(request.code);
    }
    const int index = std::uint8_t(request.payload[1]);
    const int count = int(request.payload.size()) - 2;
    QByteArray calibration;
    for (const std::int32_t value : state.profile.calibration.biases) {
        for (int i = 0; i < kCalibrationValueBytes; ++i)
            calibration.append(char((std::uint32_t(value) >> (8 * i)) & 0xFF));
    }
    QByteArray bytes = calibration.mid(index, count);
    bytes.append(QByteArray(count - int(bytes.size()), '\0'));
    return reply(request.code, QByteArray(1, char(index)) + QByteArray(1, '\0') + bytes);
}

// Flag 0 clears the tested flags, any other value adds its bits; the answer is the flags now.
CommandOutcome setTested(const HostRequest &request, DeviceState &state)
{
    if (request.payload.isEmpty())
        return {};
    const auto flag = std::uint8_t(request.payload[0]);
    state.testedFlags = flag == 0 ? 0 : std::uint8_t(state.testedFlags | flag);
    return reply(request.code, QByteArray(1, char(state.testedFlags)));
}

// Starts the level calibration; the TNC status reports its progress and outcome.
CommandOutcome startSensorTnc(const HostRequest &request, DeviceState &state)
{
    state.startCalibration();
    return reply(request.code);
}

} // namespace

void addTncCommands(CommandTable &table)
{
    table.set(Protocol::Fsk, fskcmd::kTncStatus, tncStatus);
    table.set(Protocol::Fsk, fskcmd::kTnc, tnc);
    table.set(Protocol::Fsk, fskcmd::kSetTested, setTested);
    table.set(Protocol::Fsk, fskcmd::kStartSensorTnc, startSensorTnc);
}

} // namespace devsim
