#pragma once

#include "devsim/deviceprofile.h"
#include "devsim/parametermemory.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace devsim {

// The level calibration as it runs: idle until started, then running for the profile's
// duration, then passed or failed. A failed calibration can only be retried after a restart.
struct CalibrationRun
{
    enum class Phase { Idle, Running, Passed, Failed };
    Phase phase = Phase::Idle;
    qint64 startedMs = 0;
};

// A firmware transfer as the bootloader sees it: the application area of each device it can
// program (index 0 the base device, 1..n those behind it), the version a file announced, and
// the records counted towards an injected failure.
struct FirmwareState
{
    std::vector<QByteArray> flash;
    struct Version
    {
        int major = 0;
        int minor = 0;
        int release = 0;
    };
    std::vector<std::optional<Version>> pendingVersion;
    int recordsSinceFailure = 0;
};

// What the device holds while it runs: its profile (whose versions and application validity
// the firmware records change), the memory the host may change, and the state of the
// calibration and of a firmware transfer. `nowMs` is the device's clock, set before each
// command runs.
struct DeviceState
{
    DeviceProfile profile;
    ParameterMemory memory;
    std::vector<AuxiliaryDevice> auxiliaries; // device index i at i - 1
    CalibrationRun calibration;
    std::uint8_t tncSteps = 0;
    std::uint8_t testedFlags = 0;
    FirmwareState firmware;
    qint64 nowMs = 0;

    explicit DeviceState(DeviceProfile deviceProfile);

    // A restart: RAM is loaded from flash and a calibration in progress is lost.
    void boot(qint64 bootMs);
    // The calibration phase at nowMs (a running calibration ends when its time is up).
    CalibrationRun::Phase calibrationPhase();
    void startCalibration();

    // Arms a firmware failure, counting records from now.
    void armFirmwareFailure(const FirmwareFailure &failure);

    [[nodiscard]] int deviceCount() const { return 1 + int(auxiliaries.size()); }
};

} // namespace devsim
