#pragma once

#include "online/sitedata.h"

#include <QBuffer>

#include <memory>

// The request documents, complete and positioned at their start. Written with
// QXmlStreamWriter, one tab per level; serial numbers are CDATA; optional elements are left
// out when empty.
[[nodiscard]] std::shared_ptr<QBuffer> createLogInRequest(const QString &username,
                                                          const QString &password);
[[nodiscard]] std::shared_ptr<QBuffer> createRegisterRequest(const RegisterData &data);
[[nodiscard]] std::shared_ptr<QBuffer> createRegisterDeviceRequest(const QString &userGuid,
                                                                   const RegisterDeviceData &data);
[[nodiscard]] std::shared_ptr<QBuffer> createUpdatesListRequest(const QString &userGuid,
                                                                const QString &serialNumber);
