#include "testservice/requesthandler.h"

#include <QUuid>
#include <QXmlStreamWriter>

#include <algorithm>

namespace testservice {

namespace {

constexpr int kMinPasswordLength = 4;

struct CodeText
{
    const char *code;
    const char *description;
};

constexpr CodeText kDescriptions[] = {
    {kUnreadableRequestCode, "The request document cannot be read."},
    {kAccessMissingCode, "The access request is missing or incomplete."},
    {kUnknownRequestCode, "The request is not known."},
    {"2002", "The request for updates was rejected."},
    {"2003", "The device is not registered."},
    {"2004", "The device is registered to another account."},
    {"3001", "The user GUID is not known."},
    {"3002", "The user GUID is not valid."},
    {"3007", "The device is already registered."},
    {"3008", "This product cannot be registered."},
    {"3009", "The serial number is not recognised."},
    {"3010", "The device registration was rejected."},
    {"7001", "The password is not correct."},
    {"7002", "No account has this username."},
    {"7003", "The account has not been activated."},
    {"8001", "The e-mail address is already registered."},
    {"8003", "The username is already taken."},
    {"8005", "The e-mail address is not valid."},
    {"8006", "The password is too short."},
    {"8009", "The username is not valid."},
};

QByteArray refuse(const QString &code)
{
    return errorDocument(code, errorDescription(code));
}

Account *accountByGuid(ServiceRecords &records, const QString &guid)
{
    for (Account &account : records.accounts) {
        if (!guid.isEmpty() && account.userGuid.compare(guid, Qt::CaseInsensitive) == 0)
            return &account;
    }
    return nullptr;
}

KnownDevice *deviceBySerial(ServiceRecords &records, const QString &serial)
{
    for (KnownDevice &device : records.devices) {
        if (device.serialNumber == serial)
            return &device;
    }
    return nullptr;
}

bool usernameTaken(const ServiceRecords &records, const QString &username)
{
    return std::any_of(records.accounts.begin(), records.accounts.end(), [&](const Account &a) {
        return a.username.compare(username, Qt::CaseInsensitive) == 0;
    });
}

bool emailRegistered(const ServiceRecords &records, const QString &email)
{
    return std::any_of(records.accounts.begin(), records.accounts.end(), [&](const Account &a) {
        return a.email.compare(email, Qt::CaseInsensitive) == 0;
    });
}

QUrl servedUrl(const QUrl &baseUrl, const QString &path)
{
    QUrl url = baseUrl;
    url.setPath(path);
    return url;
}

QByteArray logIn(ServiceRecords &records, const ServiceRequest &request, const QUrl &)
{
    const QString username = request.fields.value(QStringLiteral("UserID"));
    const auto found =
        std::find_if(records.accounts.begin(), records.accounts.end(), [&](const Account &account) {
            return !username.isEmpty() &&
                   account.username.compare(username, Qt::CaseInsensitive) == 0;
        });
    if (found == records.accounts.end())
        return refuse(QStringLiteral("7002"));
    if (found->password != request.fields.value(QStringLiteral("Password")))
        return refuse(QStringLiteral("7001"));
    // Only the right password learns that the account waits for its activation.
    if (!found->activated)
        return refuse(QStringLiteral("7003"));
    return successDocument(QStringLiteral("LoginUserResponse"), [&](QXmlStreamWriter &writer) {
        writer.writeTextElement(QStringLiteral("UserGUID"), found->userGuid);
        writer.writeTextElement(QStringLiteral("FirstName"), found->firstName);
        writer.writeTextElement(QStringLiteral("LastName"), found->lastName);
    });
}

// A new account waits for its activation, as after the real service's activation mail.
QByteArray registerUser(ServiceRecords &records, const ServiceRequest &request, const QUrl &)
{
    Account account;
    account.username = request.fields.value(QStringLiteral("UserID")).trimmed();
    account.password = request.fields.value(QStringLiteral("Password"));
    account.email = request.fields.value(QStringLiteral("Email")).trimmed();
    account.firstName = request.fields.value(QStringLiteral("FirstName"));
    account.lastName = request.fields.value(QStringLiteral("LastName"));
    account.activated = false;
    if (account.username.isEmpty())
        return refuse(QStringLiteral("8009"));
    if (!account.email.contains(QLatin1Char('@')))
        return refuse(QStringLiteral("8005"));
    if (account.password.size() < kMinPasswordLength)
        return refuse(QStringLiteral("8006"));
    if (usernameTaken(records, account.username))
        return refuse(QStringLiteral("8003"));
    if (emailRegistered(records, account.email))
        return refuse(QStringLiteral("8001"));
    account.userGuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    records.accounts.append(account);
    return successDocument(QStringLiteral("RegisterUserResponse"), [&](QXmlStreamWriter &writer) {
        writer.writeTextElement(QStringLiteral("UserGUID"), account.userGuid);
    });
}

QByteArray registerDevice(ServiceRecords &records, const ServiceRequest &request, const QUrl &)
{
    const Account *account =
        accountByGuid(records, request.fields.value(QStringLiteral("UserGUID")));
    if (!account)
        return refuse(QStringLiteral("3001"));
    KnownDevice *device = deviceBySerial(
        records, request.fields.value(QStringLiteral("DeviceSerialNumber")).trimmed());
    if (!device)
        return refuse(QStringLiteral("3009"));
    if (!device->registrable)
        return refuse(QStringLiteral("3008"));
    if (!device->registeredTo.isEmpty())
        return refuse(QStringLiteral("3007"));
    device->registeredTo = account->userGuid;
    return successDocument(QStringLiteral("RegisterDeviceResponse"));
}

void writeUpdate(QXmlStreamWriter &writer, const OfferedUpdate &update, const QUrl &baseUrl)
{
    const auto optional = [&](const char *name, const QString &value) {
        if (!value.isEmpty())
            writer.writeTextElement(QLatin1String(name), value);
    };
    QString download = update.downloadUri;
    if (download.isEmpty())
        download =
            servedUrl(baseUrl, kFilesPrefix + update.guid + QStringLiteral(".sax")).toString();
    QString changes = update.manualDownloadUri;
    if (changes.isEmpty() && !update.changes.isEmpty())
        changes =
            servedUrl(baseUrl, kChangesPrefix + update.guid + QStringLiteral(".txt")).toString();

    writer.writeStartElement(QStringLiteral("DeviceUpdate"));
    writer.writeTextElement(QStringLiteral("UpdateGUID"), update.guid);
    writer.writeTextElement(QStringLiteral("UpdateTitle"), update.title);
    writer.writeTextElement(QStringLiteral("UpdateDescription"), update.description);
    writer.writeTextElement(QStringLiteral("UpdateVersion"), update.version);
    writer.writeTextElement(QStringLiteral("UpdateReleaseDate"), update.releaseDate);
    writer.writeTextElement(QStringLiteral("UpdateDownloadURI"), download);
    writer.writeTextElement(QStringLiteral("UpdateManualDownloadURI"), changes);
    writer.writeTextElement(QStringLiteral("UpdateHowToDownloadURI"),
                            servedUrl(baseUrl, QLatin1String(kHowToPath)).toString());
    // The real service sends these too; the client reads past them.
    writer.writeTextElement(QStringLiteral("UpdateManual"), QString());
    writer.writeTextElement(QStringLiteral("UpdateHowTo"), QString());
    optional("ProductCode", update.productCodeText);
    optional("MinVersion", update.minVersion);
    optional("MaxVersion", update.maxVersion);
    optional("RequiredMinVersion", update.requiredMinVersion);
    optional("RequiredMaxVersion", update.requiredMaxVersion);
    writer.writeEndElement();
}

QByteArray listUpdates(ServiceRecords &records, const ServiceRequest &request, const QUrl &baseUrl)
{
    const Account *account =
        accountByGuid(records, request.fields.value(QStringLiteral("UserGUID")));
    if (!account)
        return refuse(QStringLiteral("3001"));
    const KnownDevice *device = deviceBySerial(
        records, request.fields.value(QStringLiteral("DeviceSerialNumber")).trimmed());
    if (!device || device->registeredTo.isEmpty())
        return refuse(QStringLiteral("2003"));
    if (device->registeredTo.compare(account->userGuid, Qt::CaseInsensitive) != 0)
        return refuse(QStringLiteral("2004"));
    return successDocument(
        QStringLiteral("GetListofUpdatesResponse"), [&](QXmlStreamWriter &writer) {
            for (const OfferedUpdate &update : records.updates) {
                if (update.productCode < 0 || update.productCode == device->productCode)
                    writeUpdate(writer, update, baseUrl);
            }
        });
}

using Handler = QByteArray (*)(ServiceRecords &, const ServiceRequest &, const QUrl &);

struct Operation
{
    const char *element;
    Handler handle;
};

constexpr Operation kOperations[] = {
    {"LoginUserRequest", logIn},
    {"RegisterUserRequest", registerUser},
    {"RegisterDeviceRequest", registerDevice},
    {"GetListofUpdatesRequest", listUpdates},
};

} // namespace

QString errorDescription(const QString &code)
{
    for (const CodeText &entry : kDescriptions) {
        if (code == QLatin1String(entry.code))
            return QString::fromLatin1(entry.description);
    }
    return QStringLiteral("Error %1.").arg(code);
}

QByteArray answerRequest(ServiceRecords &records, const ServiceRequest &request,
                         const QUrl &baseUrl)
{
    if (!request.hasAccess)
        return refuse(QLatin1String(kAccessMissingCode));
    for (const Operation &operation : kOperations) {
        if (request.operation == QLatin1String(operation.element))
            return operation.handle(records, request, baseUrl);
    }
    return refuse(QLatin1String(kUnknownRequestCode));
}

bool isDownloadPath(const QString &path)
{
    return path.startsWith(QLatin1String(kFilesPrefix)) ||
           path.startsWith(QLatin1String(kChangesPrefix)) || path == QLatin1String(kHowToPath);
}

std::optional<ServedFile> findDownload(const ServiceRecords &records, const QString &path)
{
    if (path == QLatin1String(kHowToPath))
        return ServedFile{"text/plain; charset=utf-8",
                          "Updates are installed from the program's update page while the "
                          "device is connected.\n"};
    for (const OfferedUpdate &update : records.updates) {
        if (path == kFilesPrefix + update.guid + QStringLiteral(".sax"))
            return ServedFile{"application/octet-stream", update.file};
        if (!update.changes.isEmpty() &&
            path == kChangesPrefix + update.guid + QStringLiteral(".txt"))
            return ServedFile{"text/plain; charset=utf-8", update.changes};
    }
    return std::nullopt;
}

} // namespace testservice
