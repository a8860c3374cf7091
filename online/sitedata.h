#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// The service's verdict on a request. Values are fixed: they are logged and compared as
// numbers.
enum class ZandorexSiteError {
    NoError = 0,
    EmailAlreadyRegistered = 1,
    UsernameTaken = 2,
    InvalidEmail = 3,
    InvalidPassword = 4,
    InvalidUsername = 5,
    InvalidCredentials = 6,
    InvalidUserGuid = 7,
    DeviceAlreadyRegistered = 8,
    DeviceNotRegistrable = 9,
    SerialNumberNotRecognized = 10,
    RegisteredToAnotherAccount = 11,
    DeviceNotRegistered = 12,
    UpdatesRequestRejected = 13,
    DeviceRegistrationRejected = 14,
    InvalidResponse = 16,
    UnknownError = 17,
};

// What the register-user request sends.
struct RegisterData
{
    QString cultureInfoName;
    QString username;
    QString password;
    QString firstName;
    QString lastName;
    QString email;
    QString addressLine1;
    QString addressLine2;
    QString city;
    QString stateAbbr;
    QString postalCode;
    QString countryCode;
    bool emailNotify = false;
};

// What the register-device request sends.
struct RegisterDeviceData
{
    enum BuyOrGift { NotGiven = 0, Bought = 1, Gift = 2 };

    QString serialNumber;
    QString nickname;
    int buyOrGift = NotGiven;
    QString whereDidYouPurchase;
    QString howDidYouFirstLearn;
    QDateTime purchaseDate; // null = not given
    bool notifyUpdatesAndNewReleases = false;
    QString comments;
};

// One software update the service offers for a device.
struct UpdateData
{
    QString guid;
    QString title;
    QString description;
    QString version; // dotted decimal
    QDateTime releaseDate;
    QString downloadUri;
    QString manualDownloadUri; // the change list, plain text
    QString howToDownloadUri;
    std::optional<std::uint16_t> productCode;
    QString minVersion;
    QString maxVersion;
    QString requiredMinVersion;
    QString requiredMaxVersion;
};
