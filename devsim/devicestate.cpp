#include "devsim/devicestate.h"

namespace devsim {

namespace {

constexpr char kErasedByte = char(0xFF);

} // namespace

DeviceState::DeviceState(DeviceProfile deviceProfile)
    : profile(std::move(deviceProfile))
    , memory(effectiveTargets(profile))
    , tncSteps(profile.tncSteps)
    , testedFlags(profile.testedFlags)
{
    for (int index = 1; index <= auxiliaryCount(profile); ++index)
        auxiliaries.push_back(auxiliaryDevice(profile, index));
    const int flashBytes = qMax(0, profile.firmwareFlashBytes);
    firmware.flash.assign(deviceCount(), QByteArray(flashBytes, kErasedByte));
    firmware.pendingVersion.assign(deviceCount(), std::nullopt);
}

void DeviceState::boot(qint64 bootMs)
{
    nowMs = bootMs;
    memory.loadFromFlash();
    firmware.recordsSinceFailure = 0;
    calibration = {};
    if (!profile.calibration.calibrated && profile.calibration.startsByItself)
        startCalibration();
}

void DeviceState::armFirmwareFailure(const FirmwareFailure &failure)
{
    profile.firmwareFailure = failure;
    firmware.recordsSinceFailure = 0;
}

void DeviceState::startCalibration()
{
    if (calibration.phase == CalibrationRun::Phase::Idle ||
        calibration.phase == CalibrationRun::Phase::Passed) {
        calibration.phase = CalibrationRun::Phase::Running;
        calibration.startedMs = nowMs;
    }
}

CalibrationRun::Phase DeviceState::calibrationPhase()
{
    if (calibration.phase == CalibrationRun::Phase::Running &&
        nowMs - calibration.startedMs >= profile.calibration.durationMs) {
        if (profile.calibration.fails) {
            calibration.phase = CalibrationRun::Phase::Failed;
        } else {
            calibration.phase = CalibrationRun::Phase::Passed;
            profile.calibration.calibrated = true;
            tncSteps |= kSensorTncStep;
        }
    }
    return calibration.phase;
}

} // namespace devsim
