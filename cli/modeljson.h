#pragma once

#include "models/settingpaths.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <cstdint>

class Console;
class DeviceModel;
struct SectionMetadata;

// What `info` shows of a model, as JSON: "class", "name", "productCode", "parameterVersion",
// "serialNumber", "modelCrc", "sections" [{"index", "root", "size", "crc"}] and "settings",
// the sections decoded as the model file decodes them.
[[nodiscard]] QJsonObject modelSummaryJson(const DeviceModel &model);

// The same as lines of text: the descriptive fields and one line per section.
void printModelSummary(Console &console, const QJsonObject &summary);
// Its settings, one "path = value" line each.
void printModelSettings(Console &console, const QJsonObject &summary);

// A CRC as messages show it: "0x" and eight upper-case hexadecimal digits.
[[nodiscard]] QString crcText(std::uint32_t crc);

// The sections a device reported, as JSON: [{"id", "size", "crc"}], a CRC it did not report
// being null.
[[nodiscard]] QJsonArray deviceSectionsJson(const QList<SectionMetadata> &sections);

// Serial numbers of devices with fewer than 30 characters arrive NUL-padded; the padding is
// not part of what a person reads.
[[nodiscard]] QString displaySerial(const QString &serial);
