#include "cli/modelfiles.h"

#include "app/atomicfile.h"
#include "cli/interruptwatcher.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "models/modelcodes.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

const QString kModelSuffix = QStringLiteral(".zrm");

// Why the loader refused bytes it was given: the same checks in the same order, each with
// words for the user. Only asked after a refusal, so it never decides anything itself.
QString refusalReason(const QString &path, const QByteArray &data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QStringLiteral("%1 is not a model file: %2 at byte %3")
            .arg(path, parseError.errorString())
            .arg(parseError.offset);
    if (!document.isObject())
        return QStringLiteral("%1 is not a model file: its JSON is not an object").arg(path);
    const QJsonObject root = document.object();
    const auto productCode = readModelCode(root, kProductCodeFileKey, kDefaultProductCode);
    const auto parameterVersion =
        readModelCode(root, kParameterVersionFileKey, kDefaultParameterVersion);
    if (!productCode || !parameterVersion)
        return QStringLiteral("%1 is not a model file: \"%2\" is not a number")
            .arg(path, productCode ? kParameterVersionFileKey : kProductCodeFileKey);
    if (!findModelClass(*productCode, *parameterVersion))
        return QStringLiteral("%1 is a model for product %2, parameter version %3, which no "
                              "model class serves")
            .arg(path, formatModelCode(*productCode), formatModelCode(*parameterVersion));
    return QStringLiteral("%1 holds no settings this program can read").arg(path);
}

} // namespace

bool hasModelFileName(const QString &path)
{
    return path.endsWith(kModelSuffix) && path.size() > kModelSuffix.size();
}

namespace {

std::unexpected<ModelFileError> unreadable(QString message)
{
    return std::unexpected(ModelFileError{ModelFileError::Kind::Unreadable, std::move(message)});
}

std::unexpected<ModelFileError> notAModel(QString message)
{
    return std::unexpected(ModelFileError{ModelFileError::Kind::NotAModel, std::move(message)});
}

} // namespace

std::expected<std::shared_ptr<DeviceModel>, ModelFileError> readModelFile(const QString &path)
{
    if (!hasModelFileName(path))
        return notAModel(QStringLiteral("%1 is not a model file: its name must end in %2")
                             .arg(path, kModelSuffix));
    if (QFileInfo(path).isDir())
        return unreadable(QStringLiteral("%1 is a directory, not a model file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray data = file.read(kMaxModelFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return unreadable(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    if (data.size() > kMaxModelFileBytes)
        return notAModel(QStringLiteral("%1 is too large for a model file").arg(path));

    auto model = std::dynamic_pointer_cast<DeviceModel>(loadModelData(data));
    if (!model)
        return notAModel(refusalReason(path, data));
    return model;
}

ExitCode exitCodeFor(const ModelFileError &error)
{
    return error.kind == ModelFileError::Kind::Unreadable ? ExitCode::Usage : ExitCode::Failed;
}

std::expected<void, QString> writeModelFile(const DeviceModel &model, const QString &path)
{
    const QByteArray data = model.toFileData();
    QString error;
    const InterruptHold hold;
    if (!writeFileAtomically(path, data, &error))
        return std::unexpected(QStringLiteral("cannot write %1: %2").arg(path, error));
    return {};
}
