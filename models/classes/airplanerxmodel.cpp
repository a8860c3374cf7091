#include "models/classes/airplanerxmodel.h"

#include "models/classes/airplanerxaircrafttype.h"
#include "models/classes/airplanerxsettings.h"
#include "models/classes/modelclasslist.h"
#include "models/classes/schemacatalog.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <cstdio>

using namespace AirplaneRx;

namespace {

const QString kSchemaName = QStringLiteral("airplane-receiver");
constexpr int kPlainParameterVersion = 0xFF;
constexpr int kKovaParameterVersion = 0xFE;
const QString kMixNamesKey = QStringLiteral("mixNames");
const QString kTransmitterChannelsKey = QStringLiteral("transmitterChannels");

// The sailplane tail's butterfly mix: yaw stick into the roll surfaces, on condition 30.
constexpr int kSailplaneMixRate = 100;
constexpr int kSailplaneMixCondition = 30;

void traceLine(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
}

void traceSetting(const char *call, DeviceSetting setting, int channel, int value)
{
    traceLine(QString::fromLatin1(call));
    traceLine(QStringLiteral("    type:        %1, channel: %2, flight mode: %3")
                  .arg(settingTypeOf(setting))
                  .arg(channel)
                  .arg(flightModeOf(setting)));
    traceLine(QStringLiteral("    value:       %1").arg(value));
}

QString catalogName(int productCode, const QString &suffix = {})
{
    return catalogDisplayName(productCode)
               .value_or(QStringLiteral("Receiver 0x%1")
                             .arg(QString::number(productCode, 16)
                                      .toUpper()
                                      .rightJustified(2, QLatin1Char('0')))) +
           suffix;
}

} // namespace

AirplaneRxModel::AirplaneRxModel(int productCode, int parameterVersion, QObject *parent)
    : DeviceModel(imageSchema(), parent)
{
    info().setProductCode(productCode);
    info().setParameterVersion(parameterVersion);
    m_defaultImage = builtinDefaultImageFor(parameterVersion);
    resetSectionZeroTo(m_defaultImage);
    memory().setDeviceData(0, memory().modelData(0));
}

const ModelClassInfo *AirplaneRxModel::getModelClassInfoStatic()
{
    static const ModelClassInfo info = [] {
        const QString kova = QStringLiteral(" with KOVA");
        return describeModelClass<AirplaneRxModel>(QStringLiteral("AirplaneRxModel"),
                                                   {
                                                       {0xD9, 0xFF, catalogName(0xD9)},
                                                       {0xD9, 0xFE, catalogName(0xD9, kova)},
                                                       {0xDA, 0xFF, catalogName(0xDA)},
                                                       {0xDA, 0xFE, catalogName(0xDA, kova)},
                                                       {0xEE, 0xFF, catalogName(0xEE)},
                                                       {0xDB, 0xFF, catalogName(0xDB)},
                                                       {0x78, 0xFE, catalogName(0x78)},
                                                   });
    }();
    return &info;
}

const ModelClassInfo *AirplaneRxModel::getModelClassInfo() const
{
    return getModelClassInfoStatic();
}

const LayoutNode &AirplaneRxModel::imageSchema()
{
    // The compiled-in text names its root; the image's root is unnamed.
    static const LayoutNode schema = [] {
        const LayoutNode *parsed = builtinSchema(kSchemaName);
        return parsed ? LayoutNode::block(QString(), parsed->children()) : LayoutNode();
    }();
    return schema;
}

QByteArray AirplaneRxModel::builtinDefaultImageFor(int parameterVersion)
{
    switch (parameterVersion) {
    case kPlainParameterVersion:
        return builtinDefaultImage(kSchemaName + QStringLiteral("-ff"));
    case kKovaParameterVersion:
        return builtinDefaultImage(kSchemaName + QStringLiteral("-fe"));
    default:
        return {};
    }
}

void AirplaneRxModel::resetToDefaults()
{
    resetSectionZeroTo(m_defaultImage);
    fitMixNames();
}

template <typename Edit> bool AirplaneRxModel::editImage(Edit edit)
{
    QByteArray bytes = memory().modelData(0);
    AirplaneRxImage image(imageSchema(), bytes);
    edit(image);
    if (bytes == memory().modelData(0))
        return false;
    memory().setModelData(0, bytes);
    return true;
}

int AirplaneRxModel::getValueMemory(DeviceSetting setting, int channel) const
{
    QByteArray bytes = memory().modelData(0);
    const AirplaneRxImage image(imageSchema(), bytes);
    const int value = readSetting(image, parameterVersion(), setting, channel);
    traceSetting("getValueMemory()", setting, channel, value);
    return value;
}

void AirplaneRxModel::setValueMemory(DeviceSetting setting, int channel, int value)
{
    traceSetting("setValueMemory() =", setting, channel, value);
    const QList<int> mixesBefore = usedMixes();
    bool handled = false;
    editImage([&](AirplaneRxImage &image) {
        handled = writeSetting(image, parameterVersion(), setting, channel, value);
    });
    if (!handled)
        traceLine(QStringLiteral("Error: unhandled setting changed"));
    if (usedMixes() != mixesBefore)
        fitMixNames();
}

int AirplaneRxModel::settingOffset(DeviceSetting setting, int channel) const
{
    QByteArray bytes = memory().modelData(0);
    const AirplaneRxImage image(imageSchema(), bytes);
    const FieldLocation location = settingField(image, setting, channel);
    return location.found() ? location.offset : -1;
}

QJsonDocument AirplaneRxModel::toJsonDocument() const
{
    QJsonObject root = DeviceModel::toJsonDocument().object();
    root.insert(kMixNamesKey, QJsonArray::fromStringList(m_mixNames));
    root.insert(kTransmitterChannelsKey, m_transmitterChannels);
    return QJsonDocument(root);
}

bool AirplaneRxModel::fromJsonDocument(const QJsonDocument &document)
{
    const QJsonObject root = document.object();
    QStringList names;
    for (const QJsonValue &name : root.value(kMixNamesKey).toArray())
        names.append(name.toString());
    m_mixNames = names;
    // Loading is not an edit: the count is taken without telling the library.
    const QJsonValue channels = root.value(kTransmitterChannelsKey);
    if (channels.isDouble() && isTransmitterChannelCount(channels.toInt()))
        m_transmitterChannels = channels.toInt();
    return DeviceModel::fromJsonDocument(document);
}

QJsonObject AirplaneRxModel::extraEditState() const
{
    return QJsonObject{{kMixNamesKey, QJsonArray::fromStringList(m_mixNames)},
                       {kTransmitterChannelsKey, m_transmitterChannels}};
}

void AirplaneRxModel::restoreExtraEditState(const QJsonObject &state)
{
    QStringList names;
    for (const QJsonValue &name : state.value(kMixNamesKey).toArray())
        names.append(name.toString());
    m_mixNames = names;
    const int channels = state.value(kTransmitterChannelsKey).toInt();
    if (isTransmitterChannelCount(channels))
        m_transmitterChannels = channels;
}

AddMixResult AirplaneRxModel::addMix(int &newMix)
{
    AddedMix added;
    editImage([&](AirplaneRxImage &image) { added = AirplaneRx::addMix(image, m_defaultImage); });
    if (added.result != AddMixResult::Added)
        return added.result;
    newMix = added.mix;
    emit settingsChanged();
    fitMixNames();
    return AddMixResult::Added;
}

bool AirplaneRxModel::removeMix(int mix)
{
    bool removed = false;
    editImage([&](AirplaneRxImage &image) {
        removed = AirplaneRx::removeMix(image, m_defaultImage, mix);
    });
    if (!removed)
        return false;
    // The names are fitted before the one announcement, so the change is a single edit.
    m_mixNames = fittedMixNames(m_mixNames, usedMixes());
    emit settingsChanged();
    return true;
}

QList<int> AirplaneRxModel::usedMixes() const
{
    QByteArray bytes = memory().modelData(0);
    return AirplaneRx::usedMixes(AirplaneRxImage(imageSchema(), bytes));
}

void AirplaneRxModel::setMixNames(QStringList names)
{
    m_mixNames = std::move(names);
    emit settingsChanged();
}

void AirplaneRxModel::setMixName(int mix, const QString &name)
{
    if (mix < 0 || mix >= kMixCount)
        return;
    while (m_mixNames.size() <= mix)
        m_mixNames.append(QString());
    m_mixNames[mix] = name;
    emit settingsChanged();
}

void AirplaneRxModel::setTransmitterChannels(int channels)
{
    if (!isTransmitterChannelCount(channels) || channels == m_transmitterChannels)
        return;
    m_transmitterChannels = channels;
    // The count lives beside the image, so only the library's file keeps it.
    emit settingsChanged();
}

void AirplaneRxModel::fitMixNames()
{
    m_mixNames = fittedMixNames(m_mixNames, usedMixes());
    emit settingsChanged();
}

// AircraftTypeSettings

QList<AircraftType> AirplaneRxModel::aircraftTypes() const
{
    return {AircraftType::Airplane};
}

AircraftType AirplaneRxModel::aircraftType() const
{
    return AircraftType::Airplane;
}

void AirplaneRxModel::setAircraftType(AircraftType)
{}

int AirplaneRxModel::surfaceOutputCount() const
{
    return surfaceOutputCountFor(info().productCode());
}

QList<DeviceModel::WingType> AirplaneRxModel::wingTypes() const
{
    return wingTypesFor(parameterVersion());
}

DeviceModel::WingType AirplaneRxModel::wingType() const
{
    QByteArray bytes = memory().modelData(0);
    return recogniseWingType(AirplaneRxImage(imageSchema(), bytes));
}

void AirplaneRxModel::setWingType(WingType type)
{
    if (type == wingType() || !wingTypes().contains(type))
        return;
    // A tail the new wing cannot carry would share outputs with the wing's surfaces.
    TailType tail = tailType();
    const QList<TailType> fitting = tailTypesFor(parameterVersion(), type, surfaceOutputCount());
    if (!fitting.isEmpty() && !fitting.contains(tail))
        tail = fitting.first();
    applyWingAndTail(type, tail);
    emit settingsChanged();
}

QList<DeviceModel::TailType> AirplaneRxModel::tailTypes() const
{
    return tailTypesFor(parameterVersion(), wingType(), surfaceOutputCount());
}

DeviceModel::TailType AirplaneRxModel::tailType() const
{
    QByteArray bytes = memory().modelData(0);
    return recogniseTailType(AirplaneRxImage(imageSchema(), bytes));
}

void AirplaneRxModel::setTailType(TailType type)
{
    if (type == tailType() || type < TailTypeNormal || type > TailTypeElevonDualRudder)
        return;
    applyWingAndTail(wingType(), type);
    emit settingsChanged();
}

void AirplaneRxModel::applyWingAndTail(WingType wing, TailType tail)
{
    editImage([&](AirplaneRxImage &image) {
        AirplaneRx::applyWingAndTail(image, m_defaultImage, wing, tail);
    });
    if (tail == TailTypeSailplaneWing) {
        int mix = -1;
        if (addMix(mix) == AddMixResult::Added) {
            setValue(makeSetting(SettingType::MixNegRate, 0, 0, mix), 0, kSailplaneMixRate);
            setValue(makeSetting(SettingType::MixPosRate, 0, 0, mix), 0, kSailplaneMixRate);
            setValue(makeSetting(SettingType::MixMaster, 0, 0, mix), 0, kYawChannel);
            setValue(makeSetting(SettingType::MixSlave, 0, 0, mix), 0, kRollChannel);
            setValue(makeSetting(SettingType::MixCondition, 0, 0, mix), 0, kSailplaneMixCondition);
        }
    }
    fitMixNames();
}

QList<int> AirplaneRxModel::wingMixDirections() const
{
    return {};
}

bool AirplaneRxModel::wingMixReversed() const
{
    return false;
}

void AirplaneRxModel::setWingMixReversed(bool)
{}

QString AirplaneRxModel::transmitterWingTypeNote() const
{
    return AirplaneRx::transmitterWingTypeNote(wingType());
}

QString AirplaneRxModel::wingTailChangeNote() const
{
    return QCoreApplication::translate(
        "AirplaneRxModel",
        "Note: Changing the wing or tail type will reset all surfaces and mixes.");
}

QList<AircraftTypeExtraSelector> AirplaneRxModel::extraSettingSelectors()
{
    return {};
}

// DualRateExpoSettings

// The rates of a channel that is no axis are the roll axis's, but its name is its own.
QString AirplaneRxModel::channelName(SettingOnlyChannel channel) const
{
    return axisName(int(channel));
}

int AirplaneRxModel::rateSwitch() const
{
    return 0;
}

QString AirplaneRxModel::rateSwitchName() const
{
    return {};
}

int AirplaneRxModel::rateSwitchPosition() const
{
    return 0;
}

void AirplaneRxModel::setRateSwitch(int)
{}

int AirplaneRxModel::flightModeCount() const
{
    return kFlightModeCount;
}

QString AirplaneRxModel::flightModeName(int flightMode) const
{
    return DeviceModel::flightModeName(flightMode + 1, false);
}

int AirplaneRxModel::rateByte(const char *field, SettingOnlyChannel channel, int flightMode) const
{
    const FieldLocation location =
        locateField(imageSchema(), {{"axis", axisIndexOf(channel)}, {field, flightMode}});
    // In the field's own sign: the exponentials run from -100 to 100.
    return readField(memory().modelData(0), location);
}

void AirplaneRxModel::setRateByte(const char *field, SettingOnlyChannel channel, int flightMode,
                                  int value)
{
    const FieldLocation location =
        locateField(imageSchema(), {{"axis", axisIndexOf(channel)}, {field, flightMode}});
    if (!location.found())
        return;
    editImage([&](AirplaneRxImage &image) { setByteAt(image.bytes(), location.offset, value); });
    // Through the model, so the library saves the change as well as the device getting it.
    emit settingsChanged();
}

void AirplaneRxModel::setDualRatePositive(SettingOnlyChannel channel, int flightMode, int value)
{
    setRateByte("dualRatePos", channel, flightMode, value);
}

int AirplaneRxModel::dualRatePositive(SettingOnlyChannel channel, int flightMode) const
{
    return rateByte("dualRatePos", channel, flightMode);
}

void AirplaneRxModel::setDualRateNegative(SettingOnlyChannel channel, int flightMode, int value)
{
    setRateByte("dualRateNeg", channel, flightMode, value);
}

int AirplaneRxModel::dualRateNegative(SettingOnlyChannel channel, int flightMode) const
{
    return rateByte("dualRateNeg", channel, flightMode);
}

void AirplaneRxModel::setExpoPositive(SettingOnlyChannel channel, int flightMode, int value)
{
    setRateByte("expoPos", channel, flightMode, value);
}

int AirplaneRxModel::expoPositive(SettingOnlyChannel channel, int flightMode) const
{
    return rateByte("expoPos", channel, flightMode);
}

void AirplaneRxModel::setExpoNegative(SettingOnlyChannel channel, int flightMode, int value)
{
    setRateByte("expoNeg", channel, flightMode, value);
}

int AirplaneRxModel::expoNegative(SettingOnlyChannel channel, int flightMode) const
{
    return rateByte("expoNeg", channel, flightMode);
}

RateRange AirplaneRxModel::expoRange() const
{
    return parameterVersion() == kKovaParameterVersion ? RateRange{100, 0} : RateRange{100, -100};
}

RateRange AirplaneRxModel::dualRateRange() const
{
    return parameterVersion() == kKovaParameterVersion ? RateRange{100, 0} : RateRange{125, 0};
}
