#include "librarytestsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <sys/resource.h>

int NoteModel::fileWrites = 0;

NoteModel::NoteModel(int productCode, int parameterVersion)
{
    info().setProductCode(productCode);
    info().setParameterVersion(parameterVersion);
}

const ModelClassInfo *NoteModel::classInfo()
{
    static const ModelClassInfo info{
        QStringLiteral("zrm"),
        [](int productCode, int parameterVersion) -> std::shared_ptr<Model> {
            return std::make_shared<NoteModel>(productCode, parameterVersion);
        },
        {{kProductCode, kOldVersion, QStringLiteral("Note 1")},
         {kProductCode, kNewVersion, QStringLiteral("Note 2")}},
        [](const ModelInfo &info) {
            return info.parameterVersion() == kOldVersion
                       ? QList<ModelDevice>{{kProductCode, kNewVersion, QStringLiteral("Note 2")}}
                       : QList<ModelDevice>{};
        },
        QStringLiteral("NoteModel"),
    };
    return &info;
}

QByteArray NoteModel::toFileData() const
{
    ++fileWrites;
    const QJsonObject root{
        {QStringLiteral("name"), info().name()},
        {QStringLiteral("deviceProductCode"),
         QStringLiteral("0x%1").arg(info().productCode(), 2, 16, QLatin1Char('0'))},
        {QStringLiteral("parameterVersion"),
         QStringLiteral("0x%1").arg(info().parameterVersion(), 2, 16, QLatin1Char('0'))},
        {QStringLiteral("serialNumber"), info().serialNumber()},
        {QStringLiteral("notes"), info().notes()},
        {QStringLiteral("setting"), m_setting},
        {QStringLiteral("image"), encodeModelImage(info().image())},
    };
    return QJsonDocument(root).toJson();
}

bool NoteModel::fromFileData(const QByteArray &data)
{
    const QJsonObject root = QJsonDocument::fromJson(data).object();
    if (!root.contains(QStringLiteral("setting")))
        return false;
    m_setting = root.value(QStringLiteral("setting")).toString();
    info().setName(root.value(QStringLiteral("name")).toString());
    info().setSerialNumber(root.value(QStringLiteral("serialNumber")).toString());
    info().setNotes(root.value(QStringLiteral("notes")).toString());
    const QImage picture = decodeModelImage(root.value(QStringLiteral("image")).toString());
    info().setImage(picture.isNull() ? defaultModelImage() : picture);
    return true;
}

void NoteModel::resetToDefaults()
{
    setSetting(QStringLiteral("default"));
}

std::shared_ptr<Model> NoteModel::createUpgradedCopy(const ModelDevice &target) const
{
    if (target.parameterVersion <= info().parameterVersion())
        return nullptr;
    auto copy = std::make_shared<NoteModel>(target.productCode, target.parameterVersion);
    copy->fromFileData(toFileData());
    return copy;
}

void NoteModel::setSetting(const QString &setting)
{
    m_setting = setting;
    notifyLibrary();
}

LibraryFixture::LibraryFixture()
    : m_classes({NoteModel::classInfo()})
{
    NoteModel::fileWrites = 0;
}

QString LibraryFixture::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

void LibraryFixture::writeModelFile(const QString &relativePath, const QString &modelName,
                                    const QString &serialNumber, int parameterVersion) const
{
    NoteModel model(NoteModel::kProductCode, parameterVersion);
    model.info().setName(modelName);
    model.info().setSerialNumber(serialNumber);
    const QString filePath = path(relativePath);
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QFile file(filePath);
    if (file.open(QIODevice::WriteOnly))
        file.write(model.toFileData());
}

QByteArray LibraryFixture::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

FileSizeLimit::FileSizeLimit(long long bytes)
{
    // Without this the kernel ends the process instead of failing the write.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previousSoft = static_cast<long long>(limit.rlim_cur);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_previousSoft);
    setrlimit(RLIMIT_FSIZE, &limit);
}
