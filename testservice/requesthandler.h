#pragma once

#include "testservice/servicedocuments.h"
#include "testservice/testservice.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <optional>

// What the service decides: who may log in, what can be registered, which updates a device
// is offered, and which files it serves.
namespace testservice {

struct ServiceRecords
{
    QList<Account> accounts;
    QList<KnownDevice> devices;
    QList<OfferedUpdate> updates;
};

// The response document for one request; the register operations change `records`.
[[nodiscard]] QByteArray answerRequest(ServiceRecords &records, const ServiceRequest &request,
                                       const QUrl &baseUrl);

// The text this service sends with `code` in an ErrorResponse.
[[nodiscard]] QString errorDescription(const QString &code);

// The paths under which update files and change lists are served.
inline constexpr auto kFilesPrefix = "/files/";
inline constexpr auto kChangesPrefix = "/changes/";
inline constexpr auto kHowToPath = "/help/download.txt";

[[nodiscard]] bool isDownloadPath(const QString &path);

struct ServedFile
{
    QByteArray contentType;
    QByteArray body;
};
// The file or change list at `path`, if the service offers one there.
[[nodiscard]] std::optional<ServedFile> findDownload(const ServiceRecords &records,
                                                     const QString &path);

} // namespace testservice
