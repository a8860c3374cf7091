#include "online/siterequests.h"

#include "online/siteconfig.h"

#include <QXmlStreamWriter>

#include <functional>

namespace {

QString trueOrFalse(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

void writeIfNotEmpty(QXmlStreamWriter &xml, const QString &name, const QString &value)
{
    if (!value.isEmpty())
        xml.writeTextElement(name, value);
}

// Serial numbers come from the device as read. Shorter ones are padded with NULs, which no
// XML document may hold (the service refuses the whole request), so the padding is left
// out; every other character is sent as it is. QXmlStreamWriter splits a CDATA section
// around any "]]>" inside it.
void writeSerialNumber(QXmlStreamWriter &xml, const QString &serialNumber)
{
    qsizetype end = serialNumber.size();
    while (end > 0 && serialNumber.at(end - 1) == QChar(0))
        --end;
    xml.writeStartElement(QStringLiteral("DeviceSerialNumber"));
    xml.writeCDATA(serialNumber.left(end));
    xml.writeEndElement();
}

// The envelope every request shares; `writeBody` adds the operation's element.
std::shared_ptr<QBuffer> writeRequest(const std::function<void(QXmlStreamWriter &)> &writeBody)
{
    auto buffer = std::make_shared<QBuffer>();
    buffer->open(QIODevice::ReadWrite);

    QXmlStreamWriter xml(buffer.get());
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1); // one tab per level
    xml.writeStartDocument();
    xml.writeDefaultNamespace(siteconfig::documentNamespace());
    xml.writeStartElement(siteconfig::documentNamespace(), QStringLiteral("Request"));

    xml.writeStartElement(QStringLiteral("TransactionReference"));
    xml.writeStartElement(QStringLiteral("AccessRequest"));
    xml.writeTextElement(QStringLiteral("AccessLicenseNumber"), siteconfig::accessLicenseNumber());
    xml.writeTextElement(QStringLiteral("UserId"), siteconfig::accessUserId());
    xml.writeTextElement(QStringLiteral("Password"), siteconfig::accessPassword());
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("XpciVersion"),
                         QString::fromLatin1(siteconfig::kXpciVersion));
    xml.writeEndElement();

    writeBody(xml);

    xml.writeEndElement();
    xml.writeEndDocument();
    buffer->seek(0);
    return buffer;
}

} // namespace

std::shared_ptr<QBuffer> createLogInRequest(const QString &username, const QString &password)
{
    return writeRequest([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(QStringLiteral("LoginUserRequest"));
        xml.writeTextElement(QStringLiteral("UserID"), username);
        xml.writeTextElement(QStringLiteral("Password"), password);
        xml.writeEndElement();
    });
}

std::shared_ptr<QBuffer> createRegisterRequest(const RegisterData &data)
{
    return writeRequest([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(QStringLiteral("RegisterUserRequest"));
        xml.writeTextElement(QStringLiteral("CultureInfoName"), data.cultureInfoName);
        xml.writeTextElement(QStringLiteral("UserID"), data.username);
        xml.writeTextElement(QStringLiteral("Password"), data.password);
        xml.writeTextElement(QStringLiteral("FirstName"), data.firstName);
        xml.writeTextElement(QStringLiteral("LastName"), data.lastName);
        xml.writeTextElement(QStringLiteral("Email"), data.email);
        xml.writeTextElement(QStringLiteral("AddressLine1"), data.addressLine1);
        writeIfNotEmpty(xml, QStringLiteral("AddressLine2"), data.addressLine2);
        xml.writeTextElement(QStringLiteral("City"), data.city);
        writeIfNotEmpty(xml, QStringLiteral("StateAbbr"), data.stateAbbr);
        writeIfNotEmpty(xml, QStringLiteral("PostalCode"), data.postalCode);
        xml.writeTextElement(QStringLiteral("CountryCode"), data.countryCode);
        xml.writeTextElement(QStringLiteral("EmailNotify"), trueOrFalse(data.emailNotify));
        xml.writeEndElement();
    });
}

std::shared_ptr<QBuffer> createRegisterDeviceRequest(const QString &userGuid,
                                                     const RegisterDeviceData &data)
{
    return writeRequest([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(QStringLiteral("RegisterDeviceRequest"));
        xml.writeTextElement(QStringLiteral("UserGUID"), userGuid);
        writeSerialNumber(xml, data.serialNumber);
        writeIfNotEmpty(xml, QStringLiteral("RegistrationNickName"), data.nickname);
        if (data.buyOrGift == RegisterDeviceData::Bought)
            xml.writeTextElement(QStringLiteral("BuyorGift"), QStringLiteral("P"));
        else if (data.buyOrGift == RegisterDeviceData::Gift)
            xml.writeTextElement(QStringLiteral("BuyorGift"), QStringLiteral("G"));
        writeIfNotEmpty(xml, QStringLiteral("WhereDidYouPurchase"), data.whereDidYouPurchase);
        writeIfNotEmpty(xml, QStringLiteral("HowDidYouFirstLearn"), data.howDidYouFirstLearn);
        if (!data.purchaseDate.isNull())
            xml.writeTextElement(QStringLiteral("PurchaseDate"),
                                 data.purchaseDate.toString(Qt::ISODate));
        xml.writeTextElement(QStringLiteral("NotifyUpdatesAndNewReleases"),
                             trueOrFalse(data.notifyUpdatesAndNewReleases));
        writeIfNotEmpty(xml, QStringLiteral("Comments"), data.comments);
        xml.writeEndElement();
    });
}

std::shared_ptr<QBuffer> createUpdatesListRequest(const QString &userGuid,
                                                  const QString &serialNumber)
{
    return writeRequest([&](QXmlStreamWriter &xml) {
        xml.writeStartElement(QStringLiteral("GetListofUpdatesRequest"));
        xml.writeTextElement(QStringLiteral("UserGUID"), userGuid);
        writeSerialNumber(xml, serialNumber);
        xml.writeEndElement();
    });
}
