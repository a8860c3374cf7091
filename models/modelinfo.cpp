// ModelInfo: the setters with their change notification, the manifest entry form, and the
// model picture in its stored form.
#include "models/modelinfo.h"

#include "models/model.h"

#include <QBuffer>
#include <QImageReader>
#include <QJsonValue>

namespace {

// A picture larger than this is not a model picture but a hostile or broken file; decoding
// it could claim gigabytes. Stored pictures are a few hundred pixels wide.
constexpr int kMaxImageSidePixels = 4096;
// Base64 of a picture within the side limit stays far below this.
constexpr qsizetype kMaxImageTextChars = 64 * 1024 * 1024;

const QString kNameKey = QStringLiteral("name");
const QString kImageKey = QStringLiteral("image");
const QString kProductCodeKey = QStringLiteral("productCode");
const QString kParameterVersionKey = QStringLiteral("parameterVersion");
const QString kSerialNumberKey = QStringLiteral("serialNumber");
const QString kNotesKey = QStringLiteral("notes");

} // namespace

void ModelInfo::setFileName(QString fileName)
{
    m_fileName = std::move(fileName);
    notify();
}

void ModelInfo::setName(QString name)
{
    m_name = std::move(name);
    notify();
}

void ModelInfo::setImage(QImage image)
{
    m_image = std::move(image);
    notify();
}

void ModelInfo::setSerialNumber(QString serialNumber)
{
    m_serialNumber = std::move(serialNumber);
    notify();
}

void ModelInfo::setProductCode(std::int32_t productCode)
{
    m_productCode = productCode;
    notify();
}

void ModelInfo::setParameterVersion(std::int32_t parameterVersion)
{
    m_parameterVersion = parameterVersion;
    notify();
}

void ModelInfo::setNotes(QString notes)
{
    m_notes = std::move(notes);
    notify();
}

void ModelInfo::notify()
{
    if (m_notifier)
        emit m_notifier->infoChanged();
}

QJsonObject ModelInfo::toManifestJson() const
{
    return QJsonObject{
        {kNameKey, m_name},
        {kImageKey, encodeModelImage(m_image)},
        {kProductCodeKey, m_productCode},
        {kParameterVersionKey, m_parameterVersion},
        {kSerialNumberKey, m_serialNumber},
        {kNotesKey, m_notes},
    };
}

ModelInfo ModelInfo::fromManifestJson(const QString &fileName, const QJsonObject &entry)
{
    ModelInfo info;
    info.m_fileName = fileName;
    info.m_name = entry.value(kNameKey).toString();
    info.m_image = decodeModelImage(entry.value(kImageKey).toString());
    info.m_productCode = entry.value(kProductCodeKey).toInt();
    info.m_parameterVersion = entry.value(kParameterVersionKey).toInt();
    info.m_serialNumber = entry.value(kSerialNumberKey).toString();
    info.m_notes = entry.value(kNotesKey).toString();
    return info;
}

QImage defaultModelImage()
{
    // The picture lives in this static library's resource, which the linker would drop
    // unless something refers to it.
    static const QImage image = [] {
        Q_INIT_RESOURCE(modelimages);
        return QImage(QStringLiteral(":/images/ModelImage-Default.png"));
    }();
    return image;
}

QString encodeModelImage(const QImage &image)
{
    if (image.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QString::fromLatin1(png.toBase64());
}

QImage decodeModelImage(const QString &base64)
{
    if (base64.isEmpty() || base64.size() > kMaxImageTextChars)
        return {};
    QByteArray bytes = QByteArray::fromBase64(base64.toLatin1());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header tells the size before any pixel memory is claimed.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxImageSidePixels ||
        size.height() > kMaxImageSidePixels)
        return {};
    return reader.read();
}
