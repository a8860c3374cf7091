#pragma once

#include "app/networkthread.h"
#include "online/siteconfig.h"
#include "online/zandorexsite.h"
#include "testservice/testservice.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>

// The client against the test service on loopback: the rig points the client at the service
// for its lifetime and gives both a small world of accounts, devices and updates.
namespace servicerig {

inline constexpr int kWaitMs = 10'000;

enum class Scheme {
    Http,
    Https,          // the service's certificate, signed by the trusted test authority
    UntrustedHttps, // a self-signed certificate; the test authority is trusted all the same
    HttpsNoTrust,   // the service's certificate, but the test authority is not trusted
};

enum class Operation { LogIn, Register, RegisterDevice, Updates };

inline const QString kPilot = QStringLiteral("pilot");
inline const QString kPilotPassword = QStringLiteral("secret");
inline const QString kPilotGuid = QStringLiteral("5F0E8A4C-2B1D-4C3E-9A7F-6D5E4C3B2A10");
inline const QString kPilotEmail = QStringLiteral("pilot@example.com");
inline const QString kOtherGuid = QStringLiteral("0C9B8A70-6F5E-4D3C-8B2A-1F0E9D8C7B6A");
inline const QString kSleeper = QStringLiteral("sleeper"); // registered, never activated
inline const QString kSleeperPassword = QStringLiteral("dozing");

// Devices of product kProduct: the pilot's, one nobody registered, one of another account;
// and a product that cannot be registered.
inline constexpr int kProduct = 0x8A;
inline const QString kPilotDevice = QStringLiteral("ZX-RX-0001");
inline const QString kFreeDevice = QStringLiteral("ZX-RX-0002");
inline const QString kOthersDevice = QStringLiteral("ZX-RX-0003");
inline const QString kLockedDevice = QStringLiteral("ZX-GB-0001");

class ServiceRig
{
public:
    ServiceRig()
    {
        // The client traces every answer it gets; the tests say what they expected instead.
        ZandorexSite::setTraceSink([](const QString &) {});
        addWorld();
    }
    ~ServiceRig()
    {
        ZandorexSite::setTraceSink({});
        (void)siteconfig::setServiceUrlOverride(QUrl());
        siteconfig::clearExtraTrustedCertificates();
        siteconfig::setTransferTimeoutMs(0);
    }
    ServiceRig(const ServiceRig &) = delete;
    ServiceRig &operator=(const ServiceRig &) = delete;

    // Listens and points the client at the service.
    [[nodiscard]] bool start(Scheme scheme = Scheme::Http)
    {
        const QString folder = testservice::certificateFolder();
        if (scheme != Scheme::Http) {
            const QString name = scheme == Scheme::UntrustedHttps ? QStringLiteral("untrusted")
                                                                  : QStringLiteral("service");
            QSslCertificate certificate;
            QSslKey key;
            if (!testservice::TestService::loadCertificate(
                    folder + '/' + name + ".pem", folder + '/' + name + ".key", &certificate, &key))
                return false;
            service.setCertificate(certificate, key);
        }
        if (scheme != Scheme::HttpsNoTrust &&
            !siteconfig::addTrustedCertificatesFile(folder + QStringLiteral("/test-ca.pem")))
            return false;
        return service.listen() && siteconfig::setServiceUrlOverride(service.serviceUrl());
    }

    testservice::TestService service;

    // The update offered to the pilot's product, with every optional field.
    [[nodiscard]] static testservice::OfferedUpdate productUpdate()
    {
        testservice::OfferedUpdate update;
        update.guid = QStringLiteral("3B9D1E7A-55C4-4A0B-8E21-7F6A5D4C3B2A");
        update.title = QStringLiteral("Receiver 2.4.1");
        update.description = QStringLiteral("Smoother <stabilisation> & more");
        update.version = QStringLiteral("2.4.1");
        update.releaseDate = QStringLiteral("2024-06-01T12:30:00Z");
        update.productCodeText = QStringLiteral("0x8A");
        update.productCode = kProduct;
        update.minVersion = QStringLiteral("2.0");
        update.maxVersion = QStringLiteral("2.4");
        update.requiredMinVersion = QStringLiteral("1.5");
        update.requiredMaxVersion = QStringLiteral("2.4.0");
        update.file = QByteArray("SAX\0\x01\x02 update file", 20).repeated(300);
        update.changes = QByteArrayLiteral("2.4.1\n- calmer in gusts\n");
        return update;
    }

    // Offered to every device: no product code, no change list.
    [[nodiscard]] static testservice::OfferedUpdate generalUpdate()
    {
        testservice::OfferedUpdate update;
        update.guid = QStringLiteral("A0B1C2D3-E4F5-4607-8899-AABBCCDDEEFF");
        update.title = QStringLiteral("Any device 1.0");
        update.version = QStringLiteral("1.0");
        update.releaseDate = QStringLiteral("2023-01-15T08:00:00Z");
        update.file = QByteArrayLiteral("general");
        return update;
    }

private:
    void addWorld()
    {
        service.addAccount({kPilot, kPilotPassword, kPilotGuid, QStringLiteral("Ada"),
                            QStringLiteral("Flyer"), kPilotEmail, true});
        service.addAccount({QStringLiteral("other"), QStringLiteral("other"), kOtherGuid,
                            QStringLiteral("Otto"), QStringLiteral("Other"),
                            QStringLiteral("other@example.com"), true});
        service.addAccount({kSleeper, kSleeperPassword,
                            QStringLiteral("9E8D7C6B-5A49-4837-A625-140312F1E0D9"),
                            QStringLiteral("Sam"), QStringLiteral("Sleeper"),
                            QStringLiteral("sleeper@example.com"), false});
        service.addDevice({kPilotDevice, kProduct, true, kPilotGuid});
        service.addDevice({kFreeDevice, kProduct, true, QString()});
        service.addDevice({kOthersDevice, kProduct, true, kOtherGuid});
        service.addDevice({kLockedDevice, 0x3A, false, QString()});
        service.addUpdate(productUpdate());
        testservice::OfferedUpdate elsewhere = productUpdate();
        elsewhere.guid = QStringLiteral("11111111-2222-4333-8444-555555555555");
        elsewhere.productCode = 0x3A;
        elsewhere.productCodeText = QStringLiteral("0x3A");
        service.addUpdate(elsewhere);
        service.addUpdate(generalUpdate());
    }
};

// Starts one operation. For the log-in `a` and `b` are username and password; for the user
// registration username, e-mail and password (`c`); for the device operations user GUID and
// serial number.
[[nodiscard]] inline ZandorexSiteReply *startOperation(Operation operation, const QString &a,
                                                       const QString &b, const QString &c = {})
{
    switch (operation) {
    case Operation::LogIn:
        return ZandorexSite::logIn(a, b);
    case Operation::Register: {
        RegisterData data;
        data.cultureInfoName = QStringLiteral("en");
        data.username = a;
        data.email = b;
        data.password = c;
        data.firstName = QStringLiteral("Nell");
        data.lastName = QStringLiteral("Newcomer");
        data.city = QStringLiteral("Hamburg");
        data.countryCode = QStringLiteral("DE");
        return ZandorexSite::register_(data);
    }
    case Operation::RegisterDevice: {
        RegisterDeviceData data;
        data.serialNumber = b;
        data.nickname = QStringLiteral("Blue glider");
        return ZandorexSite::registerDevice(a, data);
    }
    case Operation::Updates:
        return ZandorexSite::getUpdatesList(a, b);
    }
    return nullptr;
}

// Lets everything the network thread has queued for this thread so far arrive, so that a
// second finished() or a late completion would be seen.
inline bool drainNetworkThread()
{
    auto reached = std::make_shared<std::atomic<bool>>(false);
    invokeInNetworkThread([reached](QNetworkAccessManager *) { *reached = true; });
    const bool ok = QTest::qWaitFor([&] { return reached->load(); }, kWaitMs);
    QCoreApplication::processEvents();
    return ok;
}

// Waits for the reply's finished() and for anything queued behind it.
[[nodiscard]] inline bool waitForFinished(QSignalSpy &finished)
{
    return QTest::qWaitFor([&] { return finished.count() > 0; }, kWaitMs) && drainNetworkThread();
}

// The service has no connection left open: the client closed or finished every one.
[[nodiscard]] inline bool waitForNoConnections(const testservice::TestService &service)
{
    return QTest::qWaitFor([&] { return service.openConnectionCount() == 0; }, kWaitMs);
}

} // namespace servicerig

Q_DECLARE_METATYPE(servicerig::Scheme)
Q_DECLARE_METATYPE(servicerig::Operation)
Q_DECLARE_METATYPE(ZandorexSiteError)
