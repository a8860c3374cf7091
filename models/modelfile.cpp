// The model file of a device-backed model: the info keys, the raw section bytes and their
// readable mirror decoded through the schemas.
#include "models/devicemodel.h"
#include "models/modelcodes.h"
#include "models/sectionjson.h"

#include <QMap>

namespace {

const QString kNameKey = QStringLiteral("name");
const QString kImageKey = QStringLiteral("image");
const QString kSerialNumberKey = QStringLiteral("serialNumber");
const QString kNotesKey = QStringLiteral("notes");
const QString kDataKey = QStringLiteral("data");
const QString kRawDataKey = QStringLiteral("rawData");
const QString kSectionDataKey = QStringLiteral("sectionData");
const QString kRawSectionDataKey = QStringLiteral("rawSectionData");

// Section ids travel as one byte, so no device has more sections than this.
constexpr int kMaxSectionIndex = 255;

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// Lenient: characters that are not hexadecimal digits are skipped.
QByteArray fromHexText(const QJsonValue &value)
{
    return QByteArray::fromHex(value.toString().toLatin1());
}

std::optional<int> decimalIndex(const QString &text)
{
    bool ok = false;
    const int index = text.toInt(&ok, 10);
    return ok ? std::optional(index) : std::nullopt;
}

bool hasMirror(const LayoutNode &schema)
{
    return !schema.name().isEmpty() && !schema.children().empty();
}

} // namespace

QByteArray DeviceModel::toFileData() const
{
    return toJsonDocument().toJson(QJsonDocument::Indented);
}

bool DeviceModel::fromFileData(const QByteArray &data)
{
    // A broken file reads as an empty document, which carries no settings.
    return fromJsonDocument(QJsonDocument::fromJson(data));
}

QJsonDocument DeviceModel::toJsonDocument() const
{
    QJsonObject root = m_sourceObject;
    root.insert(kNameKey, info().name());
    root.insert(kImageKey, encodeModelImage(info().image()));
    root.insert(kProductCodeFileKey, formatModelCode(info().productCode()));
    root.insert(kParameterVersionFileKey, formatModelCode(info().parameterVersion()));
    root.insert(kSerialNumberKey, info().serialNumber());
    root.insert(kNotesKey, info().notes());

    if (m_fileLayout == FileLayout::SingleSection) {
        const TargetSection &section = m_memory->section(0);
        root.insert(kDataKey, decodeSection(section.schema, section.modelData));
        root.insert(kRawDataKey, QJsonObject{{QStringLiteral("0"), hexText(section.modelData)}});
        return QJsonDocument(root);
    }
    QJsonObject sectionData;
    QJsonObject rawSectionData;
    for (int i = 0; i < m_memory->sectionCount(); ++i) {
        const TargetSection &section = m_memory->section(i);
        if (section.modelData.isEmpty())
            continue;
        rawSectionData.insert(QString::number(i), hexText(section.modelData));
        if (hasMirror(section.schema))
            sectionData.insert(section.schema.name(),
                               decodeSection(section.schema, section.modelData));
    }
    root.insert(kSectionDataKey, sectionData);
    root.insert(kRawSectionDataKey, rawSectionData);
    return QJsonDocument(root);
}

bool DeviceModel::fromJsonDocument(const QJsonDocument &document)
{
    const QJsonObject root = document.object();
    m_sourceObject = root;
    const bool loaded =
        m_fileLayout == FileLayout::SingleSection ? loadSingleSection(root) : loadSections(root);
    if (!loaded)
        return false;
    loadInfo(root);
    return true;
}

bool DeviceModel::loadSingleSection(const QJsonObject &root)
{
    const QJsonValue raw = root.value(kRawDataKey);
    const bool hasData = root.contains(kDataKey);
    if (!raw.isObject() && !hasData)
        return false;
    // Changes go to a copy, so a file rejected half-way leaves the model as it was.
    QByteArray bytes = m_memory->modelData(0);
    const QJsonObject patches = raw.toObject();
    for (auto it = patches.begin(); it != patches.end(); ++it) {
        const std::optional<int> offset = decimalIndex(it.key());
        // A patch must touch the section: one starting past its end would fill the gap with
        // made-up bytes.
        if (!offset || *offset < 0 || *offset > bytes.size())
            return false;
        const QByteArray patch = fromHexText(it.value());
        bytes.replace(*offset, patch.size(), patch);
    }
    if (hasData)
        encodeSection(m_memory->section(0).schema, root.value(kDataKey), bytes);
    m_memory->setModelData(0, bytes);
    return true;
}

bool DeviceModel::loadSections(const QJsonObject &root)
{
    QList<QByteArray> bytes;
    for (const TargetSection &section : m_memory->sections())
        bytes.append(section.modelData);

    QMap<int, qsizetype> storedLengths;
    const QJsonValue raw = root.value(kRawSectionDataKey);
    if (raw.isObject()) {
        const QJsonObject images = raw.toObject();
        for (auto it = images.begin(); it != images.end(); ++it) {
            const std::optional<int> index = decimalIndex(it.key());
            if (!index || *index < 0 || *index > kMaxSectionIndex)
                return false;
            QByteArray image = fromHexText(it.value());
            storedLengths.insert(*index, image.size());
            while (bytes.size() <= *index)
                bytes.append(QByteArray());
            if (*index < m_memory->sectionCount()) {
                // A short image, as an older device version stored it, is completed with
                // the defaults of the fields it lacks.
                const TargetSection &section = m_memory->section(*index);
                if (section.defaults.size() >= section.schema.byteSize() &&
                    section.defaults.size() > image.size())
                    image.append(section.defaults.mid(image.size()));
            }
            bytes[*index] = std::move(image);
        }
        // Sections below a stored one that the file leaves out were absent when it was saved.
        if (!storedLengths.isEmpty())
            for (int i = 0; i < storedLengths.lastKey(); ++i)
                storedLengths.insert(i, storedLengths.value(i, 0));
    }

    bool mirrorApplied = false;
    const QJsonObject mirrors = root.value(kSectionDataKey).toObject();
    for (auto it = mirrors.begin(); it != mirrors.end(); ++it) {
        for (int i = 0; i < m_memory->sectionCount(); ++i) {
            const LayoutNode &schema = m_memory->section(i).schema;
            if (!schema.name().isEmpty() && schema.name() == it.key()) {
                encodeSection(schema, it.value(), bytes[i]);
                mirrorApplied = true;
                break;
            }
        }
    }

    for (auto it = storedLengths.cbegin(); it != storedLengths.cend(); ++it)
        bytes[it.key()].truncate(it.value());

    if (!raw.isObject() && !mirrorApplied)
        return false;
    m_memory->ensureSectionCount(int(bytes.size()));
    for (int i = 0; i < bytes.size(); ++i)
        m_memory->setModelData(i, bytes.at(i));
    return true;
}

void DeviceModel::loadInfo(const QJsonObject &root)
{
    ModelInfo &modelInfo = info();
    modelInfo.setName(root.value(kNameKey).toString());
    QImage image = decodeModelImage(root.value(kImageKey).toString());
    modelInfo.setImage(image.isNull() ? defaultModelImage() : std::move(image));
    // A code that is not a number keeps the value the class was created with; loadModelFile
    // rejects such files before they get here.
    if (const auto code = readModelCode(root, kProductCodeFileKey, kDefaultProductCode))
        modelInfo.setProductCode(*code);
    if (const auto version =
            readModelCode(root, kParameterVersionFileKey, kDefaultParameterVersion))
        modelInfo.setParameterVersion(*version);
    modelInfo.setSerialNumber(root.value(kSerialNumberKey).toString());
    modelInfo.setNotes(root.value(kNotesKey).toString());
}
