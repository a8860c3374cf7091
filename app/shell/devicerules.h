#pragma once

#include "device/streamenumeration.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QSettings;

// The main window's small decisions about the connected device and the account, kept apart
// from any widget so that tests can state them directly.
namespace devicerules {

// Whether the device must be level-calibrated before anything else: it says so, or, when it
// does not report its calibration state, it is a receiver of the generation that needs it.
[[nodiscard]] bool calibrationRequired(std::optional<bool> isCalibrated, int productCode,
                                       int appVersionMajor, std::optional<int> parameterVersion);

struct TncFlag
{
    QString name;
    std::uint8_t value = 0;
};
// The test-and-calibration steps a device of this product can have cleared; none for a
// product that does not support it.
[[nodiscard]] std::optional<QList<TncFlag>> tncFlagsFor(int productCode);

// Products whose calibration values can be read, and what is read from them.
[[nodiscard]] bool canReadCalibration(int productCode);
inline constexpr std::uint8_t kCalibrationIndex = 0;
inline constexpr std::uint8_t kCalibrationByteCount = 24; // six signed 32-bit values
// The six lines of the calibration box; none when the reply is too short to hold them.
[[nodiscard]] std::optional<QString> calibrationText(const QByteArray &reply);

// The account line of the main window: empty when nobody is logged in.
[[nodiscard]] QString accountText(const QSettings &settings);

// The "Log Serial Ports" lines, header first.
[[nodiscard]] QStringList serialPortLines(const QList<SerialPortDescription> &ports);

} // namespace devicerules
