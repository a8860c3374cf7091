#include "online/siteresponses.h"

#include "online/zandorexsite.h"

#include <QXmlStreamReader>

#include <functional>
#include <span>

namespace {

struct CodeMapping
{
    const char *code;
    ZandorexSiteError error;
};

using E = ZandorexSiteError;

constexpr CodeMapping kLogInCodes[] = {
    {"7001", E::InvalidCredentials},
    {"7002", E::InvalidCredentials},
    {"7003", E::InvalidCredentials},
};

constexpr CodeMapping kRegisterCodes[] = {
    {"8001", E::EmailAlreadyRegistered}, {"8003", E::UsernameTaken},   {"8005", E::InvalidEmail},
    {"8006", E::InvalidPassword},        {"8009", E::InvalidUsername},
};

constexpr CodeMapping kRegisterDeviceCodes[] = {
    {"3001", E::InvalidUserGuid},           {"3002", E::InvalidUserGuid},
    {"3007", E::DeviceAlreadyRegistered},   {"3008", E::DeviceNotRegistrable},
    {"3009", E::SerialNumberNotRecognized}, {"3010", E::DeviceRegistrationRejected},
};

// The updates list answers an unknown or stale user GUID with the register-device codes, and
// the update flow must then ask for a new log-in rather than report an unknown error.
constexpr CodeMapping kUpdatesListCodes[] = {
    {"2002", E::UpdatesRequestRejected},
    {"2003", E::DeviceNotRegistered},
    {"2004", E::RegisteredToAnotherAccount},
    {"3001", E::InvalidUserGuid},
    {"3002", E::InvalidUserGuid},
};

ZandorexSiteError mapErrorCode(const QString &code, std::span<const CodeMapping> codes)
{
    if (code.isEmpty())
        return E::NoError;
    for (const CodeMapping &mapping : codes) {
        if (code == QLatin1String(mapping.code))
            return mapping.error;
    }
    return E::UnknownError;
}

QString readText(QXmlStreamReader &xml)
{
    return xml.readElementText(QXmlStreamReader::SkipChildElements);
}

void readErrorResponse(QXmlStreamReader &xml, QString &code)
{
    ZandorexSite::trace(QStringLiteral("error response"));
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("ErrorCode")) {
            const QString text = readText(xml);
            ZandorexSite::trace(QStringLiteral("    code: ") + text);
            code = text.trimmed();
        } else if (xml.name() == QLatin1String("ErrorDescription")) {
            ZandorexSite::trace(QStringLiteral("    description: ") + readText(xml));
        } else {
            xml.skipCurrentElement();
        }
    }
}

// Reads the operation's element, positioned at its start; false on a reader error.
using ElementParser = std::function<bool(QXmlStreamReader &)>;

// The shared frame of every response: a "Response" root whose ErrorResponse child carries the
// verdict and whose operation element carries the data. A DOCTYPE is refused outright: the
// service never sends one, and QXmlStreamReader would expand the internal entities it
// declares, which is how a small body becomes gigabytes of text.
ZandorexSiteError parseResponse(const QByteArray &body, QLatin1String operationElement,
                                std::span<const CodeMapping> codes,
                                const ElementParser &parseOperationElement)
{
    QXmlStreamReader xml(body);
    while (!xml.atEnd() && !xml.isStartElement()) {
        if (xml.readNext() == QXmlStreamReader::DTD)
            return E::InvalidResponse;
    }
    if (xml.hasError() || !xml.isStartElement() || xml.name() != QLatin1String("Response"))
        return E::InvalidResponse;

    QString code;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("ErrorResponse")) {
            readErrorResponse(xml, code);
            if (xml.hasError())
                return E::InvalidResponse;
        } else if (xml.name() == operationElement) {
            if (!parseOperationElement(xml))
                return E::InvalidResponse;
            ZandorexSite::trace(QStringLiteral("response: ") + operationElement);
        } else {
            xml.skipCurrentElement();
        }
    }
    // What follows the root must be well formed too: a body that breaks off or carries
    // garbage after the document is not the service's answer.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return E::InvalidResponse;
    return mapErrorCode(code, codes);
}

// Reads the children of the current element, handing each to `readChild` (which must consume
// it); false on a reader error.
bool readChildren(QXmlStreamReader &xml, const std::function<void(QXmlStreamReader &)> &readChild)
{
    while (xml.readNextStartElement())
        readChild(xml);
    return !xml.hasError();
}

// The value of `c` as a digit of `base` (10 or 16), or -1.
int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (base == 16 && u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (base == 16 && u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::optional<std::uint16_t> parseProductCode(const QString &text)
{
    QStringView digits = QStringView(text).trimmed();
    int base = 10;
    if (digits.startsWith(QLatin1String("0x"))) {
        digits = digits.mid(2);
        base = 16;
    }
    // Checked by hand: QString::toUShort would also take a sign, a second "0x" or spaces.
    if (digits.isEmpty())
        return std::nullopt;
    quint32 value = 0;
    for (const QChar c : digits) {
        const int digit = digitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = value * quint32(base) + quint32(digit);
        if (value > 0xFFFF)
            return std::nullopt;
    }
    return std::uint16_t(value);
}

struct TextField
{
    const char *element;
    QString UpdateData::*member;
};

constexpr TextField kUpdateTextFields[] = {
    {"UpdateGUID", &UpdateData::guid},
    {"UpdateTitle", &UpdateData::title},
    {"UpdateDescription", &UpdateData::description},
    {"UpdateVersion", &UpdateData::version},
    {"UpdateDownloadURI", &UpdateData::downloadUri},
    {"UpdateManualDownloadURI", &UpdateData::manualDownloadUri},
    {"UpdateHowToDownloadURI", &UpdateData::howToDownloadUri},
    {"MinVersion", &UpdateData::minVersion},
    {"MaxVersion", &UpdateData::maxVersion},
    {"RequiredMinVersion", &UpdateData::requiredMinVersion},
    {"RequiredMaxVersion", &UpdateData::requiredMaxVersion},
};

// UpdateManual and UpdateHowTo, like any element not listed, are read past and dropped.
void readUpdateField(QXmlStreamReader &xml, UpdateData &update)
{
    const auto name = xml.name();
    for (const TextField &field : kUpdateTextFields) {
        if (name == QLatin1String(field.element)) {
            update.*field.member = readText(xml);
            return;
        }
    }
    if (name == QLatin1String("UpdateReleaseDate")) {
        // Not ISO 8601: the date stays null and the update is still offered.
        update.releaseDate = QDateTime::fromString(readText(xml).trimmed(), Qt::ISODate);
    } else if (name == QLatin1String("ProductCode")) {
        update.productCode = parseProductCode(readText(xml));
    } else {
        xml.skipCurrentElement();
    }
}

} // namespace

ZandorexSiteError parseLogInResponse(const QByteArray &body, QString &userGuid, QString &firstName,
                                     QString &lastName)
{
    return parseResponse(body, QLatin1String("LoginUserResponse"), kLogInCodes,
                         [&](QXmlStreamReader &xml) {
                             return readChildren(xml, [&](QXmlStreamReader &child) {
                                 if (child.name() == QLatin1String("UserGUID"))
                                     userGuid = readText(child);
                                 else if (child.name() == QLatin1String("FirstName"))
                                     firstName = readText(child);
                                 else if (child.name() == QLatin1String("LastName"))
                                     lastName = readText(child);
                                 else
                                     child.skipCurrentElement();
                             });
                         });
}

ZandorexSiteError parseRegisterResponse(const QByteArray &body, QString &userGuid)
{
    return parseResponse(body, QLatin1String("RegisterUserResponse"), kRegisterCodes,
                         [&](QXmlStreamReader &xml) {
                             return readChildren(xml, [&](QXmlStreamReader &child) {
                                 if (child.name() == QLatin1String("UserGUID"))
                                     userGuid = readText(child);
                                 else
                                     child.skipCurrentElement();
                             });
                         });
}

ZandorexSiteError parseRegisterDeviceResponse(const QByteArray &body)
{
    return parseResponse(body, QLatin1String("RegisterDeviceResponse"), kRegisterDeviceCodes,
                         [](QXmlStreamReader &xml) {
                             xml.skipCurrentElement();
                             return !xml.hasError();
                         });
}

ZandorexSiteError parseUpdatesListResponse(const QByteArray &body, QList<UpdateData> &updates)
{
    return parseResponse(body, QLatin1String("GetListofUpdatesResponse"), kUpdatesListCodes,
                         [&](QXmlStreamReader &xml) {
                             updates.clear();
                             return readChildren(xml, [&](QXmlStreamReader &child) {
                                 if (child.name() != QLatin1String("DeviceUpdate")) {
                                     child.skipCurrentElement();
                                     return;
                                 }
                                 UpdateData update;
                                 readChildren(child, [&](QXmlStreamReader &field) {
                                     readUpdateField(field, update);
                                 });
                                 updates.append(update);
                             });
                         });
}
