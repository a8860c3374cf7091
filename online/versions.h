#pragma once

#include <QString>

enum class VersionOrder { Less, Equal, Greater, Invalid };

// Compares dotted decimal versions part by part. A missing part counts as 0, so "3.10"
// equals "3.10.0" and is less than "3.10.6"; a part that is not a decimal number makes the
// result Invalid.
[[nodiscard]] VersionOrder compareVersions(const QString &a, const QString &b);

// The serial number as shown to users: from four characters before the end leftwards in
// steps of four, a hyphen wherever more than five characters stand before it
// ("ABCDEFGHIJKLM" -> "ABCDEFGHI-JKLM"). NUL padding at the end is left out.
[[nodiscard]] QString serialNumberDisplayForm(const QString &serialNumber);

// Empty, or 30 bytes of 0xFF or of 0x00 in Latin-1: a device never given a serial number.
[[nodiscard]] bool isUnprogrammedSerialNumber(const QString &serialNumber);
