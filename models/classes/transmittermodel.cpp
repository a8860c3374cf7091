// TransmitterModel: construction from the product's layout and defaults, the class description
// and upgrade, and the field access the settings of the other files go through.
#include "models/classes/transmittermodel.h"

#include "app/log.h"
#include "devicestate/layout.h"
#include "models/classes/imagefields.h"
#include "models/classes/modelclasslist.h"
#include "models/classes/schemacatalog.h"

#include <algorithm>
#include <mutex>

namespace {

const QString kLogCategory = QStringLiteral("TransmitterModel");
// The older transmitters' short layout and the long layout of the newer product; each default
// image carries the name of its layout.
const QString kShortLayout = QStringLiteral("transmitter-older");
const QString kLongLayout = QStringLiteral("transmitter-newer");

const QString &layoutNameFor(int productCode)
{
    return productCode == TransmitterModel::kLongLayoutProductCode ? kLongLayout : kShortLayout;
}

// Only the variants the transmitters were released with have defaults; any other parameter
// version starts with empty bytes.
QByteArray defaultImageFor(int productCode, int parameterVersion)
{
    if (productCode == TransmitterModel::kLongLayoutProductCode)
        return parameterVersion == TransmitterModel::kLongLayoutDefaultsVersion
                   ? builtinDefaultImage(kLongLayout)
                   : QByteArray();
    return parameterVersion == 0 || parameterVersion == 1 ? builtinDefaultImage(kShortLayout)
                                                          : QByteArray();
}

// Support asks for the offsets of the long layout when a newer transmitter's model looks
// wrong; the listing goes to the log once per run.
void logLongLayoutOnce()
{
    static std::once_flag logged;
    std::call_once(logged, [] {
        log(kLogCategory, QStringLiteral("long transmitter layout:\n") +
                              describeLayout(*builtinSchema(kLongLayout)));
    });
}

constexpr int kConditionPositionCount = 9;
constexpr int kHoldConditionPosition = 9;

} // namespace

TransmitterModel::TransmitterModel(int productCode, int parameterVersion, QObject *parent)
    : DeviceModel(*builtinSchema(layoutNameFor(productCode)), parent)
    , m_schema(builtinSchema(layoutNameFor(productCode)))
    , m_longLayout(productCode == kLongLayoutProductCode)
{
    logLongLayoutOnce();
    m_cp = FieldLocation{0, m_schema}.locate(QStringLiteral("model")).locate(QStringLiteral("cp"));
    info().setProductCode(productCode);
    info().setParameterVersion(parameterVersion);
    connect(this, &DeviceModel::allSettingsChanged, this, [this] {
        emit wingTypeChanged(wingType());
        emit aircraftTypeChanged(aircraftType());
    });

    m_defaultImage = defaultImageFor(productCode, parameterVersion);
    resetSectionZeroTo(m_defaultImage);
    memory().setDeviceData(0, memory().modelData(0));

    for (int position = 0; position < kConditionPositionCount; ++position)
        m_conditionPositions.append(position);
    m_conditionPositionsWithHold = m_conditionPositions;
    m_conditionPositionsWithHold.insert(1, kHoldConditionPosition);
}

const ModelClassInfo *TransmitterModel::getModelClassInfoStatic()
{
    static const ModelClassInfo info = [] {
        const QString name =
            catalogDisplayName(kTransmitterProductCode).value_or(QStringLiteral("Transmitter"));
        ModelClassInfo description = describeModelClass<TransmitterModel>(
            QStringLiteral("TransmitterModel"),
            {{kTransmitterProductCode, 0, name}, {kTransmitterProductCode, 1, name}});
        description.upgradeTargets = &TransmitterModel::upgradeTargets;
        return description;
    }();
    return &info;
}

const ModelClassInfo *TransmitterModel::getModelClassInfo() const
{
    return getModelClassInfoStatic();
}

QList<ModelDevice> TransmitterModel::upgradeTargets(const ModelInfo &info)
{
    if (info.productCode() != kTransmitterProductCode || info.parameterVersion() != 0)
        return {};
    return {getModelClassInfoStatic()->devices.at(1)};
}

std::shared_ptr<Model> TransmitterModel::createUpgradedCopy(const ModelDevice &target) const
{
    // Only a variant with the same layout can take this model's bytes unchanged.
    const QList<ModelDevice> targets = upgradeTargets(info());
    const bool offered =
        std::any_of(targets.begin(), targets.end(), [&](const ModelDevice &device) {
            return device.productCode == target.productCode &&
                   device.parameterVersion == target.parameterVersion;
        });
    if (!offered)
        return nullptr;
    std::shared_ptr<Model> copy =
        getModelClassInfoStatic()->create(target.productCode, target.parameterVersion);
    auto *deviceModel = qobject_cast<DeviceModel *>(copy.get());
    if (!deviceModel || !deviceModel->fromJsonDocument(toJsonDocument()))
        return nullptr;
    copy->info().setParameterVersion(target.parameterVersion);
    return copy;
}

void TransmitterModel::resetToDefaults()
{
    resetSectionZeroTo(m_defaultImage);
}

FieldLocation TransmitterModel::modelField(const QString &name) const
{
    return locateElement(FieldLocation{0, m_schema}.locate(QStringLiteral("model")), name);
}

FieldLocation TransmitterModel::cpField(const QString &name, int index) const
{
    return locateElement(m_cp, name, index);
}

int TransmitterModel::read(const FieldLocation &field) const
{
    return readField(memory().modelData(0), field);
}

bool TransmitterModel::write(const FieldLocation &field, int value)
{
    QByteArray bytes = memory().modelData(0);
    if (!writeFieldBits(bytes, field, value))
        return false;
    memory().setModelData(0, std::move(bytes));
    emit settingsChanged();
    return true;
}
