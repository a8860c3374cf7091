#pragma once

#include <QImage>
#include <QJsonObject>
#include <QString>

#include <cstdint>

class Model;

// Descriptive data of one model; also the value of a library manifest entry. When a notifier
// is set, every setter emits the notifier's infoChanged after storing the value. Copying
// copies every field including the notifier.
class ModelInfo
{
public:
    ModelInfo() = default;
    explicit ModelInfo(Model *notifier)
        : m_notifier(notifier)
    {}

    [[nodiscard]] Model *notifier() const { return m_notifier; }
    void setNotifier(Model *notifier) { m_notifier = notifier; }

    [[nodiscard]] const QString &fileName() const { return m_fileName; }
    [[nodiscard]] const QString &name() const { return m_name; }
    [[nodiscard]] const QImage &image() const { return m_image; }
    [[nodiscard]] const QString &serialNumber() const { return m_serialNumber; }
    [[nodiscard]] std::int32_t productCode() const { return m_productCode; }
    [[nodiscard]] std::int32_t parameterVersion() const { return m_parameterVersion; }
    [[nodiscard]] const QString &notes() const { return m_notes; }

    void setFileName(QString fileName);
    void setName(QString name);
    void setImage(QImage image);
    void setSerialNumber(QString serialNumber);
    void setProductCode(std::int32_t productCode);
    void setParameterVersion(std::int32_t parameterVersion);
    void setNotes(QString notes);

    // The manifest entry's object ("name", "image", "productCode", "parameterVersion",
    // "serialNumber", "notes"); the file name is the member name and not part of it.
    [[nodiscard]] QJsonObject toManifestJson() const;
    // Missing strings become empty, missing numbers 0, an undecodable picture an empty one.
    [[nodiscard]] static ModelInfo fromManifestJson(const QString &fileName,
                                                    const QJsonObject &entry);

private:
    void notify();

    Model *m_notifier = nullptr;
    QString m_fileName;
    QString m_name;
    QImage m_image;
    QString m_serialNumber;
    std::int32_t m_productCode = 0;
    std::int32_t m_parameterVersion = 0;
    QString m_notes;
};

// The built-in model picture every new model starts with.
[[nodiscard]] QImage defaultModelImage();
// PNG, then Base64; and back. An empty image encodes as an empty text. Decoding gives an
// empty image for text that is not a picture, and for a picture whose header claims more
// than 4096 pixels a side: a model file must not make the program claim gigabytes.
[[nodiscard]] QString encodeModelImage(const QImage &image);
[[nodiscard]] QImage decodeModelImage(const QString &base64);
