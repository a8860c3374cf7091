// Feeds arbitrary bytes to the four response parsers as the service's answer. Besides
// sanitizer reports and crashes, a finding is a body that one operation takes for a
// well-formed response and another does not: the document frame is shared, so only the
// verdict codes may differ between them.
#include "online/siteresponses.h"
#include "online/zandorexsite.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    ZandorexSite::setTraceSink([](const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));

    QString userGuid, firstName, lastName;
    QList<UpdateData> updates;
    const bool invalid[] = {
        parseLogInResponse(body, userGuid, firstName, lastName) ==
            ZandorexSiteError::InvalidResponse,
        parseRegisterResponse(body, userGuid) == ZandorexSiteError::InvalidResponse,
        parseRegisterDeviceResponse(body) == ZandorexSiteError::InvalidResponse,
        parseUpdatesListResponse(body, updates) == ZandorexSiteError::InvalidResponse,
    };
    for (const bool each : invalid) {
        if (each != invalid[0])
            std::abort();
    }
    return 0;
}
