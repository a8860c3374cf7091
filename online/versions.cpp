#include "online/versions.h"

#include <QStringList>

#include <algorithm>

namespace {

bool isDecimalNumber(QStringView part)
{
    if (part.isEmpty())
        return false;
    for (const QChar c : part) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Compares two decimal numbers of any length without converting them, so that a part longer
// than any integer type neither overflows nor becomes Invalid.
VersionOrder compareDecimal(QStringView a, QStringView b)
{
    const auto stripZeros = [](QStringView s) {
        qsizetype i = 0;
        while (i + 1 < s.size() && s[i] == u'0')
            ++i;
        return s.mid(i);
    };
    a = stripZeros(a);
    b = stripZeros(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? VersionOrder::Less : VersionOrder::Greater;
    const int order = a.compare(b);
    if (order == 0)
        return VersionOrder::Equal;
    return order < 0 ? VersionOrder::Less : VersionOrder::Greater;
}

// An empty version has no parts at all; "3..1" has an empty middle part, which is no number.
QStringList versionParts(const QString &version)
{
    return version.isEmpty() ? QStringList() : version.split(u'.');
}

} // namespace

VersionOrder compareVersions(const QString &a, const QString &b)
{
    const QStringList aParts = versionParts(a);
    const QStringList bParts = versionParts(b);
    const qsizetype count = std::max(aParts.size(), bParts.size());
    static const QString zero = QStringLiteral("0");
    VersionOrder result = VersionOrder::Equal;
    // Every part is checked, also after the first difference: "1.x" is not a version, whatever
    // it is compared with.
    for (qsizetype i = 0; i < count; ++i) {
        const QString &aPart = i < aParts.size() ? aParts[i] : zero;
        const QString &bPart = i < bParts.size() ? bParts[i] : zero;
        if (!isDecimalNumber(aPart) || !isDecimalNumber(bPart))
            return VersionOrder::Invalid;
        if (result == VersionOrder::Equal)
            result = compareDecimal(aPart, bPart);
    }
    return result;
}

QString serialNumberDisplayForm(const QString &serialNumber)
{
    // Shorter serial numbers come padded with NULs, which nobody wants to see grouped.
    qsizetype end = serialNumber.size();
    while (end > 0 && serialNumber.at(end - 1) == QChar(0))
        --end;
    QString shown = serialNumber.left(end);
    // Working from the right keeps the positions still to visit unchanged by the insertions.
    for (qsizetype position = end - 4; position > 5; position -= 4)
        shown.insert(position, u'-');
    return shown;
}

bool isUnprogrammedSerialNumber(const QString &serialNumber)
{
    if (serialNumber.isEmpty())
        return true;
    static const QByteArray allOnes(30, char(0xFF));
    static const QByteArray allZeros(30, char(0x00));
    const QByteArray bytes = serialNumber.toLatin1();
    return bytes == allOnes || bytes == allZeros;
}
