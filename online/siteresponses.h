#pragma once

#include "online/sitedata.h"

#include <QByteArray>

// Parsing of the service's response documents. Each returns the service's verdict and fills
// its out-fields from the operation's response element; a body that is not a whole
// "Response" document is InvalidResponse. Safe for any input: bounded work per byte, no
// entity expansion, never a crash.
[[nodiscard]] ZandorexSiteError parseLogInResponse(const QByteArray &body, QString &userGuid,
                                                   QString &firstName, QString &lastName);
[[nodiscard]] ZandorexSiteError parseRegisterResponse(const QByteArray &body, QString &userGuid);
[[nodiscard]] ZandorexSiteError parseRegisterDeviceResponse(const QByteArray &body);
[[nodiscard]] ZandorexSiteError parseUpdatesListResponse(const QByteArray &body,
                                                         QList<UpdateData> &updates);
