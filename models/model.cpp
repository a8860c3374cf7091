// Model: the base of every model class, and loading a model file into the class that serves
// its device.
#include "models/model.h"

#include "models/devicemodel.h"
#include "models/modelcodes.h"
#include "models/modellibrary.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

Model::Model(QObject *parent)
    : QObject(parent)
{
    m_info.setName(QStringLiteral("Model"));
    m_info.setImage(defaultModelImage());
    connect(this, &Model::infoChanged, this, &Model::notifyLibrary);
}

Model::~Model() = default;

void Model::createWizardPages(PageInfoList &) const
{}

std::unique_ptr<ModelSettingsRows> Model::createSettingsRows(bool) const
{
    return nullptr;
}

std::shared_ptr<Model> Model::createUpgradedCopy(const ModelDevice &) const
{
    return nullptr;
}

void Model::sync(std::function<void(bool)> done)
{
    QTimer::singleShot(0, this, [done = std::move(done)] { done(false); });
}

void Model::notifyLibrary()
{
    if (m_library && !m_info.fileName().isEmpty())
        m_library->modelChanged(m_info.fileName());
}

std::shared_ptr<Model> loadModelFile(const QString &path, QByteArray *data)
{
    if (!path.endsWith(QLatin1String(".zrm")))
        return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    if (data)
        *data = bytes;
    return loadModelData(bytes);
}

std::shared_ptr<Model> loadModelData(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return nullptr;
    const QJsonObject root = document.object();
    const std::optional<std::int32_t> productCode =
        readModelCode(root, kProductCodeFileKey, kDefaultProductCode);
    const std::optional<std::int32_t> parameterVersion =
        readModelCode(root, kParameterVersionFileKey, kDefaultParameterVersion);
    if (!productCode || !parameterVersion)
        return nullptr;
    const ModelClassInfo *modelClass = findModelClass(*productCode, *parameterVersion);
    if (!modelClass || !modelClass->create)
        return nullptr;
    std::shared_ptr<Model> model = modelClass->create(*productCode, *parameterVersion);
    if (!model)
        return nullptr;
    auto *deviceModel = qobject_cast<DeviceModel *>(model.get());
    const bool loaded =
        deviceModel ? deviceModel->fromJsonDocument(document) : model->fromFileData(data);
    return loaded ? model : nullptr;
}
