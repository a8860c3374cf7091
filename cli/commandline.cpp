#include "cli/commandline.h"

namespace {

const QStringList kPortModes = {QStringLiteral("app"), QStringLiteral("bootloader"),
                                QStringLiteral("announced")};

} // namespace

std::expected<CommandLine, QString> parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    GlobalOptions &options = line.options;
    int i = 0;
    auto valueOf = [&](const QString &option) -> std::expected<QString, QString> {
        if (i + 1 >= arguments.size())
            return std::unexpected(QStringLiteral("%1 needs a value").arg(option));
        return arguments.at(++i);
    };

    for (; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!argument.startsWith(QLatin1Char('-')))
            break;
        if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--verbose")) {
            options.verbose = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.help = true;
        } else if (argument == QLatin1String("--port") || argument == QLatin1String("--ftdi") ||
                   argument == QLatin1String("--port-mode") ||
                   argument == QLatin1String("--wait-ms") ||
                   argument == QLatin1String("--service-url") ||
                   argument == QLatin1String("--service-ca")) {
            const auto value = valueOf(argument);
            if (!value)
                return std::unexpected(value.error());
            if (argument == QLatin1String("--port")) {
                options.port = *value;
            } else if (argument == QLatin1String("--ftdi")) {
                options.ftdiSerial = *value;
            } else if (argument == QLatin1String("--service-url")) {
                options.serviceUrl = *value;
            } else if (argument == QLatin1String("--service-ca")) {
                options.serviceCaFile = *value;
            } else if (argument == QLatin1String("--port-mode")) {
                if (!kPortModes.contains(*value))
                    return std::unexpected(
                        QStringLiteral("--port-mode must be app, bootloader or announced"));
                options.portMode = *value;
            } else {
                bool ok = false;
                options.waitMs = value->toInt(&ok);
                if (!ok || options.waitMs < 0)
                    return std::unexpected(
                        QStringLiteral("--wait-ms needs a number of milliseconds"));
            }
        } else {
            return std::unexpected(QStringLiteral("unknown option %1").arg(argument));
        }
    }
    if (i < arguments.size()) {
        line.command = arguments.at(i);
        line.arguments = arguments.mid(i + 1);
    } else if (!line.help) {
        return std::unexpected(QStringLiteral("no command given"));
    }
    return line;
}
