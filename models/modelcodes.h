#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

// Product code and parameter version as a model file stores them: texts such as "0xD9".
inline const QString kProductCodeFileKey = QStringLiteral("deviceProductCode");
inline const QString kParameterVersionFileKey = QStringLiteral("parameterVersion");
// What a file without the codes was written for: the first airplane receiver.
inline constexpr std::int32_t kDefaultProductCode = 0xD9;
inline constexpr std::int32_t kDefaultParameterVersion = 0xFF;

// "0x" and upper-case hexadecimal digits, at least two: 217 gives "0xD9", 5 gives "0x05". A
// negative value is written as its 32-bit pattern, which parseModelCode reads back.
[[nodiscard]] QString formatModelCode(std::int32_t code);
// C-style base detection: "0x" hexadecimal, a leading "0" octal, else decimal. Anything that
// is not entirely a number of 32 bits (signed, or unsigned as formatModelCode writes
// negatives) gives nothing: "0x3G" is no code.
[[nodiscard]] std::optional<std::int32_t> parseModelCode(const QString &text);
// The code under `key`: absent or empty gives `fallback`; a text goes through parseModelCode;
// a whole JSON number in range is taken as it is; anything else gives nothing.
[[nodiscard]] std::optional<std::int32_t> readModelCode(const QJsonObject &root, const QString &key,
                                                        std::int32_t fallback);
