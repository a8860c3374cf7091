#include "models/classes/schemacatalog.h"

#include "devicestate/layout.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <cctype>
#include <map>
#include <mutex>
#include <optional>

// The product data sits in the resources of this static library, which the linker would drop
// unless something refers to them. Q_INIT_RESOURCE must be used outside any namespace.
static void initProductDataResources()
{
    Q_INIT_RESOURCE(productdata);
    Q_INIT_RESOURCE(receiverdata);
}

namespace {

const QString kResourceDirectory = QStringLiteral(":/productdata");
const QString kPackedSuffix = QStringLiteral(".packed.layout");
const QString kAlignedSuffix = QStringLiteral(".aligned.layout");
const QString kImageSuffix = QStringLiteral(".hex");

struct SchemaEntry
{
    QString text;
    bool aligned = false;
    std::once_flag parsed;
    std::optional<LayoutNode> root;
};

QString readResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("product data %s cannot be read", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

// A default image is hexadecimal text laid out in lines for reading; anything else in it is a
// defect of the compiled-in data, which must not turn silently into shifted bytes.
QByteArray decodeImage(const QString &path, const QString &text)
{
    QByteArray digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        if (c.unicode() > 0x7F || !std::isxdigit(c.unicode()))
            qFatal("default image %s holds a character that is not a hexadecimal digit",
                   qPrintable(path));
        digits.append(char(c.unicode()));
    }
    if (digits.size() % 2 != 0)
        qFatal("default image %s holds an odd number of hexadecimal digits", qPrintable(path));
    return QByteArray::fromHex(digits);
}

class Catalogue
{
public:
    Catalogue()
    {
        initProductDataResources();
        const QStringList files = QDir(kResourceDirectory).entryList(QDir::Files, QDir::Name);
        for (const QString &file : files) {
            const QString path = kResourceDirectory + QLatin1Char('/') + file;
            if (file.endsWith(kPackedSuffix))
                addSchema(file.chopped(kPackedSuffix.size()), path, false);
            else if (file.endsWith(kAlignedSuffix))
                addSchema(file.chopped(kAlignedSuffix.size()), path, true);
            else if (file.endsWith(kImageSuffix))
                m_images.emplace(file.chopped(kImageSuffix.size()),
                                 decodeImage(path, readResource(path)));
        }
    }

    [[nodiscard]] QStringList schemaNames() const
    {
        QStringList names;
        for (const auto &[name, entry] : m_schemas)
            names.append(name);
        return names;
    }

    [[nodiscard]] SchemaEntry *schema(const QString &name)
    {
        const auto it = m_schemas.find(name);
        return it == m_schemas.end() ? nullptr : &it->second;
    }

    [[nodiscard]] QByteArray image(const QString &name) const
    {
        const auto it = m_images.find(name);
        return it == m_images.end() ? QByteArray() : it->second;
    }

private:
    void addSchema(const QString &name, const QString &path, bool aligned)
    {
        if (m_schemas.contains(name))
            qFatal("schema %s is compiled in twice", qPrintable(name));
        SchemaEntry &entry = m_schemas[name];
        entry.text = readResource(path);
        entry.aligned = aligned;
    }

    // std::map keeps the names sorted and its entries in place, so the parsed roots handed
    // out stay valid for the run.
    std::map<QString, SchemaEntry> m_schemas;
    std::map<QString, QByteArray> m_images;
};

// Built on first use; the C++ runtime makes concurrent first calls wait for one construction.
Catalogue &catalogue()
{
    static Catalogue instance;
    return instance;
}

void parseEntry(const QString &name, SchemaEntry &entry)
{
    try {
        LayoutNode root = parseLayout(entry.text);
        entry.root = entry.aligned ? alignLayout(root) : std::move(root);
    } catch (const ParseException &error) {
        qFatal("schema %s does not parse: %s (at character %d)", qPrintable(name), error.what(),
               int(error.position()));
    }
}

} // namespace

QStringList builtinSchemaNames()
{
    return catalogue().schemaNames();
}

const LayoutNode *builtinSchema(const QString &name)
{
    SchemaEntry *entry = catalogue().schema(name);
    if (!entry)
        return nullptr;
    std::call_once(entry->parsed, parseEntry, name, std::ref(*entry));
    return &*entry->root;
}

QString builtinSchemaText(const QString &name)
{
    const SchemaEntry *entry = catalogue().schema(name);
    return entry ? entry->text : QString();
}

QByteArray builtinDefaultImage(const QString &name)
{
    return catalogue().image(name);
}
