#include "app/shell/programoptions.h"

#include "app/shell/demodevice.h"
#include "devsim/profiles.h"

namespace {

// "--service-url URL" or "--service-url=URL", and the same for --service-ca.
std::optional<QString> valueOption(const QString &argument)
{
    for (const char *name : {"--service-url", "--service-ca"}) {
        const QLatin1String option(name);
        if (argument == option || argument.startsWith(option + QLatin1Char('=')))
            return QString(option);
    }
    return std::nullopt;
}

} // namespace

std::expected<ProgramOptions, QString> parseProgramOptions(const QStringList &arguments)
{
    ProgramOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasNext = i + 1 < arguments.size();
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--port") ||
                   argument.startsWith(QLatin1String("--port="))) {
            QString value;
            if (argument.startsWith(QLatin1String("--port=")))
                value = argument.mid(7);
            else if (hasNext)
                value = arguments[++i];
            else
                return std::unexpected(QStringLiteral("--port needs a path"));
            const std::optional<ExplicitPort> port = parseExplicitPort(value);
            if (!port)
                return std::unexpected(
                    QStringLiteral("--port %1: expected PATH or PATH,bootloader|application|"
                                   "announced")
                        .arg(value));
            options.ports << *port;
        } else if (const std::optional<QString> name = valueOption(argument); name) {
            QString value;
            if (argument.contains(QLatin1Char('=')))
                value = argument.section(QLatin1Char('='), 1);
            else if (hasNext)
                value = arguments[++i];
            else
                return std::unexpected(QStringLiteral("%1 needs a value").arg(*name));
            if (*name == QLatin1String("--service-url"))
                options.serviceUrl = value;
            else
                options.serviceCaFile = value;
        } else if (argument == QLatin1String("--demo") ||
                   argument.startsWith(QLatin1String("--demo="))) {
            QString profile = DemoDevice::kDefaultProfile;
            if (argument.startsWith(QLatin1String("--demo=")))
                profile = argument.mid(7);
            else if (hasNext && !arguments[i + 1].startsWith(QLatin1Char('-')))
                profile = arguments[++i];
            if (!devsim::profiles::profileByName(profile))
                return std::unexpected(
                    QStringLiteral("--demo %1: unknown device; known are: %2")
                        .arg(profile, devsim::profiles::names().join(QStringLiteral(", "))));
            options.demoProfile = profile;
        } else {
            return std::unexpected(QStringLiteral("unknown option %1").arg(argument));
        }
    }
    if (options.demoProfile && !options.ports.isEmpty())
        return std::unexpected(QStringLiteral("--demo and --port cannot be combined"));
    return options;
}

QString programHelpText()
{
    return QStringLiteral(
               "Usage: zandorex-programmer [--port PATH[,MODE]]... [--demo [PROFILE]]\n"
               "                          [--service-url URL [--service-ca FILE]]\n"
               "\n"
               "Programs the receivers, transmitters and stabiliser boxes of the family through\n"
               "the USB programming cable or the device's own USB port.\n"
               "\n"
               "  --port PATH[,MODE]  also use the serial port PATH (a pseudo-terminal of\n"
               "                      zanprog-devsim, an adapter with other USB identifiers);\n"
               "                      MODE is bootloader, application or announced (default:\n"
               "                      the device's announcement decides). May be repeated.\n"
               "  --demo [PROFILE]    run on a simulated device behind a simulated programming\n"
               "                      cable instead of hardware (default: %1). Its memory is\n"
               "                      kept between runs. Devices: %2.\n"
               "  --service-url URL   use the account and update service at URL, which must be\n"
               "                      on this computer (127.0.0.1, ::1 or localhost): a test\n"
               "                      service such as zanprog-testservice\n"
               "  --service-ca FILE   also trust the certificate authorities in FILE (PEM) for\n"
               "                      that service\n"
               "  --version           print the version and exit\n"
               "  -h, --help          print this help and exit\n")
        .arg(DemoDevice::kDefaultProfile, devsim::profiles::names().join(QStringLiteral(", ")));
}
