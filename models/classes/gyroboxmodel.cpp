#include "models/classes/gyroboxmodel.h"

#include "models/classes/imagefields.h"
#include "models/classes/modelclasslist.h"
#include "models/classes/schemacatalog.h"

#include <algorithm>
#include <bit>
#include <optional>

namespace {

const QString kSchemaName = QStringLiteral("stabiliser-box");
constexpr int kProductCode = 0x3A;
constexpr int kParameterVersion = 0;

constexpr int kGainMask = 0x3FF;
constexpr int kReverseBit = 1 << 10;
constexpr int kRelativeBit = 1 << 11;
constexpr int kHeadingModeShift = 12;
constexpr int kHeadingModeMask = 0x3;
constexpr int kAxisEnabledBit = 1 << 14;
constexpr int kPriorityShift = 16;
// The flight modes the box switches through are the set bits of these.
constexpr int kEnabledFlightModesMask = 0x1F;
constexpr int kPitchAxis = 1;
constexpr int kYawAxis = 2;

// Stored gyro scalers and the raw-gain factors they stand for.
constexpr int kScalerTimesFour = 10;
constexpr int kScalerTimesOne = 40;

std::uint16_t packGainBitfield(const GyroGainEntry &entry)
{
    int bits = entry.gain & kGainMask;
    bits |= entry.reverse ? kReverseBit : 0;
    bits |= entry.relative ? kRelativeBit : 0;
    bits |= (entry.headingMode & kHeadingModeMask) << kHeadingModeShift;
    bits |= entry.axisEnabled ? kAxisEnabledBit : 0;
    return std::uint16_t(bits);
}

} // namespace

GyroboxModel::GyroboxModel(int productCode, int parameterVersion, QObject *parent)
    : DeviceModel(imageSchema(), parent)
{
    info().setProductCode(productCode);
    info().setParameterVersion(parameterVersion);
    if (parameterVersion == kParameterVersion) {
        m_defaultImage = builtinDefaultImage(kSchemaName);
        memory().setModelData(0, m_defaultImage);
    }
    memory().setDeviceData(0, memory().modelData(0));
    applyCurrentTypes();
    // A device may have been set up elsewhere: bring its links and axes in line on connection.
    connect(&memory(), &DeviceMemory::syncConnectionChanged, this,
            &GyroboxModel::applyCurrentTypes);
}

const ModelClassInfo *GyroboxModel::getModelClassInfoStatic()
{
    static const ModelClassInfo info = describeModelClass<GyroboxModel>(
        QStringLiteral("GyroboxModel"),
        {{kProductCode, kParameterVersion,
          catalogDisplayName(kProductCode).value_or(QStringLiteral("Stabiliser Box"))}});
    return &info;
}

const ModelClassInfo *GyroboxModel::getModelClassInfo() const
{
    return getModelClassInfoStatic();
}

const LayoutNode &GyroboxModel::imageSchema()
{
    static const LayoutNode schema = [] {
        const LayoutNode *parsed = builtinSchema(kSchemaName);
        return parsed ? *parsed : LayoutNode();
    }();
    return schema;
}

void GyroboxModel::resetToDefaults()
{
    resetSectionZeroTo(m_defaultImage);
}

int GyroboxModel::gainEntryOffset(int output, int flightModeSlot, int axis) const
{
    if (flightModeSlot < 0 || flightModeSlot >= kFlightModeSlotCount || axis < 0 ||
        axis >= kAxisCount)
        return -1;
    const FieldLocation location = locateField(
        imageSchema(), {{"output", output}, {"gyroGain", flightModeSlot * kAxisCount + axis}});
    return location.found() ? location.offset : -1;
}

GyroGainEntry GyroboxModel::gainEntry(int output, int flightModeSlot, int axis) const
{
    GyroGainEntry entry;
    entry.output = std::uint8_t(output);
    entry.flightModeSlot = std::uint8_t(flightModeSlot);
    entry.axis = axis;
    const int offset = gainEntryOffset(output, flightModeSlot, axis);
    if (offset < 0)
        return entry;
    const QByteArray &bytes = memory().modelData(0);
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i)
        word |= std::uint32_t(byteAt(bytes, offset + i)) << (8 * i);
    entry.gain = int(word & kGainMask);
    entry.reverse = word & kReverseBit;
    entry.relative = word & kRelativeBit;
    entry.headingMode = int((word >> kHeadingModeShift) & kHeadingModeMask);
    entry.axisEnabled = word & kAxisEnabledBit;
    entry.priority = std::uint8_t(word >> kPriorityShift);
    return entry;
}

void GyroboxModel::setGainEntry(const GyroGainEntry &entry)
{
    const int offset = gainEntryOffset(entry.output, entry.flightModeSlot, entry.axis);
    if (offset < 0)
        return;
    QByteArray bytes = memory().modelData(0);
    const std::uint16_t bits = packGainBitfield(entry);
    setByteAt(bytes, offset, bits & 0xFF);
    setByteAt(bytes, offset + 1, bits >> 8);
    setByteAt(bytes, offset + 2, entry.priority);
    if (bytes == memory().modelData(0))
        return;
    memory().setModelData(0, bytes);
    // Through the model, so the library saves the change as well as the device getting it.
    emit settingsChanged();
}

QList<GyroGainEntry> GyroboxModel::gainEntries(int output, int axis) const
{
    QList<GyroGainEntry> entries;
    for (int slot = 0; slot < kFlightModeSlotCount; ++slot)
        entries.append(gainEntry(output, slot, axis));
    return entries;
}

GyroOutputConfig GyroboxModel::outputConfig(int output) const
{
    const QByteArray &bytes = memory().modelData(0);
    const auto field = [&](const char *name) {
        return readField(bytes, locateField(imageSchema(), {{"output", output}, {name}}));
    };
    return {output, field("sourceID"), field("linkedOutput"), field("frameRate")};
}

void GyroboxModel::setOutputConfig(const GyroOutputConfig &config)
{
    if (config.output < 0 || config.output >= kOutputCount)
        return;
    QByteArray bytes = memory().modelData(0);
    const auto store = [&](const char *name, int value) {
        writeField(bytes, locateField(imageSchema(), {{"output", config.output}, {name}}), value);
    };
    store("sourceID", config.sourceID);
    store("linkedOutput", config.linkedOutput);
    store("frameRate", config.frameRate);
    if (bytes == memory().modelData(0))
        return;
    memory().setModelData(0, bytes);
    emit settingsChanged();
}

int GyroboxModel::settingOffset(int type) const
{
    std::optional<FieldLocation> location;
    switch (type) {
    case 0:
        location = locateField(imageSchema(), {{"system"}, {"axis2aircraft"}});
        break;
    case 1:
        location = locateField(imageSchema(), {{"system"}, {"axisDirection"}});
        break;
    case 4:
        location = locateField(imageSchema(), {{"process"}, {"panic"}, {"holdTime"}});
        break;
    case 5:
        location = locateField(imageSchema(), {{"process"}, {"panic"}, {"inputRatio"}});
        break;
    case 6:
        location = locateField(imageSchema(), {{"system"}, {"serialMode"}});
        break;
    case 8:
        location = locateField(imageSchema(), {{"system"}, {"gainSource"}});
        break;
    case 10:
        location = locateField(imageSchema(), {{"system"}, {"enabledFlightModes"}});
        break;
    case 11:
        location = locateField(imageSchema(), {{"system"}, {"fmSource"}});
        break;
    default:
        break;
    }
    return location && location->found() ? location->offset : -1;
}

GyroGainScale GyroboxModel::gainScale(int flightModeSlot, int axis) const
{
    if (flightModeSlot < 0 || flightModeSlot >= kFlightModeSlotCount || axis < 0 ||
        axis >= kAxisCount)
        return {};
    const int scaler =
        readField(memory().modelData(0),
                  locateField(imageSchema(),
                              {{"process"}, {"gyroScaler", flightModeSlot * kAxisCount + axis}}));
    if (scaler == kScalerTimesFour)
        return {400, 4};
    if (scaler == kScalerTimesOne)
        return {100, 1};
    return {200, 2};
}

int GyroboxModel::gain(int flightModeSlot, int axis) const
{
    for (int output = 0; output < kSurfaceOutputCount; ++output) {
        const GyroGainEntry entry = gainEntry(output, flightModeSlot, axis);
        if (entry.axisEnabled)
            return entry.gain * gainScale(flightModeSlot, axis).factor;
    }
    return 0;
}

void GyroboxModel::orientationPair(int &first, int &second) const
{
    const int direction = readField(memory().modelData(0),
                                    locateField(imageSchema(), {{"system"}, {"axisDirection"}}));
    switch (direction) {
    case 1:
        first = 0;
        second = 0;
        break;
    case 2:
        first = 0;
        second = 1;
        break;
    case 4:
        first = 1;
        second = 1;
        break;
    case 7:
        first = 1;
        second = 0;
        break;
    default:
        break;
    }
}

bool GyroboxModel::anyAxisEnabled(int output, int axis) const
{
    const QList<GyroGainEntry> entries = gainEntries(output, axis);
    return std::any_of(entries.begin(), entries.end(),
                       [](const GyroGainEntry &entry) { return entry.axisEnabled; });
}

GyroboxWing GyroboxModel::wingType() const
{
    if (anyAxisEnabled(0, kPitchAxis) || anyAxisEnabled(1, kPitchAxis))
        return GyroboxWing::Elevon;
    if (outputConfig(0).linkedOutput == 1 || outputConfig(1).linkedOutput == 0)
        return GyroboxWing::Flaperon;
    return GyroboxWing::Normal;
}

GyroboxTail GyroboxModel::tailType() const
{
    if (anyAxisEnabled(2, kYawAxis) || anyAxisEnabled(3, kYawAxis))
        return GyroboxTail::VTail;
    return GyroboxTail::Normal;
}

void GyroboxModel::setWingType(GyroboxWing wing)
{
    const auto wingType = makeGyroboxWingType(wing);
    const auto tail = makeGyroboxTailType(tailType());
    applyOutputLinks(*wingType);
    applyGains(*wingType, *tail);
}

void GyroboxModel::setTailType(GyroboxTail tail)
{
    const auto wing = makeGyroboxWingType(wingType());
    const auto tailType = makeGyroboxTailType(tail);
    applyOutputLinks(*wing);
    applyGains(*wing, *tailType);
}

void GyroboxModel::applyCurrentTypes()
{
    const auto wing = makeGyroboxWingType(wingType());
    const auto tail = makeGyroboxTailType(tailType());
    applyOutputLinks(*wing);
    applyGains(*wing, *tail);
}

void GyroboxModel::applyOutputLinks(const GyroboxWingType &wing)
{
    for (int output = 0; output < kSurfaceOutputCount; ++output) {
        GyroOutputConfig config = outputConfig(output);
        config.linkedOutput = wing.linkedOutput(output);
        setOutputConfig(config);
    }
}

int GyroboxModel::enabledFlightModeCount() const
{
    const int enabled = readField(memory().modelData(0),
                                  locateField(imageSchema(), {{"system"}, {"enabledFlightModes"}}));
    return std::popcount(unsigned(enabled & kEnabledFlightModesMask));
}

void GyroboxModel::applyGains(const GyroboxWingType &wing, const GyroboxTailType &tail)
{
    const int flightModes = enabledFlightModeCount();
    for (int output = 0; output < kSurfaceOutputCount; ++output) {
        for (int axis = 0; axis < kAxisCount; ++axis) {
            const QList<GyroGainEntry> entries = gainEntries(output, axis);
            // The last enabled entry, preferably of a flight mode the box switches to.
            std::optional<GyroGainEntry> templateEntry;
            for (const GyroGainEntry &entry : entries) {
                if (entry.axisEnabled && (entry.flightModeSlot < flightModes || !templateEntry ||
                                          templateEntry->flightModeSlot >= flightModes))
                    templateEntry = entry;
            }
            const bool allowed = wing.axisAllowed(output, axis) || tail.axisAllowed(output, axis);
            for (GyroGainEntry entry : entries) {
                // Entries already in use keep their own gains; only those that were off take
                // the template's, so per-flight-mode gains survive a reconnection.
                if (!entry.axisEnabled && allowed && templateEntry) {
                    entry.gain = templateEntry->gain;
                    entry.reverse = templateEntry->reverse;
                    entry.relative = templateEntry->relative;
                    entry.headingMode = templateEntry->headingMode;
                    entry.priority = templateEntry->priority;
                }
                entry.axisEnabled = allowed;
                setGainEntry(entry);
            }
        }
    }
}
