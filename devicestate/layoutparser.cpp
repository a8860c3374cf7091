#include "devicestate/layoutparser.h"

#include <array>
#include <optional>

namespace {

struct ScalarTypeName
{
    const char *name;
    LayoutType type;
};

constexpr std::array<ScalarTypeName, 6> kScalarTypeNames{{
    {"i8", LayoutType::I8},
    {"u8", LayoutType::U8},
    {"i16", LayoutType::I16},
    {"u16", LayoutType::U16},
    {"i32", LayoutType::I32},
    {"u32", LayoutType::U32},
}};

std::optional<LayoutType> scalarTypeNamed(const QString &name)
{
    for (const auto &entry : kScalarTypeNames) {
        if (name == QLatin1String(entry.name))
            return entry.type;
    }
    return std::nullopt;
}

// Recursive-descent parser over one text. Errors about a value (a bit index, a dimension, a
// type name) are reported at the value's first character; errors about a missing token at the
// place where the token was expected, after any whitespace.
class LayoutParser
{
public:
    explicit LayoutParser(const QString &text)
        : m_text(text)
    {}

    LayoutNode parseField() { return parseType(parseNameAndColon("Expected : after field name")); }

private:
    // `name :` as fields and bit fields begin; the colon's error names which of them it was.
    QString parseNameAndColon(const char *missingColonMessage)
    {
        skipWhitespace();
        QString name = readIdentifier();
        if (name.isEmpty())
            fail("Expected identifier");
        skipWhitespace();
        if (!consume(u':'))
            fail(missingColonMessage);
        return name;
    }

    LayoutNode parseType(QString name)
    {
        skipWhitespace();
        if (peekIs(u'{'))
            return parseBlock(std::move(name));

        const int32_t typeStart = m_pos;
        const QString typeName = readIdentifier();
        if (typeName.isEmpty())
            fail("Expected type");
        const auto type = scalarTypeNamed(typeName);
        if (!type)
            fail("Expected valid type name but found " + typeName.toStdString(), typeStart);
        skipWhitespace();
        std::vector<BitField> bitFields;
        if (peekIs(u'{'))
            bitFields = parseBitFields(8 * layoutTypeSize(*type));
        std::vector<int32_t> dims = parseDims(layoutTypeSize(*type));
        return LayoutNode::scalar(std::move(name), *type, std::move(dims), std::move(bitFields));
    }

    LayoutNode parseBlock(QString name)
    {
        if (m_depth == kMaxLayoutNestingDepth)
            fail("Blocks nested more than " + std::to_string(kMaxLayoutNestingDepth) + " deep");
        ++m_depth;
        ++m_pos; // the `{`
        skipWhitespace();

        std::vector<LayoutNode> children;
        int64_t elementSize = 0;
        while (!peekIs(u'}')) {
            skipWhitespace();
            const int32_t childStart = m_pos;
            children.push_back(parseField());
            elementSize += children.back().byteSize();
            if (elementSize > kMaxLayoutSize)
                fail("Block size does not fit 32 bits", childStart);
            skipWhitespace();
            if (!consume(u','))
                break;
            skipWhitespace();
        }
        if (!consume(u'}'))
            fail("Expected } to close block");
        --m_depth;

        std::vector<int32_t> dims = parseDims(elementSize);
        return LayoutNode::block(std::move(name), std::move(children), std::move(dims));
    }

    std::vector<BitField> parseBitFields(int32_t bitLimit)
    {
        ++m_pos; // the `{`
        skipWhitespace();
        std::vector<BitField> bitFields;
        while (!peekIs(u'}')) {
            bitFields.push_back(parseBitField(bitLimit));
            skipWhitespace();
            if (!consume(u','))
                break;
            skipWhitespace();
        }
        if (!consume(u'}'))
            fail("Expected } to close block");
        return bitFields;
    }

    BitField parseBitField(int32_t bitLimit)
    {
        QString name = parseNameAndColon("Expected : after bit field name");
        skipWhitespace();
        const int32_t startPos = m_pos;
        const auto start = readInteger();
        if (!start)
            fail("Expected starting bit index", startPos);
        skipWhitespace();
        if (QStringView(m_text).mid(m_pos, 2) != u"..")
            fail("Expected .. after starting bit index");
        m_pos += 2;
        skipWhitespace();
        const int32_t endPos = m_pos;
        const auto end = readInteger();
        if (!end)
            fail("Expected ending bit index", endPos);
        if (*start >= *end)
            fail("Starting bit index must be less than ending index", startPos);
        if (*end > bitLimit)
            fail("Ending bit index out of bounds", endPos);
        return {std::move(name), *start, *end - *start};
    }

    std::vector<int32_t> parseDims(int64_t elementSize)
    {
        std::vector<int32_t> dims;
        int64_t count = 1;
        skipWhitespace();
        while (consume(u'[')) {
            skipWhitespace();
            const int32_t dimPos = m_pos;
            const auto dim = readInteger();
            if (!dim)
                fail("Expected integer", dimPos);
            // Both factors are at most kMaxLayoutSize, so the 64-bit products cannot overflow.
            count *= *dim;
            if (count > kMaxLayoutSize)
                fail("Array element count does not fit 32 bits", dimPos);
            if (count * elementSize > kMaxLayoutSize)
                fail("Field size does not fit 32 bits", dimPos);
            skipWhitespace();
            if (!consume(u']'))
                fail("Expected ] to close");
            skipWhitespace();
            dims.push_back(*dim);
        }
        return dims;
    }

    // A maximal run of letters, digits and underscores, letters and digits in the Unicode
    // sense (including those outside the Basic Multilingual Plane).
    QString readIdentifier()
    {
        const int32_t start = m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (isIdentifierCharacter(c.unicode())) {
                ++m_pos;
            } else if (c.isHighSurrogate() && m_pos + 1 < m_text.size() &&
                       m_text.at(m_pos + 1).isLowSurrogate() &&
                       isIdentifierCharacter(QChar::surrogateToUcs4(c, m_text.at(m_pos + 1)))) {
                m_pos += 2;
            } else {
                break;
            }
        }
        return m_text.mid(start, m_pos - start);
    }

    static bool isIdentifierCharacter(char32_t code)
    {
        return code == U'_' || QChar::isLetter(code) || QChar::isDigit(code);
    }

    // A maximal run of the digits 0 to 9 whose value fits a signed 32-bit integer. The whole
    // run is consumed even when it is too long, so a value cannot be split into two numbers.
    std::optional<int32_t> readInteger()
    {
        const int32_t start = m_pos;
        int64_t value = 0;
        while (m_pos < m_text.size() && m_text.at(m_pos) >= u'0' && m_text.at(m_pos) <= u'9') {
            if (value <= kMaxLayoutSize)
                value = value * 10 + (m_text.at(m_pos).unicode() - u'0');
            ++m_pos;
        }
        if (m_pos == start || value > std::numeric_limits<int32_t>::max())
            return std::nullopt;
        return int32_t(value);
    }

    void skipWhitespace()
    {
        while (m_pos < m_text.size() && isWhitespace(m_text.at(m_pos)))
            ++m_pos;
    }

    static bool isWhitespace(QChar c)
    {
        switch (c.unicode()) {
        case u' ':
        case u'\t':
        case u'\n':
        case u'\r':
        case u'\v':
        case u'\f':
            return true;
        default:
            return false;
        }
    }

    [[nodiscard]] bool peekIs(char16_t c) const
    {
        return m_pos < m_text.size() && m_text.at(m_pos) == c;
    }

    bool consume(char16_t c)
    {
        if (!peekIs(c))
            return false;
        ++m_pos;
        return true;
    }

    [[noreturn]] void fail(const std::string &message) const { fail(message, m_pos); }
    [[noreturn]] static void fail(const std::string &message, int32_t position)
    {
        throw ParseException(message, position);
    }

    const QString &m_text;
    int32_t m_pos = 0;
    int32_t m_depth = 0;
};

} // namespace

LayoutNode parseLayout(const QString &text)
{
    return LayoutParser(text).parseField();
}
