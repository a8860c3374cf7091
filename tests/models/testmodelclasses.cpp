#include "testmodelclasses.h"

#include "devicestate/layoutparser.h"

namespace {

template <typename ModelClass>
ModelClassInfo describe(QString className, QList<ModelDevice> devices)
{
    ModelClassInfo info;
    info.extension = QStringLiteral("zrm");
    info.className = std::move(className);
    info.devices = std::move(devices);
    info.create = [](int productCode, int parameterVersion) -> std::shared_ptr<Model> {
        return std::make_shared<ModelClass>(productCode, parameterVersion);
    };
    return info;
}

TargetSection section(const char *schemaText, QByteArray defaults)
{
    TargetSection result;
    result.schema = parseLayout(QString::fromLatin1(schemaText));
    result.modelData = defaults;
    result.defaults = std::move(defaults);
    return result;
}

} // namespace

TestSingleSectionModel::TestSingleSectionModel(int productCode, int parameterVersion)
    : DeviceModel(schema())
{
    info().setProductCode(productCode);
    info().setParameterVersion(parameterVersion);
    memory().setModelData(0, defaultBytes());
}

const ModelClassInfo *TestSingleSectionModel::getModelClassInfoStatic()
{
    static const ModelClassInfo info = describe<TestSingleSectionModel>(
        QStringLiteral("TestSingleSectionModel"),
        {{kProductCode, kParameterVersion, QStringLiteral("Test receiver")},
         {kOtherProductCode, kOtherParameterVersion, QStringLiteral("Test stabiliser")}});
    return &info;
}

LayoutNode TestSingleSectionModel::schema()
{
    return parseLayout(
        QStringLiteral("root: { mode: u8, flags: u8 { low: 0..4, high: 4..8 }, trim: i16,"
                       " servo: { pulse: u16, reverse: u8 }[2], rfu: u8[2], gain: u32[3] }"));
}

QByteArray TestSingleSectionModel::defaultBytes()
{
    return QByteArray::fromHex("01"         // mode
                               "21"         // flags: low 1, high 2
                               "FEFF"       // trim -2
                               "DC0500"     // servo 0: 1500, not reversed
                               "DC0501"     // servo 1: 1500, reversed
                               "0000"       // rfu
                               "64000000"   // gain 100
                               "C8000000"   // gain 200
                               "2C010000"); // gain 300
}

int TestSingleSectionModel::getValueMemory(DeviceSetting setting, int) const
{
    const QByteArray &bytes = memory().modelData(0);
    return int(setting) < bytes.size() ? quint8(bytes.at(int(setting))) : 0;
}

void TestSingleSectionModel::setValueMemory(DeviceSetting setting, int, int value)
{
    QByteArray bytes = memory().modelData(0);
    if (int(setting) < bytes.size())
        bytes[int(setting)] = char(value);
    memory().setModelData(0, bytes);
}

TestMultiSectionModel::TestMultiSectionModel(int productCode, int parameterVersion)
    : DeviceModel(defaultSections())
{
    info().setProductCode(productCode);
    info().setParameterVersion(parameterVersion);
}

const ModelClassInfo *TestMultiSectionModel::getModelClassInfoStatic()
{
    static const ModelClassInfo info = describe<TestMultiSectionModel>(
        QStringLiteral("TestMultiSectionModel"),
        {{kProductCode, kParameterVersion, QStringLiteral("Test stabilised receiver")}});
    return &info;
}

QList<TargetSection> TestMultiSectionModel::defaultSections()
{
    return {
        section("failsafe: u32", QByteArray::fromHex("00010203")),
        section("general: { enabled: u8, level: i8, rate: u16 }", QByteArray::fromHex("01FF3200")),
        section("mixer: { weight: i16[2] }", QByteArray::fromHex("6400F6FF")),
    };
}

void TestMultiSectionModel::resetToDefaults()
{
    const QList<TargetSection> defaults = defaultSections();
    memory().ensureSectionCount(int(defaults.size()));
    for (int i = 0; i < defaults.size(); ++i)
        memory().setModelData(i, defaults.at(i).defaults);
    emit allSettingsChanged();
}

QList<const ModelClassInfo *> testModelClasses()
{
    return {TestSingleSectionModel::getModelClassInfoStatic(),
            TestMultiSectionModel::getModelClassInfoStatic()};
}
