// zanprog-testservice: the stand-in account and update service on 127.0.0.1.
#include "devsim/quitonsignals.h"
#include "testservice/testservice.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;

void printLine(std::FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

int fail(int status, const QString &message)
{
    printLine(stderr, QStringLiteral("zanprog-testservice: %1").arg(message));
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zanprog-testservice"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A stand-in for the account and update service on 127.0.0.1. Prints the "
                       "service URL as its first line and runs until SIGINT or SIGTERM."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Listen on <port> (0, the default, picks a free one)."),
        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption tlsOption(
        QStringLiteral("tls"),
        QStringLiteral("Serve HTTPS with the test certificate; trust test-ca.pem in %1.")
            .arg(testservice::certificateFolder()));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Account demo/demo with every simulator device and updates for them."));
    const QCommandLineOption deviceOption(
        QStringLiteral("device"),
        QStringLiteral("With --demo: also know the device <serial:product-code> and register it "
                       "to the demo account (repeatable)."),
        QStringLiteral("serial:product-code"));
    parser.addOptions({portOption, tlsOption, demoOption, deviceOption});
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(kExitUsage, parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(QStringLiteral("help"))) {
        printLine(stdout, parser.helpText());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(kExitUsage, QStringLiteral("unexpected argument %1 (see --help)")
                                    .arg(parser.positionalArguments().first()));
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535)
        return fail(kExitUsage, QStringLiteral("--port needs a number from 0 to 65535"));

    testservice::TestService service;
    if (parser.isSet(tlsOption)) {
        const QString folder = testservice::certificateFolder();
        QSslCertificate certificate;
        QSslKey key;
        if (!testservice::TestService::loadCertificate(folder + QStringLiteral("/service.pem"),
                                                       folder + QStringLiteral("/service.key"),
                                                       &certificate, &key))
            return fail(kExitFailed,
                        QStringLiteral("cannot read the certificate in %1").arg(folder));
        service.setCertificate(certificate, key);
    }
    QList<testservice::KnownDevice> extraDevices;
    for (const QString &value : parser.values(deviceOption)) {
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        bool codeOk = false;
        const int productCode = colon > 0 ? value.mid(colon + 1).toInt(&codeOk, 0) : 0;
        if (!codeOk || productCode < 0 || productCode > 255)
            return fail(kExitUsage,
                        QStringLiteral("--device needs serial:product-code, not %1").arg(value));
        extraDevices.append({value.left(colon), productCode, true, {}});
    }
    if (!extraDevices.isEmpty() && !parser.isSet(demoOption))
        return fail(kExitUsage, QStringLiteral("--device needs --demo"));
    if (parser.isSet(demoOption))
        service.addDemoContent(extraDevices);

    quitOnSignals(app);
    QString error;
    if (!service.listen(quint16(port), &error))
        return fail(kExitFailed, QStringLiteral("cannot listen: %1").arg(error));
    printLine(stdout, service.serviceUrl().toString());
    return app.exec();
}
