#include "devsim/ptyserveroptions.h"

#include "devsim/profilejson.h"
#include "devsim/profiles.h"

namespace devsim {

namespace {

constexpr int kMaxSerialChars = 30;
constexpr int kMaxLatencyMs = 60'000;
constexpr int kMaxWireBaud = 10'000'000;

const QStringList kValueOptions = {
    QStringLiteral("--profile"),    QStringLiteral("--profile-file"), QStringLiteral("--mode"),
    QStringLiteral("--serial"),     QStringLiteral("--link"),         QStringLiteral("--wire-baud"),
    QStringLiteral("--latency-ms"), QStringLiteral("--state"),        QStringLiteral("--fault"),
    QStringLiteral("--write-sax"),
};

std::expected<int, QString> numberIn(const QString &option, const QString &text, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > max)
        return std::unexpected(
            QStringLiteral("%1 needs a number between 0 and %2").arg(option).arg(max));
    return value;
}

} // namespace

std::expected<PtyServerOptions, QString> parsePtyServerArguments(const QStringList &arguments)
{
    PtyServerOptions options;
    options.profile = *profiles::profileByName(QStringLiteral("airplane-receiver"));
    QString mode;
    std::optional<QByteArray> serial;
    bool profileChosen = false;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments.at(i);
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (!kValueOptions.contains(option))
            return std::unexpected(QStringLiteral("unknown option %1").arg(option));
        if (i + 1 >= arguments.size())
            return std::unexpected(QStringLiteral("%1 needs a value").arg(option));
        const QString value = arguments.at(++i);

        if (option == QLatin1String("--profile") || option == QLatin1String("--profile-file")) {
            if (profileChosen)
                return std::unexpected(QStringLiteral("give one --profile or --profile-file"));
            profileChosen = true;
            if (option == QLatin1String("--profile")) {
                const auto profile = profiles::profileByName(value);
                if (!profile)
                    return std::unexpected(
                        QStringLiteral("unknown profile %1; known: %2")
                            .arg(value, profiles::names().join(QStringLiteral(", "))));
                options.profile = *profile;
            } else {
                const auto profile = loadProfileFile(value);
                if (!profile)
                    return std::unexpected(profile.error());
                options.profile = *profile;
            }
        } else if (option == QLatin1String("--mode")) {
            if (value != QLatin1String("app") && value != QLatin1String("bootloader"))
                return std::unexpected(QStringLiteral("--mode must be app or bootloader"));
            mode = value;
        } else if (option == QLatin1String("--serial")) {
            serial = value.toLatin1();
            if (serial->isEmpty() || serial->size() > kMaxSerialChars)
                return std::unexpected(
                    QStringLiteral("--serial needs 1 to %1 characters").arg(kMaxSerialChars));
        } else if (option == QLatin1String("--link")) {
            options.linkPath = value;
        } else if (option == QLatin1String("--state")) {
            options.stateFile = value;
        } else if (option == QLatin1String("--write-sax")) {
            options.saxFile = value;
        } else if (option == QLatin1String("--wire-baud")) {
            const auto baud = numberIn(option, value, kMaxWireBaud);
            if (!baud)
                return std::unexpected(baud.error());
            options.wire.baudRate = *baud;
        } else if (option == QLatin1String("--latency-ms")) {
            const auto latency = numberIn(option, value, kMaxLatencyMs);
            if (!latency)
                return std::unexpected(latency.error());
            options.wire.turnaroundMs = *latency;
        } else {
            const auto fault = parseFault(value);
            if (!fault)
                return std::unexpected(QStringLiteral("--fault: %1").arg(fault.error()));
            options.faults.push_back(*fault);
        }
    }
    if (!mode.isEmpty())
        options.profile.startMode =
            mode == QLatin1String("app") ? DeviceMode::FSK : DeviceMode::Bootloader;
    if (serial)
        options.profile.serialNumber = *serial;
    return options;
}

QString ptyServerHelpText()
{
    QString text = QStringLiteral(
        "Usage: zanprog-devsim [--profile NAME | --profile-file FILE.json] [--mode "
        "app|bootloader]\n"
        "                      [--serial TEXT] [--link PATH] [--wire-baud N] [--latency-ms N]\n"
        "                      [--state FILE.json] [--fault FAULT]...\n"
        "       zanprog-devsim [--profile NAME | --profile-file FILE.json] [--serial TEXT]\n"
        "                      --write-sax FILE.sax\n\n"
        "Serves one simulated device on a pseudo-terminal and prints the terminal's path on the\n"
        "first line. The device is powered while a host has the port open. Runs until SIGINT or\n"
        "SIGTERM.\n\n"
        "  --profile NAME       the kind of device (default airplane-receiver)\n"
        "  --profile-file FILE  a JSON profile (see devsim/profilejson.h)\n"
        "  --mode MODE          start in the application (app) or the bootloader\n"
        "  --serial TEXT        the device's serial number\n"
        "  --link PATH          a symbolic link to the terminal, removed on exit\n"
        "  --wire-baud N        bytes take the time of an N-baud line (0: none)\n"
        "  --latency-ms N       the device answers N ms after a request\n"
        "  --state FILE         load the device's flash from FILE when it exists; save on exit\n"
        "  --fault FAULT        spoil a reply, KIND[:N[:VALUE]] (repeatable)\n"
        "  --write-sax FILE     write a firmware file the device accepts (version 9.1) and exit\n\n"
        "Profiles:\n");
    for (const QString &name : profiles::names())
        text += QStringLiteral("  %1\n").arg(name);
    text += QStringLiteral("\nFaults:\n") + faultHelpText();
    return text;
}

} // namespace devsim
