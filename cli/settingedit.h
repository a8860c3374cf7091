#pragma once

#include <QString>

#include <expected>

class DeviceModel;

// Changes one setting of a model, named by the path `info --settings` and `diff` print
// ("cpSettings.servo[3].travel", or for a single-section model "servo[3].travel"), through
// the section's schema: the readable mirror is edited and encoded back onto the bytes, so
// reserves and bits outside the named groups stay as they were. A value outside what the
// field holds is refused rather than cut to its low bits.
[[nodiscard]] std::expected<void, QString> setModelSetting(DeviceModel &model, const QString &path,
                                                           const QString &value);
