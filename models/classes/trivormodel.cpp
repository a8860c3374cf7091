// TrivorModel: the section lists of both parameter versions with their defaults, the class
// description and the reset.
#include "models/classes/trivormodel.h"

#include "models/classes/modelclasslist.h"
#include "models/classes/schemacatalog.h"

#include <array>

namespace {

// Section roots in section order; the product data names each section
// "trivor-<generation>-<root>".
const QStringList kOlderSections{
    QStringLiteral("servoFailSafeMode"),
    QStringLiteral("identification"),
    QStringLiteral("orientation"),
    QStringLiteral("cpSettings"),
    QStringLiteral("generalStabilitySettings"),
    QStringLiteral("trivorSettings"),
    QStringLiteral("hexavorSettings"),
    QStringLiteral("servoFramerate"),
};
const QStringList kNewerSections{
    QStringLiteral("servoFailSafeMode"),
    QStringLiteral("txConfig"),
    QStringLiteral("receiverSettings"),
    QStringLiteral("cpSettings"),
    QStringLiteral("generalStabilitySettings"),
    QStringLiteral("trivorSettings"),
    QStringLiteral("hexavorSettings"),
    QStringLiteral("servoFramerate"),
    QStringLiteral("nosewheelSettings"),
    QStringLiteral("kovaFailsafeSettings"),
    QStringLiteral("panicSettings"),
    QStringLiteral("handLaunchAssistSettings"),
    QStringLiteral("portMapping"),
};

// The products of each parameter version, in the order the class lists them.
constexpr std::array<int, 15> kNewerProducts{0x83, 0x89, 0x8D, 0x6C, 0x6B, 0x6A, 0x6D, 0x6E,
                                             0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F, 0x6F};
constexpr std::array<int, 12> kOlderProducts{0x83, 0x89, 0x8D, 0x6C, 0x6B, 0x6A,
                                             0x6D, 0x6E, 0x7A, 0x7C, 0x7E, 0x6F};

QString catalogName(int productCode)
{
    return catalogDisplayName(productCode)
        .value_or(
            QStringLiteral("Receiver 0x%1").arg(productCode, 2, 16, QLatin1Char('0')).toUpper());
}

// A device memory needs at least one section: a parameter version without sections gets one
// without layout or bytes, which holds no setting.
QList<TargetSection> sectionsOf(int parameterVersion)
{
    QList<TargetSection> sections;
    for (const QString &name : TrivorModel::sectionNames(parameterVersion)) {
        TargetSection section;
        section.schema = *builtinSchema(name);
        section.defaults = builtinDefaultImage(name);
        section.modelData = section.defaults;
        sections.append(std::move(section));
    }
    if (sections.isEmpty())
        sections.append(TargetSection{});
    return sections;
}

} // namespace

QStringList TrivorModel::sectionNames(int parameterVersion)
{
    const QString generation = parameterVersion == kOlderParameterVersion ? QStringLiteral("older")
                               : parameterVersion == kNewerParameterVersion
                                   ? QStringLiteral("newer")
                                   : QString();
    if (generation.isEmpty())
        return {};
    const QStringList &roots =
        parameterVersion == kOlderParameterVersion ? kOlderSections : kNewerSections;
    QStringList names;
    for (const QString &root : roots)
        names.append(QStringLiteral("trivor-%1-%2").arg(generation, root));
    return names;
}

TrivorModel::TrivorModel(int productCode, int parameterVersion, QObject *parent)
    : DeviceModel(sectionsOf(parameterVersion), parent)
{
    info().setProductCode(productCode);
    info().setParameterVersion(parameterVersion);
    emit allSettingsChanged();
}

const ModelClassInfo *TrivorModel::getModelClassInfoStatic()
{
    static const ModelClassInfo info = [] {
        QList<ModelDevice> devices;
        for (const int productCode : kNewerProducts)
            devices.append({productCode, kNewerParameterVersion, catalogName(productCode)});
        for (const int productCode : kOlderProducts)
            devices.append({productCode, kOlderParameterVersion, catalogName(productCode)});
        return describeModelClass<TrivorModel>(QStringLiteral("TrivorModel"), devices);
    }();
    return &info;
}

const ModelClassInfo *TrivorModel::getModelClassInfo() const
{
    return getModelClassInfoStatic();
}

void TrivorModel::resetToDefaults()
{
    for (int index = 0; index < memory().sectionCount(); ++index)
        memory().setModelData(index, memory().section(index).defaults);
    emit allSettingsChanged();
}
